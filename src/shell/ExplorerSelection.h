#pragma once

#include <windows.h>

#include <string>

#include "shell/RenameContext.h"

namespace tidemark {

// The folder shown by the Explorer window `foregroundWindow` and the name
// (as shown in the folder) of its focused item. Both are empty when the
// window is not an Explorer window or shows no file-system folder; the name
// alone is empty when no item has the focus.
void GetExplorerSelection(CRenameContext &context, HWND foregroundWindow, std::string &folderPath,
                          std::string &itemName);

}  // namespace tidemark
