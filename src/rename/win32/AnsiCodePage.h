#pragma once

#include <string>

#include "rename/CodePage.h"

namespace tidemark {

// The ANSI code page that Windows file names of the "A" calls are in.
class AnsiCodePage final : public CodePage {
public:
    bool isLeadByte(unsigned char byte) const override;
    void toLower(std::string &text) const override;
};

}  // namespace tidemark
