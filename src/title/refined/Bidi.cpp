#include "title/refined/Bidi.h"

#include <vector>

#include <fribidi.h>

namespace tidemark::refined {

std::u32string logicalOrder(std::u32string visual)
{
    std::size_t rightToLeft = 0, leftToRight = 0;
    for (char32_t c : visual) {
        const FriBidiCharType type = fribidi_get_bidi_type(c);
        if (FRIBIDI_IS_LETTER(type)) {
            ++(FRIBIDI_IS_RTL(type) ? rightToLeft : leftToRight);
        }
    }
    if (rightToLeft == 0) {
        return visual;
    }
    // Reordering is its own inverse for a line of one direction with runs
    // of the other inside: the runs that the algorithm reverses to show a
    // text are the runs that read backwards on the page.
    static_assert(sizeof(FriBidiChar) == sizeof(char32_t));
    const auto *text = reinterpret_cast<const FriBidiChar *>(visual.data());
    const auto length = static_cast<FriBidiStrIndex>(visual.size());
    std::vector<FriBidiCharType> types(visual.size());
    std::vector<FriBidiBracketType> brackets(visual.size());
    std::vector<FriBidiLevel> levels(visual.size());
    fribidi_get_bidi_types(text, length, types.data());
    fribidi_get_bracket_types(text, length, types.data(), brackets.data());
    FriBidiParType direction = rightToLeft >= leftToRight ? FRIBIDI_PAR_RTL : FRIBIDI_PAR_LTR;
    if (fribidi_get_par_embedding_levels_ex(types.data(), brackets.data(), length, &direction, levels.data()) == 0) {
        return visual;
    }
    std::u32string logical = visual;
    auto *out = reinterpret_cast<FriBidiChar *>(logical.data());
    fribidi_shape_mirroring(levels.data(), length, out);
    if (fribidi_reorder_line(FRIBIDI_FLAG_REORDER_NSM, types.data(), length, 0, direction, levels.data(), out,
                             nullptr) == 0) {
        return visual;  // out of memory: the text as it stands
    }
    return logical;
}

}  // namespace tidemark::refined
