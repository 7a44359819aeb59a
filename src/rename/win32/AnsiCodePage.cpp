#include "rename/win32/AnsiCodePage.h"

#include <windows.h>

#include <cstring>
#include <cwctype>

namespace tidemark {

bool AnsiCodePage::isLeadByte(unsigned char byte) const
{
    return IsDBCSLeadByte(byte) != FALSE;
}

void AnsiCodePage::toLower(std::string &text) const
{
    if (!text.empty()) {
        CharLowerBuffA(text.data(), static_cast<DWORD>(text.size()));
    }
}

std::string ansiFromUtf8Title(const std::string &utf8)
{
    const int wideLength = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    if (wideLength <= 0) {
        return {};
    }
    std::wstring wide(static_cast<std::size_t>(wideLength), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), wideLength);
    if (GetACP() == CP_UTF8) {
        return utf8;  // the system's names are UTF-8 already
    }
    std::string out;
    std::size_t letters = 0, lost = 0;
    for (std::size_t i = 0; i < wide.size();) {
        // One character: a surrogate pair takes two units.
        const std::size_t units = (wide[i] >= 0xD800 && wide[i] <= 0xDBFF && i + 1 < wide.size()) ? 2 : 1;
        const wchar_t first = wide[i];
        char bytes[8];
        BOOL usedDefault = FALSE;
        const int n = WideCharToMultiByte(CP_ACP, 0, wide.data() + i, static_cast<int>(units), bytes, sizeof bytes,
                                          nullptr, &usedDefault);
        i += units;
        const bool letter = first > 0x7F || std::iswalnum(first);
        letters += letter ? 1 : 0;
        if (n <= 0 || usedDefault) {
            lost += letter ? 1 : 0;
            if (!out.empty() && out.back() != ' ') {
                out += ' ';
            }
            continue;
        }
        // The nearest match of a look-alike may be a separator or another
        // character that names refuse (a fullwidth solidus becomes '/').
        if (n == 1 && static_cast<wchar_t>(static_cast<unsigned char>(bytes[0])) != first &&
            std::strchr("\\/:*?\"<>|", bytes[0]) != nullptr) {
            continue;
        }
        out.append(bytes, static_cast<std::size_t>(n));
    }
    if (3 * lost > letters) {
        return {};
    }
    const std::size_t begin = out.find_first_not_of(' ');
    const std::size_t end = out.find_last_not_of(' ');
    std::string result = begin == std::string::npos ? std::string() : out.substr(begin, end - begin + 1);
    std::string collapsed;
    for (char c : result) {
        if (c != ' ' || collapsed.empty() || collapsed.back() != ' ') {
            collapsed += c;
        }
    }
    return collapsed;
}

const CodePage &systemCodePage()
{
    static const AnsiCodePage codePage;
    return codePage;
}

}  // namespace tidemark
