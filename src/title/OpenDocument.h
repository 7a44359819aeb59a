#pragma once

#include <memory>
#include <string>

class PDFDoc;

namespace tidemark {

// Opens the PDF at `path`, a byte string in the system's own encoding (the
// ANSI code page on Windows, UTF-8 or raw bytes on POSIX), without
// passwords. The document may be not ok; the library has then reported why.
std::unique_ptr<PDFDoc> openDocument(const std::string &path);

}  // namespace tidemark
