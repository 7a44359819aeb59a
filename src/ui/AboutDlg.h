#pragma once

#include "framework/Dialog.h"

namespace tidemark {

// The About box: name, version, maker and contact, shown as the template has them.
class CAboutDlg : public CDialog {
public:
    CAboutDlg();

protected:
    BOOL OnInitDialog() override;
};

}  // namespace tidemark
