#include "rename/TargetName.h"

#include <cstdio>
#include <utility>
#include <vector>

#include "rename/Utf8Title.h"

namespace tidemark {

namespace {

constexpr std::size_t npos = std::string::npos;

bool isTrimmed(char c)
{
    return c == ' ' || (c >= '\x09' && c <= '\x0D');
}

void trim(std::string &text)
{
    std::size_t end = text.size();
    while (end > 0 && isTrimmed(text[end - 1])) {
        --end;
    }
    std::size_t begin = 0;
    while (begin < end && isTrimmed(text[begin])) {
        ++begin;
    }
    text = text.substr(begin, end - begin);
}

void dropLastIf(std::string &text, char c)
{
    if (!text.empty() && text.back() == c) {
        text.pop_back();
    }
}

// Replaces each occurrence left to right; the search goes on after the
// inserted text, so a row never works on its own output. It goes on at the
// next character: a one-byte needle (0xAE) may be the lead byte of a
// two-byte character, whose trail byte is then kept as it is.
void replaceAll(std::string &text, std::string_view from, std::string_view to, const CodePage &cp)
{
    std::size_t pos = FindInText(text, from, 0, cp);
    if (pos == npos) {
        return;
    }
    std::string out;
    out.reserve(text.size() + to.size());
    std::size_t done = 0;
    while (pos != npos) {
        out.append(text, done, pos - done);
        out.append(to);
        done = pos + from.size();
        std::size_t next = pos;  // the first character after the match
        while (next < done) {
            next += cp.isLeadByte(static_cast<unsigned char>(text[next])) ? 2 : 1;
        }
        pos = FindInText(text, from, next, cp);
    }
    out.append(text, done, npos);
    text = std::move(out);
}

// Removes the sequence until it no longer occurs, as repeated searches from
// the start would: removing bytes can join two halves into a new occurrence
// ("\xE2\xE2\x88\x88"). One pass over the characters with the output as a
// stack gives the same result in linear time: none of the sequences removed
// here overlaps itself, so the order of removals does not matter, and
// removing whole characters leaves the boundaries of the others in place.
// Clipboard text can be long; repeated searches were quadratic.
void removeAll(std::string &text, std::string_view sequence, const CodePage &cp)
{
    if (FindInText(text, sequence, 0, cp) == npos) {
        return;
    }
    std::string out;
    out.reserve(text.size());
    std::vector<std::size_t> starts;  // where each character of `out` begins
    starts.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t width =
            cp.isLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size() ? 2 : 1;
        starts.push_back(out.size());
        out.append(text, i, width);
        i += width;
        if (out.size() >= sequence.size() &&
            std::string_view(out).substr(out.size() - sequence.size()) == sequence) {
            const std::size_t begin = out.size() - sequence.size();
            // Only a match that begins on a character counts; at most
            // sequence.size() characters begin after `begin`.
            auto first = starts.end();
            while (first != starts.begin() && *(first - 1) > begin) {
                --first;
            }
            if (first != starts.begin() && *(first - 1) == begin) {
                starts.erase(first - 1, starts.end());
                out.resize(begin);
            }
        }
    }
    text = std::move(out);
}

bool isAsciiLower(char c)
{
    return c >= 'a' && c <= 'z';
}

// Words set with a space after every letter ("T h e  M o d e l") come out
// of the layout as single letters between spaces. Marks with '?' each space
// that sits between two such letters, and a space before a final lower-case
// letter; the marks go when the question marks are removed. A space after
// '-' is kept: "Low- and high-" keeps its space.
void markLetterSpacing(std::string &s)
{
    const std::size_t length = s.size();
    if (length < 2) {
        return;
    }
    for (std::size_t p = 1; p < length; ++p) {
        if (s[p] != ' ' || s[p - 1] == '-') {
            continue;
        }
        if (p + 2 < length) {
            const bool singleLetter = isAsciiLower(s[p + 1]) && s[p + 2] == ' ';
            if (singleLetter && (p <= 2 || s[p - 2] == ' ' || s[p - 2] == '?')) {
                s[p] = '?';
            }
        } else if (p + 1 < length && isAsciiLower(s[p + 1])) {
            s[p] = '?';
        }
    }
}

struct Replacement {
    std::string_view from;
    std::string_view to;
};

// Separators and characters that file names cannot hold, and what the text
// layer of some PDFs delivers for ligatures, quotes and hyphens.
constexpr Replacement kFirstReplacements[] = {
    {":", " -"},
    {"\"", "'"},
    {"\xA1\xB0", "'"},
    {"\xA1\xB1", "'"},
    {"\\", "-"},
    {"/", "-"},
    {"\xEF\xAC\x82\x61", "fla"},
    {"\xEF\xAC\x81\x63", "fic"},
    {"\xEF\xAC\x82\x6F", "flo"},
    {"\xAD\x42", "-B"},
    {"\x0C", "fi"},
    {"\x0B", "ff"},
    {"\xF6\x62", "ob"},
    {"~4", "W"},
};

constexpr Replacement kSecondReplacements[] = {
    {"\xAE", "(C)"},
    {"\xA8\x20", "o"},
    {"\xA8", "o"},
    {"\xAD", "-"},
};

constexpr Replacement kLineBreaks[] = {
    {"\r\n", " "},
    {"\r", " "},
    {"\n", " "},
};

}  // namespace

