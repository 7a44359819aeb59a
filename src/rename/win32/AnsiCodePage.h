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

// A UTF-8 title in the ANSI code page, character by character: as it is
// where the code page has the character, else by its nearest match in the
// page (the letter without its accents or stroke: "\xC5\x81\xC3\xB3d\xC5\xBA"
// becomes "L\xF3" "dz" in code page 1252), never by a character that file names
// refuse. A character with no match is left out; when that costs more than
// a third of the title's letters, nothing of the title is left (empty): a
// name made of what remains would mislead more than the old name.
std::string ansiFromUtf8Title(const std::string &utf8);

}  // namespace tidemark
