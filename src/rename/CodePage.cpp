#include "rename/CodePage.h"

namespace tidemark {

namespace {

char asciiLower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

void SingleByteCodePage::toLower(std::string &text) const
{
    for (char &c : text) {
        c = asciiLower(c);
    }
}

void CodePage936::toLower(std::string &text) const
{
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (isLeadByte(static_cast<unsigned char>(text[i]))) {
            ++i;  // the trail byte may be in A-Z, but it is no letter
        } else {
            text[i] = asciiLower(text[i]);
        }
    }
}

}  // namespace tidemark
