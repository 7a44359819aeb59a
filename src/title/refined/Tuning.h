#pragma once

#include <cstddef>

// The refined rule's numbers, in one place. Sizes are in points or in
// multiples of a type size; shares of the page are fractions of its width
// or height. Each names the rows of the generated layouts
// (tests/title/RefinedTitleTest.cpp) that fail when it moves by a quarter
// either way; "none" marks a number that no layout pins down yet.
namespace tidemark::refined::tuning {

// ------------------------------------------------------------ lines
// Pieces of one printed line: on one baseline (within this share of the
// size), of similar size, no further apart than the gap after.
// Guarded by: none (fragments join in the corpora, not in a layout).
inline constexpr double kFragmentBaseline = 0.2;
inline constexpr double kFragmentSizeTolerance = 0.12;
inline constexpr double kFragmentGapBefore = -0.2;
inline constexpr double kFragmentGapAfter = 1.5;
// Letter-spaced text: a gap wider than the letters' by this share of the
// size is a space. Guarded by: letterSpaced.
inline constexpr double kWordGapExtra = 0.12;
// The next line of one text: of similar size, its baseline this many
// sizes below. Guarded by: wideLeading (kLinePitchMax), hyphenated.
inline constexpr double kLineSizeTolerance = 0.07;
inline constexpr double kLinePitchMin = 0.75;
inline constexpr double kLinePitchMax = 1.75;
// A mark that points to a note: smaller than its line, or raised by this
// share of the size. Guarded by: footnoteMarks, raisedLetterMark.
inline constexpr double kNoteMarkSize = 0.8;
inline constexpr double kRaisedMark = 0.2;
// Running text: segments of this many lines and characters at least.
// Guarded by: largeLead, boldTitleInTextSize.
inline constexpr std::size_t kParagraphLines = 3;
inline constexpr std::size_t kParagraphCharacters = 120;

// ------------------------------------------------- list of contents
// A page number after a gap this many times its size. Guarded by:
// contents, rowsInProse.
inline constexpr double kContentsNumberGap = 2.5;
// Pieces of one row: baselines within this share of the size.
inline constexpr double kContentsRowBaseline = 0.3;

// ------------------------------------------------------- rejections
// A form's label and its value: baselines within this share of the size.
// Guarded by: fieldLabels.
inline constexpr double kFieldLabelBaseline = 0.2;
// An abstract that opens its paragraph: no larger than this many times
// the running text. Guarded by: ieee.
inline constexpr double kAbstractParagraphSize = 1.25;
// No title has more words, lines or characters. Guarded by: endlessLine
// (characters).
inline constexpr std::size_t kTitleMaxWords = 40;
inline constexpr std::size_t kTitleMaxLines = 6;
inline constexpr std::size_t kTitleMaxCharacters = 500;
// Type of the running text's size, within these shares. Guarded by:
// boldTitleInTextSize, largeLead.
inline constexpr double kSmallerThanText = 0.97;
inline constexpr double kTextSize = 1.03;

// ----------------------------------------------------------- signals
// Factors of the score (Scoring.cpp). Guarded by: the rows named there.
inline constexpr double kBoldFactor = 1.08;
inline constexpr double kAfterBoundaryFactor = 0.2;
inline constexpr double kMarginFactor = 0.5;
inline constexpr double kLowFactor = 0.8;
inline constexpr double kNextToJournalDataFactor = 0.3;
inline constexpr double kMetadataFactor = 2.5;
// The bands of the page: its margins at the top and the foot, its lower
// part, where the right-hand column begins, the edge of a cropped page.
inline constexpr double kMarginTop = 0.08;
inline constexpr double kMarginFoot = 0.92;
inline constexpr double kLowFrom = 0.6;
inline constexpr double kRightColumnFrom = 0.48;
inline constexpr double kCroppedEdge = 0.02;
// Journal data this many sizes above or below a block stands next to it.
inline constexpr double kJournalDataReach = 2;
// Agreement with the metadata title: this similarity, or one text holding
// the other that is at least this share of it and this long.
inline constexpr double kMetadataSimilarity = 0.85;
inline constexpr double kMetadataContainedShare = 0.6;
inline constexpr std::size_t kMetadataContainedLetters = 8;

// ------------------------------------------------------ first section
// A numbered heading over running text: the text begins within this many
// of the heading's sizes, in the running text's size.
inline constexpr double kHeadingGap = 3;
inline constexpr double kBodySizeTolerance = 0.05;
// Headings of the outline's sections share one size.
inline constexpr double kHeadingSizeTolerance = 0.1;
inline constexpr std::size_t kHeadingMaxWords = 10;

// ---------------------------------------------------- the title itself
// A first page's title is clear at this score; a later page's title wins
// over a first page without one at this score.
inline constexpr double kClearTitleScore = 1.15;
inline constexpr double kLaterPageTitleScore = 1.2;
// More of the title under it: of similar size, within this many sizes.
inline constexpr double kTitleSizeTolerance = 0.07;
inline constexpr double kTitleLineGap = 1.6;
// A subtitle: within this many of the title's sizes, at least this many
// times the running text (or bold).
inline constexpr double kSubtitleGap = 1.2;
inline constexpr double kSubtitleSize = 1.05;
// A later page's title that the first page holds too (this similar) is
// no title of a later paper.
inline constexpr double kSameTextSimilarity = 0.85;
// A longer reading of the title must agree better with the metadata by
// this much.
inline constexpr double kMetadataTrialMargin = 0.02;

}  // namespace tidemark::refined::tuning
