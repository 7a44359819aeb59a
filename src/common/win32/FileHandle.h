#pragma once

#include <windows.h>

#include <memory>

namespace tidemark {

struct FileHandleCloser {
    void operator()(HANDLE handle) const { CloseHandle(handle); }
};

// Owns a handle from CreateFile; empty when the file could not be opened.
using FileHandle = std::unique_ptr<void, FileHandleCloser>;

// Takes over what CreateFile returned, which is INVALID_HANDLE_VALUE, not
// null, on failure.
inline FileHandle adoptFileHandle(HANDLE handle)
{
    return FileHandle(handle == INVALID_HANDLE_VALUE ? nullptr : handle);
}

}  // namespace tidemark
