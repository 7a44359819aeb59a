# The PDF library's language data, which the Windows programs carry in a
# "poppler-data" folder beside the executable (title/win32/OpenDocument.cpp
# finds it there): from Debian's poppler-data, the character maps that
# read Chinese, Japanese and Korean fonts (cMap: the encodings, by
# character collection; cidToUnicode: the collections' characters in
# Unicode) and the glyph names of a few scripts (nameToUnicode). Not its
# unicodeMap folder, which only serves text written out in legacy
# encodings, nor the loose files of cMap, which the library never reads.
# Natively the system's own poppler-data is read in place.
set(TIDEMARK_POPPLER_DATA /usr/share/poppler CACHE PATH "Debian's poppler-data, copied beside the Windows programs")

if(WIN32)
  file(GLOB poppler_data_collections LIST_DIRECTORIES true RELATIVE ${TIDEMARK_POPPLER_DATA}
    ${TIDEMARK_POPPLER_DATA}/cMap/Adobe-*)
  set(poppler_data_folders ${poppler_data_collections} cidToUnicode nameToUnicode)
  if(NOT EXISTS ${TIDEMARK_POPPLER_DATA}/cidToUnicode/Adobe-Japan1 OR NOT poppler_data_collections)
    message(FATAL_ERROR "No poppler-data in ${TIDEMARK_POPPLER_DATA} (scripts/deps-native.sh installs it)")
  endif()
  file(GLOB_RECURSE poppler_data_files ${TIDEMARK_POPPLER_DATA}/cMap/Adobe-*/*
    ${TIDEMARK_POPPLER_DATA}/cidToUnicode/* ${TIDEMARK_POPPLER_DATA}/nameToUnicode/*)
endif()

# Puts the data beside `target`'s executable, once, and again when it
# changes.
function(tidemark_poppler_data target)
  if(NOT WIN32)
    return()
  endif()
  get_target_property(dir ${target} BINARY_DIR)
  set(commands)
  foreach(folder ${poppler_data_folders})
    list(APPEND commands COMMAND ${CMAKE_COMMAND} -E copy_directory ${TIDEMARK_POPPLER_DATA}/${folder}
      ${dir}/poppler-data/${folder})
  endforeach()
  add_custom_command(OUTPUT ${dir}/poppler-data.stamp
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${dir}/poppler-data
    ${commands}
    COMMAND ${CMAKE_COMMAND} -E touch ${dir}/poppler-data.stamp
    DEPENDS ${poppler_data_files} VERBATIM)
  add_custom_target(${target}_poppler_data DEPENDS ${dir}/poppler-data.stamp)
  add_dependencies(${target} ${target}_poppler_data)
endfunction()
