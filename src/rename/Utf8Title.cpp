#include "rename/Utf8Title.h"

#include "common/Utf8.h"
#include "rename/FileSystem.h"

namespace tidemark {

namespace {

bool isSpaceLike(char32_t c)
{
    return c == U' ' || c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0xA0 || c == 0x3000 ||
           (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029;
}

// Marks with no width, and what stands for an undecodable byte.
bool isInvisible(char32_t c)
{
    return c == 0xFFFD || c == 0xFEFF || (c >= 0x200B && c <= 0x200F);
}

}  // namespace

void SanitizeUtf8Title(std::string &utf8)
{
    std::string out;
    out.reserve(utf8.size());
    auto space = [&out] {
        if (!out.empty() && out.back() != ' ') {
            out += ' ';
        }
    };
    for (std::size_t i = 0; i < utf8.size();) {
        const char32_t c = decodeUtf8(utf8, i);
        switch (c) {
        case U':':
        case 0xFF1A:  // fullwidth colon
            space();
            out += '-';
            break;
        case U'"':
            out += '\'';
            break;
        case U'/':
        case U'\\':
        case 0x2044:  // fraction slash
        case 0x2215:  // division slash
        case 0xFF0F:  // fullwidth solidus
        case 0xFF3C:  // fullwidth reverse solidus
            out += '-';
            break;
        case U'?':
        case U'*':
            break;
        default:
            if (isSpaceLike(c)) {
                space();
            } else if (!isInvisible(c)) {
                appendUtf8(out, c);
            }
        }
    }
    // Dots and spaces at the end vanish from Windows names, and a dot in
    // front hides a POSIX file.
    std::size_t begin = out.find_first_not_of(". ");
    std::size_t end = out.find_last_not_of(". -");
    utf8 = begin == std::string::npos || end == std::string::npos || end < begin ? std::string()
                                                                                : out.substr(begin, end - begin + 1);
}

bool Utf8ToLatin1(const std::string &utf8, std::string &latin1)
{
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        const char32_t c = decodeUtf8(utf8, i);
        if (c > 0xFF) {
            return false;
        }
        out += static_cast<char>(c);
    }
    latin1 = std::move(out);
    return true;
}

std::string FileSystem::nameFromUtf8Title(const std::string &utf8) const
{
    // A title that Latin-1 can hold takes the way every title took before;
    // others are UTF-8 already, as POSIX names are.
    std::string latin1;
    return Utf8ToLatin1(utf8, latin1) ? nameFromTitle(latin1) : utf8;
}

}  // namespace tidemark
