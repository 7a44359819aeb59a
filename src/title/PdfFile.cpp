#include "title/OpenDocument.h"

#include <utility>

#include <PDFDoc.h>
#include <Stream.h>

namespace tidemark {

PdfFile::PdfFile(const std::string &path)
{
    if (readWholeFile(path, kMaxInMemory, bytes_)) {
        // The document owns the stream; the stream only borrows the bytes.
        auto *stream = new MemStream(bytes_.data.get(), 0, static_cast<Goffset>(bytes_.size), Object(objNull));
        document_ = std::make_unique<PDFDoc>(stream);
    } else {
        document_ = openDocument(path);
    }
}

PdfFile::~PdfFile() = default;

}  // namespace tidemark
