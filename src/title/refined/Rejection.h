#pragma once

namespace tidemark::refined {

// Why a block of type cannot be the title. The order of the rules that
// find them (Rejections.cpp) sets which reason a block gets when several
// hold.
enum class Rejection {
    None,             // it can be the title
    Turned,           // its text runs against the text of the page
    NoWords,          // fewer than two letters
    ContentsEntry,    // a row of a list of contents
    ContentsHeading,  // the heading of a list of contents
    Abstract,         // the abstract, or its heading
    Address,          // a web or mail address
    JournalData,      // volume, issue, DOI, ISSN, pages
    DocumentKind,     // "Master's Thesis", "Technical Report"
    FieldLabel,       // a form's label ("Title:")
    PaperNumber,      // a number that files a paper or a report
    VersionLine,      // "Version 1.4.10"
    Date,             // "November 1, 2022"
    TooLong,          // more words, lines or characters than a title has
    SmallerThanText,  // smaller than the running text
    RunningText,      // lines of the running text's size and face
};

// The reason in words, as --explain prints it.
const char *describe(Rejection r);

}  // namespace tidemark::refined
