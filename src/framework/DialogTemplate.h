#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace tidemark {

// The font a dialog template names (DS_SETFONT).
struct DialogFont {
    WORD pointSize = 0;
    WORD weight = 0;
    BYTE italic = 0;
    BYTE charset = DEFAULT_CHARSET;
    std::wstring face;
};

// The font of dialog template `id` of the program's resources; nothing
// when it names none.
std::optional<DialogFont> ResourceDialogFont(UINT id);

// Rewrites the template at `dialog` (a DLGTEMPLATE or DLGTEMPLATEEX in
// writable memory) to use `font`, moving its controls to follow the new
// face name. Done only when the template does not grow, so that it stays
// within its memory; a plain DLGTEMPLATE has no room for weight, italic and
// character set and keeps only size and face. False when nothing changed.
bool ReplaceDialogFont(void *dialog, const DialogFont &font);

}  // namespace tidemark
