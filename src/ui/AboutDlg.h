#pragma once

#include "framework/Dialog.h"

namespace tidemark {

// The About box: name, version, maker and contact, shown as the template
// has them, in the middle of the screen under the pointer.
class CAboutDlg : public CDialog {
public:
    CAboutDlg();

protected:
    BOOL OnInitDialog() override;
};

}  // namespace tidemark
