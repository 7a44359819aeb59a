#pragma once

#include <cstddef>

// The refined rule's numbers, in one place. Sizes are in points or in
// multiples of a type size; shares of the page are fractions of its width
// or height. Each names the rows of the generated layouts
// (tests/title/RefinedTitleTest.cpp) that fail when it is a quarter lower
// or a third higher; "none yet" marks a number that no layout pins down.
namespace tidemark::refined::tuning {

// ------------------------------------------------------------ lines
// Pieces of one printed line: on one baseline (within this share of the
// size), of similar size, no further apart than the gap after.
inline constexpr double kFragmentBaseline = 0.2;  // none yet
inline constexpr double kFragmentSizeTolerance = 0.12;  // none yet
inline constexpr double kFragmentGapBefore = -0.2;  // none yet
inline constexpr double kFragmentGapAfter = 1.5;  // letterSpaced
// Letter-spaced text: a gap wider than the letters' by this share of the
// size is a space.
inline constexpr double kWordGapExtra = 0.12;  // none yet
// The next line of one text: of similar size, its baseline this many
// sizes below.
inline constexpr double kLineSizeTolerance = 0.07;  // none yet
inline constexpr double kLinePitchMin = 0.75;  // none yet
inline constexpr double kLinePitchMax = 1.75;  // none yet
// A mark that points to a note: smaller than its line, or raised by this
// share of the size.
inline constexpr double kNoteMarkSize = 0.8;  // none yet
inline constexpr double kRaisedMark = 0.2;  // none yet
// Running text: segments of this many lines and characters at least.
inline constexpr std::size_t kParagraphLines = 3;  // none yet
inline constexpr std::size_t kParagraphCharacters = 120;  // none yet

// ------------------------------------------------- list of contents
// A page number after a gap this many times its size.
inline constexpr double kContentsNumberGap = 2.5;  // none yet
// Pieces of one row: baselines within this share of the size.
inline constexpr double kContentsRowBaseline = 0.3;  // none yet

// ------------------------------------------------------- rejections
// A form's label and its value: baselines within this share of the size.
inline constexpr double kFieldLabelBaseline = 0.2;  // none yet
// An abstract that opens its paragraph: no larger than this many times
// the running text.
inline constexpr double kAbstractParagraphSize = 1.25;  // none yet
// No title has more words, lines or characters.
// (characters).
inline constexpr std::size_t kTitleMaxWords = 40;  // none yet
inline constexpr std::size_t kTitleMaxLines = 6;  // none yet
inline constexpr std::size_t kTitleMaxCharacters = 500;  // none yet
// Type of the running text's size, within these shares.
inline constexpr double kSmallerThanText = 0.97;  // boldTitleInTextSize, fieldLabels, publisherAtTheFoot
inline constexpr double kTextSize = 1.03;  // textOnlyFirstPage

// ----------------------------------------------------------- signals
// Factors of the score (Scoring.cpp).
inline constexpr double kBoldFactor = 1.08;  // boldTitleInTextSize, cmBrightRegular, outline, seriesName, subsetTaggedBold
inline constexpr double kAfterBoundaryFactor = 0.2;  // none yet
inline constexpr double kMarginFactor = 0.5;  // none yet
inline constexpr double kLowFactor = 0.8;  // publisherAtTheFoot
inline constexpr double kNextToJournalDataFactor = 0.3;  // none yet
inline constexpr double kMetadataFactor = 2.5;  // none yet
// The bands of the page: its margins at the top and the foot, its lower
// part, where the right-hand column begins, the edge of a cropped page.
inline constexpr double kMarginTop = 0.08;  // most rows (the title falls into the margin)
inline constexpr double kMarginFoot = 0.92;  // none yet
inline constexpr double kLowFrom = 0.6;  // publisherAtTheFoot
inline constexpr double kRightColumnFrom = 0.48;  // sectionInTheRightColumn
inline constexpr double kCroppedEdge = 0.02;  // none yet
// Journal data this many sizes above or below a block stands next to it.
inline constexpr double kJournalDataReach = 2;  // masthead, doiMasthead
// Agreement with the metadata title: this similarity, or one text holding
// the other that is at least this share of it and this long.
inline constexpr double kMetadataSimilarity = 0.85;  // none yet
inline constexpr double kMetadataContainedShare = 0.6;  // none yet
inline constexpr std::size_t kMetadataContainedLetters = 8;  // none yet

// ------------------------------------------------------ first section
// A numbered heading over running text: the text begins within this many
// of the heading's sizes, in the running text's size.
inline constexpr double kHeadingGap = 3;  // none yet
inline constexpr double kBodySizeTolerance = 0.05;  // none yet
// Headings of the outline's sections share one size.
inline constexpr double kHeadingSizeTolerance = 0.1;  // none yet
inline constexpr std::size_t kHeadingMaxWords = 10;  // none yet

// ---------------------------------------------------- the title itself
// A first page's title is clear at this score; a later page's title wins
// over a first page without one at this score.
inline constexpr double kClearTitleScore = 1.15;  // none yet
inline constexpr double kLaterPageTitleScore = 1.2;  // none yet
// More of the title under it: of similar size, within this many sizes.
inline constexpr double kTitleSizeTolerance = 0.07;  // none yet
inline constexpr double kTitleLineGap = 1.6;  // none yet
// A subtitle: within this many of the title's sizes, at least this many
// times the running text (or bold).
inline constexpr double kSubtitleGap = 1.2;  // none yet
inline constexpr double kSubtitleSize = 1.05;  // none yet
// A later page's title that the first page holds too (this similar) is
// no title of a later paper.
inline constexpr double kSameTextSimilarity = 0.85;  // none yet
// A longer reading of the title must agree better with the metadata by
// this much.
inline constexpr double kMetadataTrialMargin = 0.02;  // none yet

}  // namespace tidemark::refined::tuning
