#pragma once

#include <cstddef>
#include <memory>
#include <string>

class PDFDoc;

namespace tidemark {

// Opens the PDF at `path`, a byte string in the system's own encoding (the
// ANSI code page on Windows, UTF-8 or raw bytes on POSIX), without
// passwords. The library reads the file itself, a few hundred bytes at a
// time. The document may be not ok; the library has then reported why.
std::unique_ptr<PDFDoc> openDocument(const std::string &path);

// The folder of the PDF library's language data (the character maps that
// read Chinese, Japanese and Korean fonts), or null for the library's own
// default, the system's poppler-data. The Windows programs carry theirs in
// a "poppler-data" folder beside the executable. Valid while the program
// runs.
const char *pdfLibraryDataDir();

// The bytes of a file, read whole.
struct FileBytes {
    std::unique_ptr<char[]> data;
    std::size_t size = 0;
};

// Reads the regular file at `path` (named as for openDocument) whole when
// it holds 1 to `limit` bytes. False when it cannot be read so; the caller
// then leaves the file to the library, which reports what is wrong. The
// file is open only during the call, and shared for reading, writing and
// renaming meanwhile.
bool readWholeFile(const std::string &path, std::size_t limit, FileBytes &bytes);

// A PDF document and what it reads from. Read whole into memory when the
// file is not too large: the library's own file reading makes a system call
// for every few hundred bytes, which costs little on Linux but much under
// Windows emulation. The file is closed once it has been read, so that it
// can be renamed while the document is still open.
class PdfFile {
public:
    explicit PdfFile(const std::string &path);
    ~PdfFile();
    PdfFile(const PdfFile &) = delete;
    PdfFile &operator=(const PdfFile &) = delete;

    PDFDoc &document() const { return *document_; }

    // Larger files are left to the library, which reads only the parts it
    // needs.
    static constexpr std::size_t kMaxInMemory = std::size_t{64} << 20;

private:
    FileBytes bytes_;  // outlives document_, which reads from it
    std::unique_ptr<PDFDoc> document_;
};

}  // namespace tidemark
