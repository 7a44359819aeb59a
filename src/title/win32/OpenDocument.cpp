#include "title/OpenDocument.h"

#include <windows.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include <PDFDoc.h>

#include "common/win32/FileHandle.h"

namespace tidemark {

namespace {

// The wide name of an ANSI path (empty when it does not convert).
std::vector<wchar_t> wideName(const std::string &path)
{
    const int length = MultiByteToWideChar(CP_ACP, 0, path.data(), static_cast<int>(path.size()), nullptr, 0);
    if (length <= 0) {
        return {};
    }
    std::vector<wchar_t> wide(static_cast<size_t>(length) + 1, L'\0');
    MultiByteToWideChar(CP_ACP, 0, path.data(), static_cast<int>(path.size()), wide.data(), length);
    return wide;
}

bool isAscii(const std::wstring &text)
{
    return std::all_of(text.begin(), text.end(), [](wchar_t c) { return c > 0 && c < 0x80; });
}

// "poppler-data" beside the executable, when it is there.
std::string findLibraryData()
{
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) {
            return {};
        }
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    const std::size_t folder = path.rfind(L'\\');
    if (folder == std::wstring::npos) {
        return {};
    }
    path.resize(folder + 1);
    path += L"poppler-data";
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        return {};
    }
    // The library lists the folder by its ANSI name and opens its files by
    // a UTF-8 one: only a name in ASCII serves both. A folder whose name
    // is not is reached by its short (8.3) name, when the volume has them.
    if (!isAscii(path)) {
        std::wstring shortPath(path.size() + 1, L'\0');
        const DWORD length = GetShortPathNameW(path.c_str(), shortPath.data(), static_cast<DWORD>(shortPath.size()));
        if (length == 0 || length >= shortPath.size()) {
            return {};
        }
        shortPath.resize(length);
        if (!isAscii(shortPath)) {
            return {};
        }
        path = shortPath;
    }
    return std::string(path.begin(), path.end());
}

}  // namespace

const char *pdfLibraryDataDir()
{
    static const std::string folder = findLibraryData();
    return folder.empty() ? nullptr : folder.c_str();
}

std::unique_ptr<PDFDoc> openDocument(const std::string &path)
{
    // The library reads a narrow file name as UTF-8, falling back to
    // Latin-1 byte by byte, so an ANSI name such as "caf\xE9.pdf" would not
    // be found. Convert it by the system's own code page and open the file
    // by its wide name.
    std::vector<wchar_t> wide = wideName(path);
    if (wide.empty()) {
        return std::make_unique<PDFDoc>(std::make_unique<GooString>(path));
    }
    return std::make_unique<PDFDoc>(wide.data(), static_cast<int>(wide.size() - 1));
}

bool readWholeFile(const std::string &path, std::size_t limit, FileBytes &bytes)
{
    const std::vector<wchar_t> wide = wideName(path);
    if (wide.empty()) {
        return false;
    }
    // Shared for renaming too: another run may rename the file while this
    // one reads it.
    const FileHandle file = adoptFileHandle(CreateFileW(wide.data(), GENERIC_READ,
                                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                                        OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    LARGE_INTEGER fileSize{};
    if (file == nullptr || GetFileType(file.get()) != FILE_TYPE_DISK ||
        !GetFileSizeEx(file.get(), &fileSize) || fileSize.QuadPart <= 0 ||
        static_cast<unsigned long long>(fileSize.QuadPart) > limit) {
        return false;
    }
    const auto size = static_cast<std::size_t>(fileSize.QuadPart);
    auto data = std::make_unique_for_overwrite<char[]>(size);
    std::size_t got = 0;
    while (got < size) {
        DWORD n = 0;
        if (!ReadFile(file.get(), data.get() + got, static_cast<DWORD>(size - got), &n, nullptr)) {
            return false;
        }
        if (n == 0) {
            break;  // the file has shrunk since: the document is what was read
        }
        got += n;
    }
    if (got == 0) {
        return false;
    }
    bytes.data = std::move(data);
    bytes.size = got;
    return true;
}

}  // namespace tidemark
