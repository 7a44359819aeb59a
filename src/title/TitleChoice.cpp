#include "title/TitleChoice.h"

#include <algorithm>

namespace tidemark {

std::string joinLines(const std::vector<std::string> &lines)
{
    std::string text;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (i > 0) {
            text += ' ';
        }
        text += lines[i];
    }
    return text;
}

size_t longestWordLength(const std::string &text)
{
    size_t longest = 0;
    size_t current = 0;
    for (char c : text) {
        if (c == ' ') {
            current = 0;
        } else {
            longest = std::max(longest, ++current);
        }
    }
    return longest;
}

bool looksIncomplete(const std::string &title)
{
    if (title.empty()) {
        return false;
    }
    if (title.back() == ':') {
        return true;
    }
    if (title.size() <= 4) {
        return false;
    }
    const char *end = title.data() + title.size() - 3;
    return end[0] == ' ' && (end[1] == 't' || end[1] == 'T') && (end[2] == 'o' || end[2] == 'O');
}

std::string chooseTitle(TitleBlockList &blocks, int abstractPage)
{
    std::string title;
    if (blocks.empty()) {
        return title;
    }
    std::stable_sort(blocks.begin(), blocks.end(),
                     [](const TitleBlock &a, const TitleBlock &b) { return a.fontSize > b.fontSize; });

    // The largest block of the title page with more than two bytes; shorter
    // ones (a decorative initial, say) are passed over but leave their text.
    auto it = blocks.begin();
    bool found = false;
    for (; it != blocks.end(); ++it) {
        if (it->page != abstractPage) {
            continue;
        }
        title = joinLines(it->lines);
        if (title.size() > 2) {
            found = true;
            break;
        }
    }

    if (found) {
        const int titleSize = it->fontSize;
        // Further blocks of the title's size, on any page, unless they are
        // made only of single letters (a line of initials).
        for (++it; it != blocks.end() && it->fontSize == titleSize; ++it) {
            std::string text = joinLines(it->lines);
            if (longestWordLength(text) > 1) {
                title += ' ';
                title += text;
            }
        }
        // A title cut off after a colon or " to" takes the block after the
        // next smaller one; the one right after it is an author line, mostly.
        if (it != blocks.end() && looksIncomplete(title)) {
            auto completion = std::next(it);
            if (completion != blocks.end()) {
                title += ' ';
                title += joinLines(completion->lines);
            }
        }
    }

    if (!title.empty() && title.back() == '.') {
        title.pop_back();
    }
    return title;
}

}  // namespace tidemark
