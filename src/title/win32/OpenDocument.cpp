#include "title/OpenDocument.h"

#include <windows.h>

#include <vector>

#include <PDFDoc.h>

namespace tidemark {

std::unique_ptr<PDFDoc> openDocument(const std::string &path)
{
    // The library reads a narrow file name as UTF-8, falling back to
    // Latin-1 byte by byte, so an ANSI name such as "caf\xE9.pdf" would not
    // be found. Convert it by the system's own code page and open the file
    // by its wide name.
    const int length = MultiByteToWideChar(CP_ACP, 0, path.data(), static_cast<int>(path.size()), nullptr, 0);
    if (length <= 0) {
        return std::make_unique<PDFDoc>(std::make_unique<GooString>(path));
    }
    std::vector<wchar_t> wide(static_cast<size_t>(length) + 1, L'\0');
    MultiByteToWideChar(CP_ACP, 0, path.data(), static_cast<int>(path.size()), wide.data(), length);
    return std::make_unique<PDFDoc>(wide.data(), length);
}

}  // namespace tidemark
