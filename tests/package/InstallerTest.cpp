// The Windows installer and uninstaller as an administrator runs them
// (silently, /S) in a fresh Wine prefix: what they leave on disk, in the
// registry and in the Start menu, and what they do to a Tidemark that runs.
// scripts/test-packages.sh makes the setups and names them:
//   TIDEMARK_SETUP        this version's installer
//   TIDEMARK_OLD_SETUP    the same sources packaged as an older version
//   TIDEMARK_OLD_VERSION  that older version
#include <windows.h>
#include <objbase.h>
#include <prsht.h>
#include <shobjidl.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "PdfWriter.h"
#include "TempDir.h"
#include "TrayFixture.h"

namespace tidemark::testing {
namespace {

const char kInstallDir[] = "C:\\Program Files\\Tidemark";
const char kInstalledExe[] = "C:\\Program Files\\Tidemark\\Tidemark.exe";
const char kInstalledCli[] = "C:\\Program Files\\Tidemark\\tidemark-cli.exe";
const char kUninstaller[] = "C:\\Program Files\\Tidemark\\uninstall.exe";
const char kShortcut[] = "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\Tidemark.lnk";
const char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tidemark";
const char *const kInstalledFiles[] = {"Tidemark.exe", "tidemark-cli.exe",        "uninstall.exe",
                                       "README.txt",   "LICENSE.txt", "THIRD-PARTY-NOTICES.txt"};
constexpr int kStartWithSystemBox = 1004;

std::string environment(const char *name)
{
    char value[MAX_PATH] = "";
    const DWORD length = GetEnvironmentVariableA(name, value, MAX_PATH);
    return length > 0 && length < MAX_PATH ? value : "";
}

bool exists(const std::string &path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string quoted(const std::string &path)
{
    return "\"" + path + "\"";
}

std::string readFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// A REG_SZ value's text, or a sentinel when it is missing or of another type.
std::string text(HKEY root, const char *key, const char *name)
{
    const auto value = readValue(root, key, name);
    if (!value || value->type != REG_SZ || value->bytes.empty() || value->bytes.back() != '\0') {
        return "<no text>";
    }
    return value->bytes.substr(0, value->bytes.size() - 1);
}

RegistryValue stringValue(const std::string &text)
{
    return {REG_SZ, text + '\0'};
}

// The ProductVersion of an executable's version resource.
std::string productVersion(const std::string &exe)
{
    DWORD handle = 0;
    std::string data(GetFileVersionInfoSizeA(exe.c_str(), &handle), '\0');
    char *version = nullptr;
    UINT length = 0;
    if (data.empty() || !GetFileVersionInfoA(exe.c_str(), 0, static_cast<DWORD>(data.size()), data.data()) ||
        !VerQueryValueA(data.data(), "\\StringFileInfo\\040904b0\\ProductVersion", reinterpret_cast<void **>(&version),
                        &length)) {
        return "<none>";
    }
    return version;
}

// The file a shortcut starts, as the shell reads it.
std::string shortcutTarget(const std::string &shortcut)
{
    std::string target = "<unreadable>";
    IShellLinkA *link = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void **>(&link)))) {
        return target;
    }
    IPersistFile *file = nullptr;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void **>(&file)))) {
        const std::wstring path(shortcut.begin(), shortcut.end());
        char buffer[MAX_PATH] = "";
        if (SUCCEEDED(file->Load(path.c_str(), STGM_READ)) &&
            SUCCEEDED(link->GetPath(buffer, MAX_PATH, nullptr, 0))) {
            target = buffer;
        }
        file->Release();
    }
    link->Release();
    return target;
}

std::uint64_t fileSize(const std::string &path)
{
    WIN32_FILE_ATTRIBUTE_DATA data{};
    GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data);
    return (std::uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
}

// The size of some files: all their bytes, and their kilobytes each
// rounded up.
struct Size {
    std::uint64_t bytes = 0, kilobytes = 0;
    void add(std::uint64_t fileBytes)
    {
        bytes += fileBytes;
        kilobytes += (fileBytes + 1023) / 1024;
    }
};

// A Japanese paper whose font has no ToUnicode map: the character maps of
// poppler-data read it.
pdfgen::Document japanesePaper()
{
    pdfgen::PageBuilder b;
    b.line("潮汐観測データの解析入門", 20, pdfgen::kJapanCidFont).gap(6).line("山田 花子", 12, pdfgen::kJapanCidFont);
    for (int i = 0; i < 14; ++i) {
        b.line("本稿では沿岸の潮位観測データを用いて潮汐の変化を解析する", 10, pdfgen::kJapanCidFont, 1.25);
    }
    return {{b.page()}, ""};
}

