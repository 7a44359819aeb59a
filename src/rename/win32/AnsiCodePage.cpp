#include "rename/win32/AnsiCodePage.h"

#include <windows.h>

namespace tidemark {

bool AnsiCodePage::isLeadByte(unsigned char byte) const
{
    return IsDBCSLeadByte(byte) != FALSE;
}

void AnsiCodePage::toLower(std::string &text) const
{
    if (!text.empty()) {
        CharLowerBuffA(text.data(), static_cast<DWORD>(text.size()));
    }
}

const CodePage &systemCodePage()
{
    static const AnsiCodePage codePage;
    return codePage;
}

}  // namespace tidemark
