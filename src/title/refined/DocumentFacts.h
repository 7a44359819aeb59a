#pragma once

#include <string>
#include <vector>

class GooString;
class PDFDoc;

namespace tidemark::refined {

// What the file says about itself besides its pages: the title in its
// document information and in its XMP metadata, and the entries of its
// outline (bookmarks). Often wrong or empty (a font name, "Untitled", the
// name of the source file), so the title rule only uses them where they
// agree with the printed text.
struct DocumentFacts {
    std::vector<std::u32string> metadataTitles;  // distinct, not empty
    std::vector<std::u32string> foldedTitles;    // the same, folded for matching (foldForMatch)
    std::vector<std::u32string> outline;         // the first levels, in order
    std::string xmp;  // the XMP packet as the file holds it, read once for all who look in it
};

DocumentFacts readDocumentFacts(PDFDoc &doc);

// A PDF text string (UTF-16 with a byte-order mark, or PDFDocEncoding);
// empty for null.
std::u32string fromTextString(const GooString *s);

// The dc:title of an XMP packet (its first language alternative), entities
// decoded; empty when it has none.
std::u32string xmpTitle(const std::string &xmp);

}  // namespace tidemark::refined
