// The case of letters from the system's Unicode tables. Letters outside the
// basic plane have no case here.
#include <windows.h>

#include "title/refined/Text.h"

namespace tidemark::refined {

namespace {

WORD characterType(char32_t c)
{
    WORD type = 0;
    const wchar_t w = static_cast<wchar_t>(c);
    if (c > 0xFFFF || !GetStringTypeW(CT_CTYPE1, &w, 1, &type)) {
        return 0;
    }
    return type;
}

}  // namespace

bool isUpper(char32_t c)
{
    return (characterType(c) & C1_UPPER) != 0;
}

bool isLower(char32_t c)
{
    return (characterType(c) & C1_LOWER) != 0;
}

char32_t toLower(char32_t c)
{
    if (c > 0xFFFF || (c >= 0xD800 && c <= 0xDFFF)) {
        return c;
    }
    const wchar_t in = static_cast<wchar_t>(c);
    wchar_t out = in;
    return LCMapStringW(LOCALE_INVARIANT, LCMAP_LOWERCASE, &in, 1, &out, 1) == 1 ? out : c;
}

}  // namespace tidemark::refined
