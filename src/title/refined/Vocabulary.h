#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tidemark::refined {

// The words the title rule knows: what opens an abstract or a list of
// contents, what a date, an address, a version, journal data, a paper's
// number, a kind of document, a line of names or an institution look like.
// General vocabulary in the languages papers are commonly written in; no
// title of any particular paper.

std::vector<std::u32string> splitWords(std::u32string_view text);
// The letters of a word, lower-cased: "Abstract:" gives "abstract".
std::u32string letters(std::u32string_view word);
bool hasDigit(std::u32string_view text);

bool isAbstractWord(const std::u32string &w);
// Folded (foldForMatch) headings.
bool isContentsHeading(const std::u32string &folded);
bool isOpeningHeading(const std::u32string &folded);

bool looksLikeDate(const std::vector<std::u32string> &words);
bool looksLikeContact(std::u32string_view text);
bool looksLikeVersion(const std::vector<std::u32string> &words);
bool looksLikeIdentifier(const std::vector<std::u32string> &words);
bool namesDocumentKind(const std::vector<std::u32string> &words);
bool looksBibliographic(const std::vector<std::u32string> &words);
bool isSectionNumber(const std::u32string &w);
bool isPageNumber(const std::u32string &w);
bool readsAsPhrase(const std::vector<std::u32string> &words);
bool looksLikeNames(const std::u32string &text);
bool looksLikeAffiliation(const std::vector<std::u32string> &words);
// The letters of a heading's words after its number: "2. Related Work"
// gives "relatedwork".
std::u32string headingName(const std::vector<std::u32string> &words);

}  // namespace tidemark::refined
