#include "title/OpenDocument.h"

#include <PDFDoc.h>

namespace tidemark {

std::unique_ptr<PDFDoc> openDocument(const std::string &path)
{
    // POSIX file names are bytes; the library passes them to the system as
    // they are.
    return std::make_unique<PDFDoc>(std::make_unique<GooString>(path));
}

}  // namespace tidemark
