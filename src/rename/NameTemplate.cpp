#include "rename/NameTemplate.h"

#include <algorithm>

#include "rename/Utf8Title.h"

namespace tidemark {

namespace {

std::vector<std::string> splitWords(const std::string &text)
{
    std::vector<std::string> words;
    std::size_t begin = 0;
    while (begin < text.size()) {
        const std::size_t space = text.find(' ', begin);
        const std::size_t end = space == std::string::npos ? text.size() : space;
        if (end > begin) {
            words.push_back(text.substr(begin, end - begin));
        }
        begin = end + 1;
    }
    return words;
}

// At most `limit` bytes of UTF-8 `text`, cut where a character begins.
std::string cutBytes(const std::string &text, std::size_t limit)
{
    if (text.size() <= limit) {
        return text;
    }
    std::size_t end = limit;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) {
        --end;
    }
    return text.substr(0, end);
}

}  // namespace

std::string JoinFamilies(const std::vector<std::string> &families)
{
    std::string out;
    const std::size_t shown = std::min<std::size_t>(families.size(), 3);
    for (std::size_t i = 0; i < shown; ++i) {
        if (i > 0) {
            out += i + 1 == shown && families.size() <= 3 ? " and " : ", ";
        }
        out += families[i];
    }
    if (families.size() > 3) {
        out += " et al.";
    }
    return out;
}

std::optional<NameTemplate> NameTemplate::parse(const std::string &text, std::string &why)
{
    NameTemplate t;
    t.text_ = text;
    int group = -1;
    bool title = false;
    std::string literal;
    const auto flush = [&] {
        if (!literal.empty()) {
            t.pieces_.push_back({Field::kText, literal, 0, group});
            literal.clear();
        }
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '[') {
            flush();
            t.parents_.push_back(group);
            group = static_cast<int>(t.parents_.size()) - 1;
        } else if (c == ']') {
            if (group < 0) {
                why = "a ']' without its '['";
                return std::nullopt;
            }
            flush();
            group = t.parents_[static_cast<std::size_t>(group)];
        } else if (c == '{') {
            const std::size_t close = text.find('}', i);
            if (close == std::string::npos) {
                why = "a '{' without its '}'";
                return std::nullopt;
            }
            const std::string name = text.substr(i + 1, close - i - 1);
            Piece piece{Field::kText, {}, 0, group};
            if (name == "title") {
                piece.field = Field::kTitle;
            } else if (name.rfind("title:", 0) == 0 && name.size() > 6 && name.size() <= 9 &&
                       name.find_first_not_of("0123456789", 6) == std::string::npos && name[6] != '0') {
                piece.field = Field::kTitle;
                piece.words = std::stoul(name.substr(6));
            } else if (name == "author") {
                piece.field = Field::kAuthor;
            } else if (name == "authors") {
                piece.field = Field::kAuthors;
            } else if (name == "year") {
                piece.field = Field::kYear;
            } else {
                why = "unknown field '{" + name + "}' (the fields are {title}, {title:N}, {author}, {authors}, {year})";
                return std::nullopt;
            }
            title = title || piece.field == Field::kTitle;
            flush();
            t.pieces_.push_back(piece);
            i = close;
        } else if (c == '}') {
            why = "a '}' without its '{'";
            return std::nullopt;
        } else {
            literal += c;
        }
    }
    if (group >= 0) {
        why = "a '[' without its ']'";
        return std::nullopt;
    }
    flush();
    if (!title) {
        why = "the template has no {title}";
        return std::nullopt;
    }
    return t;
}

std::string CheckNameTemplate(const std::string &text)
{
    std::string why;
    return NameTemplate::parse(text, why) ? std::string() : why;
}

std::string NameTemplate::compose(const NameFields &fields, std::size_t titleWords, std::size_t titleBytes) const
{
    const std::vector<std::string> words = splitWords(fields.title);
    const auto value = [&](const Piece &p) -> std::string {
        switch (p.field) {
        case Field::kText:
            return p.text;
        case Field::kTitle: {
            const std::size_t n = std::min(p.words == 0 ? words.size() : p.words, titleWords);
            std::string out;
            for (std::size_t i = 0; i < std::min(n, words.size()); ++i) {
                out += (i > 0 ? " " : "") + words[i];
            }
            out = cutBytes(out, titleBytes);
            if (n < words.size() || out.size() < fields.title.size()) {
                // A title cut short does not end on the mark that led on.
                while (!out.empty() && std::string(",;:-").find(out.back()) != std::string::npos) {
                    out.pop_back();
                }
            }
            return out;
        }
        case Field::kAuthor:
            return fields.families.empty() ? std::string() : fields.families.front();
        case Field::kAuthors:
            return JoinFamilies(fields.families);
        case Field::kYear:
            return fields.year;
        }
        return {};
    };
    // A group goes when a field that stands in it (not in a group within
    // it) is empty, and with it the groups within it.
    std::vector<bool> dropped(parents_.size(), false);
    for (const Piece &p : pieces_) {
        if (p.group >= 0 && p.field != Field::kText && value(p).empty()) {
            dropped[static_cast<std::size_t>(p.group)] = true;
        }
    }
    const auto shown = [&](int group) {
        for (; group >= 0; group = parents_[static_cast<std::size_t>(group)]) {
            if (dropped[static_cast<std::size_t>(group)]) {
                return false;
            }
        }
        return true;
    };
    std::string out;
    for (const Piece &p : pieces_) {
        if (shown(p.group)) {
            out += value(p);
        }
    }
    SanitizeUtf8Title(out);
    return out;
}

std::string NameTemplate::render(const NameFields &fields, std::size_t maxBytes) const
{
    std::string title = fields.title;
    SanitizeUtf8Title(title);
    if (title.empty()) {
        return {};
    }
    const std::size_t words = splitWords(fields.title).size();
    std::string name = compose(fields, words, fields.title.size());
    // Fewer words of the title while the name is too long, then fewer
    // bytes of its first word.
    for (std::size_t n = words; name.size() > maxBytes && n > 1; --n) {
        name = compose(fields, n - 1, fields.title.size());
    }
    for (std::size_t bytes = fields.title.size(); name.size() > maxBytes && bytes > 1;) {
        bytes -= std::min(bytes - 1, name.size() - maxBytes);
        name = compose(fields, 1, bytes);
    }
    return name;
}

}  // namespace tidemark
