#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace tidemark {

// What a paper's file name can be made of, as the refined rule reads it
// from the page. UTF-8; a field the page does not show is empty.
struct NameFields {
    std::string title;
    std::vector<std::string> families;  // the authors' family names, in printed order
    std::string year;
};

// A file name made of fields, such as "[{author} ][{year} - ]{title}":
//   {title}    the title; {title:N} its first N words
//   {author}   the first author's family name
//   {authors}  up to three family names ("Smith", "Smith and Jones",
//              "Smith, Jones and Lee"), then "et al." for more
//   {year}     the year of publication
// Text in square brackets is dropped, with the fields in it, when one of
// those fields is empty; brackets may stand within brackets, and a group
// within a group goes with it, but not the other way round:
// "[{author}[ {year}] - ]{title}" gives "Smith 2019 - Title", "Smith -
// Title" or "Title". Every template holds the title.
class NameTemplate {
public:
    // The template of `text`; nothing, with `why` saying what is wrong,
    // when it is not a template.
    static std::optional<NameTemplate> parse(const std::string &text, std::string &why);

    // The file name stem for `fields`, cleaned as a title is and no longer
    // than `maxBytes`: a name too long loses words at the end of the title
    // (and, should one word still be too long, characters of it), never a
    // byte of the other fields or of the template's own text. Empty when
    // the title is.
    std::string render(const NameFields &fields, std::size_t maxBytes = kMaxStemBytes) const;

    // The template just as it was written.
    const std::string &text() const { return text_; }

    // 255 bytes make the longest name most file systems take (ext4,
    // NTFS counting UTF-16 units, which are never more than UTF-8 bytes);
    // the stem leaves room for ".pdf".
    static constexpr std::size_t kMaxStemBytes = 255 - 4;

private:
    enum class Field { kText, kTitle, kAuthor, kAuthors, kYear };
    struct Piece {
        Field field = Field::kText;
        std::string text;      // for kText
        std::size_t words = 0;  // for kTitle: 0 for every word
        int group = -1;         // the innermost group it stands in, -1 for none
    };

    std::string compose(const NameFields &fields, std::size_t titleWords, std::size_t titleBytes) const;

    std::string text_;
    std::vector<Piece> pieces_;
    std::vector<int> parents_;  // for each group, the group it stands in (-1 for none)
};

// Why `text` is not a name template; empty when it is one.
std::string CheckNameTemplate(const std::string &text);

// The authors as {authors} writes them.
std::string JoinFamilies(const std::vector<std::string> &families);

}  // namespace tidemark
