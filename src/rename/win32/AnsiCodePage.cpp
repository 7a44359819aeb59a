#include "rename/win32/AnsiCodePage.h"

#include <windows.h>

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

namespace {

// The character in the ANSI code page, exactly; empty when the page lacks it.
std::string exactly(const wchar_t *c, int units)
{
    char bytes[8];
    BOOL usedDefault = FALSE;
    const int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, c, units, bytes, sizeof bytes, nullptr,
                                      &usedDefault);
    return n > 0 && !usedDefault ? std::string(bytes, static_cast<std::size_t>(n)) : std::string();
}

// Letters with a stroke or a bar have no decomposition to fall back on.
wchar_t strokeless(wchar_t c)
{
    switch (c) {
    case 0x0141: return L'L';  // L with stroke
    case 0x0142: return L'l';
    case 0x0110: return L'D';  // D with stroke
    case 0x0111: return L'd';
    case 0x0126: return L'H';  // H with stroke
    case 0x0127: return L'h';
    case 0x0131: return L'i';  // dotless i
    case 0x0166: return L'T';  // T with stroke
    case 0x0167: return L't';
    case 0x00D8: return L'O';  // O with stroke
    case 0x00F8: return L'o';
    case 0x2010: case 0x2011: case 0x2012: case 0x2013: case 0x2014: return L'-';
    case 0x2018: case 0x2019: case 0x201C: case 0x201D: return L'\'';
    default: return 0;
    }
}

// The nearest character the ANSI code page has: the letter without its
// accents (from the compatibility decomposition), or without its stroke.
// Never a character that names refuse.
std::string nearest(const wchar_t *c, int units)
{
    wchar_t decomposed[16];
    const int n = NormalizeString(NormalizationKD, c, units, decomposed, 16);
    std::string out;
    if (n > 0) {
        // The base letters of the decomposition, marks left out.
        for (int k = 0; k < n; ++k) {
            const wchar_t d = decomposed[k];
            if (d >= 0x0300 && d <= 0x036F) {
                continue;
            }
            const std::string part = exactly(&d, 1);
            if (part.empty()) {
                out.clear();
                break;
            }
            out += part;
        }
    }
    if (out.empty() && units == 1) {
        if (const wchar_t plain = strokeless(c[0])) {
            out = exactly(&plain, 1);
        }
    }
    if (out.find_first_of("\\/:*?\"<>|") != std::string::npos) {
        out.clear();
    }
    return out;
}

}  // namespace

std::string ansiFromUtf8Title(const std::string &utf8)
{
    if (GetACP() == CP_UTF8) {
        return utf8;  // the system's names are UTF-8 already
    }
    const int wideLength = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    if (wideLength <= 0) {
        return {};
    }
    std::wstring wide(static_cast<std::size_t>(wideLength), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), wideLength);
    std::string out;
    std::size_t letters = 0, lost = 0;
    for (std::size_t i = 0; i < wide.size();) {
        // One character: a surrogate pair takes two units.
        const int units = (wide[i] >= 0xD800 && wide[i] <= 0xDBFF && i + 1 < wide.size()) ? 2 : 1;
        const wchar_t *c = wide.data() + i;
        i += static_cast<std::size_t>(units);
        const bool letter = c[0] > 0x7F || std::iswalnum(c[0]);
        letters += letter ? 1 : 0;
        std::string bytes = exactly(c, units);
        if (bytes.empty()) {
            bytes = nearest(c, units);
        }
        if (bytes.empty()) {
            lost += letter ? 1 : 0;
            if (!out.empty() && out.back() != ' ') {
                out += ' ';
            }
            continue;
        }
        if (bytes == " " && (out.empty() || out.back() == ' ')) {
            continue;
        }
        out += bytes;
    }
    if (3 * lost > letters) {
        return {};
    }
    while (!out.empty() && out.back() == ' ') {
        out.pop_back();
    }
    return out;
}

const CodePage &systemCodePage()
{
    static const AnsiCodePage codePage;
    return codePage;
}

}  // namespace tidemark
