#include "title/refined/DocumentFacts.h"

#include <algorithm>
#include <cstdlib>
#include <memory>

#include <Outline.h>
#include <PDFDoc.h>
#include <UTF.h>
#include <goo/GooString.h>

#include "title/refined/Text.h"

namespace tidemark::refined {

namespace {

struct FreeUnicode {
    void operator()(Unicode *p) const { std::free(p); }
};

std::u32string fromUnicode(const Unicode *text, int length)
{
    return text && length > 0 ? std::u32string(reinterpret_cast<const char32_t *>(text), static_cast<size_t>(length))
                              : std::u32string();
}

std::string decodeEntities(const std::string &s)
{
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '&') {
            out += s[i];
            continue;
        }
        const std::size_t end = s.find(';', i);
        if (end == std::string::npos || end - i > 10) {
            out += s[i];
            continue;
        }
        const std::string name = s.substr(i + 1, end - i - 1);
        char32_t c = 0;
        if (name == "amp") {
            c = U'&';
        } else if (name == "lt") {
            c = U'<';
        } else if (name == "gt") {
            c = U'>';
        } else if (name == "quot") {
            c = U'"';
        } else if (name == "apos") {
            c = U'\'';
        } else if (name.size() > 1 && name[0] == '#') {
            const bool hex = name[1] == 'x' || name[1] == 'X';
            c = static_cast<char32_t>(std::strtoul(name.c_str() + (hex ? 2 : 1), nullptr, hex ? 16 : 10));
        }
        if (c == 0) {
            out += s[i];
            continue;
        }
        appendUtf8(out, c);
        i = end;
    }
    return out;
}

void addTitle(std::vector<std::u32string> &titles, std::u32string title)
{
    // No title runs to a thousand characters; comparing such a text with
    // every block of a page would only cost time.
    if (title.size() > 1000) {
        return;
    }
    title = normalizeTitle(title);
    if (!title.empty() && std::find(titles.begin(), titles.end(), title) == titles.end()) {
        titles.push_back(std::move(title));
    }
}

void addOutline(std::vector<std::u32string> &out, const std::vector<OutlineItem *> *items, int depth)
{
    if (items == nullptr) {
        return;
    }
    for (OutlineItem *item : *items) {
        if (out.size() >= 64) {
            return;
        }
        out.push_back(normalizeTitle(fromUnicode(item->getTitle(), item->getTitleLength())));
        if (depth == 0 && item->hasKids()) {
            item->open();
            addOutline(out, item->getKids(), depth + 1);
        }
    }
}

}  // namespace

std::u32string fromTextString(const GooString *s)
{
    if (s == nullptr) {
        return {};
    }
    Unicode *raw = nullptr;
    const int length = TextStringToUCS4(s->toStr(), &raw);
    const std::unique_ptr<Unicode, FreeUnicode> owned(raw);
    return fromUnicode(raw, length);
}

std::u32string xmpTitle(const std::string &xmp)
{
    const std::size_t title = xmp.find("<dc:title");
    if (title == std::string::npos) {
        return {};
    }
    const std::size_t end = xmp.find("</dc:title>", title);
    const std::size_t li = xmp.find("<rdf:li", title);
    if (li == std::string::npos || li > end) {
        return {};
    }
    const std::size_t open = xmp.find('>', li);
    const std::size_t close = xmp.find("</rdf:li>", li);
    if (open == std::string::npos || close == std::string::npos || open > close) {
        return {};
    }
    return fromUtf8(decodeEntities(xmp.substr(open + 1, close - open - 1)));
}

DocumentFacts readDocumentFacts(PDFDoc &doc)
{
    DocumentFacts facts;
    addTitle(facts.metadataTitles, fromTextString(doc.getDocInfoTitle().get()));
    if (const std::unique_ptr<GooString> xmp = doc.readMetadata()) {
        facts.xmp = xmp->toStr();
        addTitle(facts.metadataTitles, xmpTitle(facts.xmp));
    }
    for (const std::u32string &title : facts.metadataTitles) {
        facts.foldedTitles.push_back(foldForMatch(title));
    }
    if (Outline *outline = doc.getOutline()) {
        addOutline(facts.outline, outline->getItems(), 0);
    }
    return facts;
}

}  // namespace tidemark::refined
