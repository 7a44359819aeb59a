#include "title/refined/Bidi.h"

#include <algorithm>
#include <vector>

#include <fribidi.h>

namespace tidemark::refined {

std::u32string logicalOrder(std::u32string visual)
{
    // No script before Hebrew (U+0590) runs from right to left: most lines
    // are passed over at a glance.
    if (std::none_of(visual.begin(), visual.end(), [](char32_t c) {
            return c >= 0x590 && FRIBIDI_IS_RTL(fribidi_get_bidi_type(c)) && FRIBIDI_IS_LETTER(fribidi_get_bidi_type(c));
        })) {
        return visual;
    }
    std::size_t rightToLeft = 0, leftToRight = 0;
    for (char32_t c : visual) {
        const FriBidiCharType type = fribidi_get_bidi_type(c);
        if (FRIBIDI_IS_LETTER(type)) {
            ++(FRIBIDI_IS_RTL(type) ? rightToLeft : leftToRight);
        }
    }
    // Reordering is its own inverse for a line of one direction with runs
    // of the other inside: the runs that the algorithm reverses to show a
    // text are the runs that read backwards on the page.
    std::vector<FriBidiChar> text(visual.begin(), visual.end());
    const auto length = static_cast<FriBidiStrIndex>(text.size());
    std::vector<FriBidiCharType> types(text.size());
    std::vector<FriBidiBracketType> brackets(text.size());
    std::vector<FriBidiLevel> levels(text.size());
    fribidi_get_bidi_types(text.data(), length, types.data());
    fribidi_get_bracket_types(text.data(), length, types.data(), brackets.data());
    FriBidiParType direction = rightToLeft >= leftToRight ? FRIBIDI_PAR_RTL : FRIBIDI_PAR_LTR;
    if (fribidi_get_par_embedding_levels_ex(types.data(), brackets.data(), length, &direction, levels.data()) == 0) {
        return visual;
    }
    fribidi_shape_mirroring(levels.data(), length, text.data());
    if (fribidi_reorder_line(FRIBIDI_FLAG_REORDER_NSM, types.data(), length, 0, direction, levels.data(),
                             text.data(), nullptr) == 0) {
        return visual;  // out of memory: the text as it stands
    }
    return std::u32string(text.begin(), text.end());
}

}  // namespace tidemark::refined
