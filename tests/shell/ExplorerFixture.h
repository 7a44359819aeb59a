#pragma once

// A test whose Explorer window (a fake of the test's own) shows a real
// temporary folder, for the commands that act on the window in front.
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "FakeExplorer.h"
#include "ShellTestSupport.h"
#include "TempDir.h"
#include "shell/RenameContext.h"

namespace tidemark::testing {

class ExplorerFixture : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(com.ok()); }
    void TearDown() override
    {
        if (explorer != nullptr) {
            EXPECT_TRUE(explorer->AllReleased()) << explorer->Balances();
        }
    }

    // Shows the folder with `focused` focused in the Explorer window.
    void focus(const std::string &focused)
    {
        explorer = std::make_unique<fakes::FakeExplorerWindow>(explorerWindow.get(), dir.path(), focused);
        windows.entries.assign(1, explorer->Entry());
    }

    ComApartment com;
    TempDir dir;
    HiddenWindow mainWindow;
    HiddenWindow explorerWindow;
    HiddenWindow otherWindow;
    fakes::FakeShellWindows windows;
    std::unique_ptr<fakes::FakeExplorerWindow> explorer;
    CRenameContext context{mainWindow.get(), &windows};
};

}  // namespace tidemark::testing