std::size_t FindInText(std::string_view text, std::string_view needle, std::size_t from, const CodePage &cp)
{
    if (needle.empty() || needle.size() > text.size()) {
        return npos;
    }
    const std::size_t last = text.size() - needle.size();
    for (std::size_t i = from; i <= last;) {
        if (text.compare(i, needle.size(), needle) == 0) {
            return i;
        }
        i += cp.isLeadByte(static_cast<unsigned char>(text[i])) ? 2 : 1;
    }
    return npos;
}

void SanitizeFileName(std::string &text, const CodePage &cp)
{
    if (!text.empty() && static_cast<unsigned char>(text.back()) >= 0x80) {
        text.pop_back();
    }
    dropLastIf(text, '-');
    dropLastIf(text, '*');
    trim(text);
    for (const Replacement &r : kFirstReplacements) {
        replaceAll(text, r.from, r.to, cp);
    }
    removeAll(text, "?", cp);
    markLetterSpacing(text);
    for (const Replacement &r : kSecondReplacements) {
        replaceAll(text, r.from, r.to, cp);
    }
    for (const Replacement &r : kLineBreaks) {
        replaceAll(text, r.from, r.to, cp);
    }
    removeAll(text, "?", cp);
    removeAll(text, "*", cp);
    removeAll(text, "\xE2\x88", cp);
    trim(text);
}

std::string GetLowerExtension(const std::string &name, const CodePage &cp)
{
    std::size_t dot = npos;
    for (std::size_t pos = FindInText(name, ".", 0, cp); pos != npos; pos = FindInText(name, ".", pos + 1, cp)) {
        dot = pos;
    }
    std::string extension = dot == npos ? name : name.substr(dot);
    cp.toLower(extension);
    return extension;
}

TargetPath MakeTargetPath(const FileSystem &fs, const CodePage &cp, const std::string &folder,
                          const std::string &title, const std::string &fileName, TitleEncoding encoding)
{
    std::string stem = title;
    if (encoding == TitleEncoding::kUtf8) {
        SanitizeUtf8Title(stem);
        stem = stem.empty() ? stem : fs.nameFromUtf8Title(stem);
    } else {
        SanitizeFileName(stem, cp);
        stem = stem.empty() ? stem : fs.nameFromTitle(stem);
    }
    if (stem.empty()) {
        return {TargetPath::Kind::kEmptyStem, {}};
    }
    const std::string extension = GetLowerExtension(fileName, cp);
    if (stem + extension == fileName) {
        return {TargetPath::Kind::kUnchanged, folder + fileName};
    }
    const std::string base = folder + stem;
    std::string path = base + extension;
    for (int n = 1; fs.exists(path); ++n) {
        char suffix[24];
        std::snprintf(suffix, sizeof suffix, "(%d)", n);
        path = base + suffix + extension;
    }
    return {TargetPath::Kind::kNewPath, path};
}

}  // namespace tidemark