class InstallerTest : public TrayFixture {
protected:
    void SetUp() override
    {
        TrayFixture::SetUp();
        CoInitialize(nullptr);
        ASSERT_FALSE(exists(kInstallDir)) << "a scenario starts with Tidemark not installed";
        ASSERT_FALSE(environment("TIDEMARK_SETUP").empty()) << "scripts/test-packages.sh names the setups";
    }
    void TearDown() override { CoUninitialize(); }

    // Uninstalls silently. The uninstaller runs on from a copy of itself
    // and returns at once; the entry in Apps & Features goes last.
    void uninstall()
    {
        EXPECT_EQ(runToEnd(quoted(kUninstaller) + " /S").status, 0u);
        EXPECT_TRUE(waitUntil([] { return !valueNames(HKEY_LOCAL_MACHINE, kUninstallKey).has_value(); }));
    }
};

TEST_F(InstallerTest, SilentInstallThenUninstallWhileTidemarkRuns)
{
    ASSERT_EQ(runToEnd(quoted(environment("TIDEMARK_SETUP")) + " /S").status, 0u);

    // What the installed files take: their bytes, and their whole
    // kilobytes, file by file (the most the installer may count).
    Size size;
    for (const char *name : kInstalledFiles) {
        const std::string path = std::string(kInstallDir) + "\\" + name;
        EXPECT_TRUE(exists(path)) << name;
        if (name != std::string("uninstall.exe")) {
            size.add(fileSize(path));
        }
    }
    const std::string maps = std::string(kInstallDir) + "\\poppler-data";
    EXPECT_TRUE(exists(maps + "\\cidToUnicode\\Adobe-Japan1"));
    EXPECT_TRUE(exists(maps + "\\cMap\\Adobe-Japan1\\UniJIS-UCS2-H"));
    std::error_code error;
    for (const auto &entry : std::filesystem::recursive_directory_iterator(maps, error)) {
        if (entry.is_regular_file()) {
            size.add(entry.file_size());
        }
    }
    EXPECT_EQ(productVersion(kInstalledExe), TIDEMARK_VERSION);
    EXPECT_EQ(shortcutTarget(kShortcut), kInstalledExe);

    // The entry of Apps & Features.
    EXPECT_EQ(text(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayName"), "Tidemark");
    EXPECT_EQ(text(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayVersion"), TIDEMARK_VERSION);
    EXPECT_EQ(text(HKEY_LOCAL_MACHINE, kUninstallKey, "Publisher"), "Brightfold");
    EXPECT_EQ(text(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayIcon"), "C:\\Program Files\\Tidemark\\Tidemark.exe,0");
    EXPECT_EQ(text(HKEY_LOCAL_MACHINE, kUninstallKey, "UninstallString"),
              "\"C:\\Program Files\\Tidemark\\uninstall.exe\"");
    EXPECT_EQ(text(HKEY_LOCAL_MACHINE, kUninstallKey, "QuietUninstallString"),
              "\"C:\\Program Files\\Tidemark\\uninstall.exe\" /S");
    const auto estimatedKb = dwordValue(HKEY_LOCAL_MACHINE, kUninstallKey, "EstimatedSize");
    ASSERT_TRUE(estimatedKb.has_value());
    EXPECT_GE(*estimatedKb, size.bytes / 1024);
    EXPECT_LE(*estimatedKb, size.kilobytes + 1);

    // Start with the system, on by default: the path alone, as the
    // program's settings page writes it and recognises it.
    EXPECT_EQ(readValue(HKEY_LOCAL_MACHINE, kRunKey, "Tidemark"), stringValue(kInstalledExe));

    const Finished version = runToEnd(quoted(kInstalledCli) + " --version");
    EXPECT_EQ(version.status, 0u);
    EXPECT_EQ(version.out, "tidemark " TIDEMARK_VERSION "\r\n");

    // The installed program reads Japanese through the character maps
    // installed beside it (the title, in UTF-8).
    {
        TempDir papers;
        pdfgen::writeFile(papers.file("scan.pdf"), japanesePaper());
        const Finished title = runToEnd(quoted(kInstalledCli) + " title " + quoted(papers.file("scan.pdf")));
        EXPECT_EQ(title.status, 0u);
        EXPECT_EQ(title.out, "潮汐観測データの解析入門\r\n");
    }

    // What the user made of the program stays after the uninstall.
    const RegistryValue fileHotkey{REG_DWORD, std::string("Q\0\0\0", 4)};
    writeValue(HKEY_CURRENT_USER, kSettingsKey, "FileRename", fileHotkey);
    const std::string journalFolder = environment("LOCALAPPDATA") + "\\Tidemark";
    const std::string journal = journalFolder + "\\journal";
    CreateDirectoryA(journalFolder.c_str(), nullptr);
    std::ofstream(journal, std::ios::binary) << "{\"run\":1}\n";

    // The entries the settings page writes for users who may not change the
    // machine-wide one: this user's, and another logged-on user's (the
    // uninstaller runs as an administrator, often not the user who set it).
    writeValue(HKEY_CURRENT_USER, kRunKey, "Tidemark", stringValue(kInstalledExe));
    const std::string otherUserRunKey = std::string(".DEFAULT\\") + kRunKey;
    writeValue(HKEY_USERS, otherUserRunKey.c_str(), "Tidemark",
               stringValue("\"C:\\PROGRAM FILES\\Tidemark\\Tidemark.exe\""));

    {
        TidemarkProcess tidemark(kInstalledExe);
        const HWND frame = tidemark.frame();
        ASSERT_NE(frame, nullptr);
        const HWND sheet = openSettings(tidemark, frame);
        ASSERT_NE(sheet, nullptr);
        EXPECT_TRUE(isChecked(currentPage(sheet), kStartWithSystemBox));
        closeSheet(desktop, sheet, PSBTN_CANCEL);

        uninstall();
        // Ended by its Exit command, not killed.
        ASSERT_TRUE(tidemark.waitForEnd());
        EXPECT_EQ(tidemark.exitCode(), 0u);
    }
    EXPECT_FALSE(exists(kInstallDir));
    EXPECT_FALSE(exists(kShortcut));
    EXPECT_FALSE(readValue(HKEY_LOCAL_MACHINE, kRunKey, "Tidemark").has_value());
    EXPECT_FALSE(readValue(HKEY_CURRENT_USER, kRunKey, "Tidemark").has_value());
    EXPECT_FALSE(readValue(HKEY_USERS, otherUserRunKey.c_str(), "Tidemark").has_value());
    EXPECT_EQ(readValue(HKEY_CURRENT_USER, kSettingsKey, "FileRename"), fileHotkey);
    EXPECT_EQ(readFile(journal), "{\"run\":1}\n");
}

TEST_F(InstallerTest, OverAnOlderVersionThatRuns)
{
    const std::string oldVersion = environment("TIDEMARK_OLD_VERSION");
    ASSERT_EQ(runToEnd(quoted(environment("TIDEMARK_OLD_SETUP")) + " /S").status, 0u);
    ASSERT_EQ(text(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayVersion"), oldVersion);
    ASSERT_EQ(runToEnd(quoted(kInstalledCli) + " --version").out, "tidemark " + oldVersion + "\r\n");

    {
        TidemarkProcess old(kInstalledExe);
        const HWND frame = old.frame();
        ASSERT_NE(frame, nullptr);
        // The user turns the start at logon off in the settings...
        const HWND sheet = openSettings(old, frame);
        ASSERT_NE(sheet, nullptr);
        const HWND page = currentPage(sheet);
        ASSERT_TRUE(isChecked(page, kStartWithSystemBox));
        click(page, kStartWithSystemBox);
        // ...and while they are open, Tidemark cannot end: the silent
        // installer stops and changes nothing.
        EXPECT_EQ(runToEnd(quoted(environment("TIDEMARK_SETUP")) + " /S").status, 2u);
        EXPECT_TRUE(old.running());
        EXPECT_EQ(text(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayVersion"), oldVersion);
        closeSheet(desktop, sheet, PSBTN_OK);
        ASSERT_FALSE(readValue(HKEY_LOCAL_MACHINE, kRunKey, "Tidemark").has_value());

        EXPECT_EQ(runToEnd(quoted(environment("TIDEMARK_SETUP")) + " /S").status, 0u);
        ASSERT_TRUE(old.waitForEnd());
        EXPECT_EQ(old.exitCode(), 0u);
    }
    EXPECT_EQ(text(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayVersion"), TIDEMARK_VERSION);
    EXPECT_EQ(productVersion(kInstalledExe), TIDEMARK_VERSION);
    EXPECT_EQ(runToEnd(quoted(kInstalledCli) + " --version").out, "tidemark " TIDEMARK_VERSION "\r\n");
    // The new version keeps the start at logon off.
    EXPECT_FALSE(readValue(HKEY_LOCAL_MACHINE, kRunKey, "Tidemark").has_value());

    // A start-with-system value naming another copy of the program (one
    // from the zip, say) is the user's: the uninstaller leaves it.
    const RegistryValue portable = stringValue("D:\\Tools\\Tidemark\\Tidemark.exe");
    writeValue(HKEY_LOCAL_MACHINE, kRunKey, "Tidemark", portable);
    writeValue(HKEY_CURRENT_USER, kRunKey, "Tidemark", portable);
    uninstall();
    EXPECT_FALSE(exists(kInstallDir));
    EXPECT_EQ(readValue(HKEY_LOCAL_MACHINE, kRunKey, "Tidemark"), portable);
    EXPECT_EQ(readValue(HKEY_CURRENT_USER, kRunKey, "Tidemark"), portable);
}

}  // namespace
}  // namespace tidemark::testing
