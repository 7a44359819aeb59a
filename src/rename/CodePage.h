#pragma once

#include <string>

namespace tidemark {

// The character set that file names are written in, as far as building a
// target name needs it. On Windows that is the ANSI code page, which may be
// a double-byte one (Chinese, Japanese, Korean): there a byte sequence must
// only be matched where a character begins, or the second byte of a
// character could be taken for a backslash or a dot.
class CodePage {
public:
    virtual ~CodePage() = default;
    // True when `byte` opens a two-byte character (the next byte belongs to it).
    virtual bool isLeadByte(unsigned char byte) const = 0;
    // Lower-cases `text` in place, leaving every byte count unchanged.
    virtual void toLower(std::string &text) const = 0;
};

// One byte per character; lower-cases A-Z only. The code page of POSIX
// builds, whose file names are UTF-8: continuation bytes are left alone.
class SingleByteCodePage final : public CodePage {
public:
    bool isLeadByte(unsigned char) const override { return false; }
    void toLower(std::string &text) const override;
};

// Simplified Chinese (GBK): bytes 0x81-0xFE open a two-byte character. Lets
// the double-byte rules be checked on any system; lower-cases A-Z outside
// two-byte characters.
class CodePage936 final : public CodePage {
public:
    bool isLeadByte(unsigned char byte) const override { return byte >= 0x81 && byte <= 0xFE; }
    void toLower(std::string &text) const override;
};

// The code page that file names of this system are written in: the ANSI
// code page on Windows, single bytes elsewhere. Lives as long as the program.
const CodePage &systemCodePage();

}  // namespace tidemark
