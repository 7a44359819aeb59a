// The case of letters from the C library's Unicode tables, in its locale for
// Unicode text (whatever locale the user has chosen).
#include <clocale>
#include <cwctype>

#include <locale.h>
#include <wctype.h>

#include "title/refined/Text.h"

namespace tidemark::refined {

namespace {

locale_t unicodeLocale()
{
    static const locale_t locale = [] {
        locale_t l = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
        return l != static_cast<locale_t>(nullptr) ? l : newlocale(LC_CTYPE_MASK, "C", static_cast<locale_t>(nullptr));
    }();
    return locale;
}

}  // namespace

bool isUpper(char32_t c)
{
    return iswupper_l(static_cast<wint_t>(c), unicodeLocale()) != 0;
}

bool isLower(char32_t c)
{
    return iswlower_l(static_cast<wint_t>(c), unicodeLocale()) != 0;
}

char32_t toLower(char32_t c)
{
    return static_cast<char32_t>(towlower_l(static_cast<wint_t>(c), unicodeLocale()));
}

}  // namespace tidemark::refined
