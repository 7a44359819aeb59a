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
// The name of a month, or its short form, in letters(): "november", "nov".
bool isMonth(const std::u32string &w);

bool isAbstractWord(const std::u32string &w);
// Folded (foldForMatch) headings.
bool isContentsHeading(const std::u32string &folded);
bool isOpeningHeading(const std::u32string &folded);

bool looksLikeDate(const std::vector<std::u32string> &words);
bool looksLikeContact(std::u32string_view text);
bool looksLikeVersion(const std::vector<std::u32string> &words);
// A line that cannot end a title: after a colon or a comma, or on a word
// that leads into more ("for", "of the").
bool endsIncomplete(const std::u32string &text);
bool looksLikeIdentifier(const std::vector<std::u32string> &words);
bool namesDocumentKind(const std::vector<std::u32string> &words);
bool looksBibliographic(const std::vector<std::u32string> &words);
bool isSectionNumber(const std::u32string &w);
bool isPageNumber(const std::u32string &w);
bool readsAsPhrase(const std::vector<std::u32string> &words);
bool looksLikeNames(const std::u32string &text);
bool looksLikeAffiliation(const std::vector<std::u32string> &words);
// What a manual's cover calls it: "User Guide", "Reference Manual",
// "Handbook"; every word names a kind of manual or its reader.
bool namesManualKind(const std::vector<std::u32string> &words);
// A series that papers or reports come out in: "Working Paper Series",
// "Discussion Papers", "Lecture Notes".
bool namesSeries(const std::vector<std::u32string> &words);
// A release: "Second Edition", "Edition 2.1", "Release 3 (2021)"; a word
// of releases with its number, and few words besides.
bool namesRelease(const std::vector<std::u32string> &words);
// A legal or copyright notice: "Copyright © 2021 ...", "All rights
// reserved", "Permission is granted to copy ...", a licence, a trademark,
// or a heading of such a notice alone ("Legal Notice").
bool looksLikeLegalNotice(const std::vector<std::u32string> &words);
// The letters of a heading's words after its number: "2. Related Work"
// gives "relatedwork".
std::u32string headingName(const std::vector<std::u32string> &words);

}  // namespace tidemark::refined
