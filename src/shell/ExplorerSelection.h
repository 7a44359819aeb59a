#pragma once

#include <windows.h>

#include <string>

#include "shell/RenameContext.h"

namespace tidemark {

// The folder shown by the Explorer window `foregroundWindow` (by the tab on
// show, in a window with tabs) and the name (as shown in the folder) of its
// focused item. Both are empty when the window is not an Explorer window,
// shows no file-system folder, or has several tabs none of which is on
// show; the name alone is empty when no item has the focus.
void GetExplorerSelection(CRenameContext &context, HWND foregroundWindow, std::string &folderPath,
                          std::string &itemName);

}  // namespace tidemark
