#include "app/Startup.h"
#include "support/InstalledProduct.h"
#include "support/MessageBoxRecorder.h"
#include "support/PlatformSeam.h"
#include "testkit/Fixtures.h"

#include <gtest/gtest.h>

// The 32-bit build on 64-bit Windows: the decision runs here through the platform seam, since these
// machines run no 32-bit code.
class Wow64RefusalTest : public testing::Test
{
protected:
    ScopedPlatform m_wow64{1, 1, 1};
    MessageBoxRecorder m_boxes;
};

TEST_F(Wow64RefusalTest, TheDialogModeShowsOneBoxNamingThe64BitBuildAndEnds)
{
    InstalledProduct product(3);
    product.WithAppFolder();
    EXPECT_EQ(RunProgram(CommandLine()), 1633);
    ASSERT_EQ(m_boxes.Count(), 1u) << "neither the recommendation nor the dialog follows";
    const RecordedBox box = m_boxes.At(0);
    EXPECT_EQ(box.text, CString("このプログラム (32ビット版) は64ビット版のWindowsでは動作しません。\n"
                                "64ビット版の SeriesClean.exe を使用してください。"));
    EXPECT_EQ(box.caption, CString("ルミナGOシリーズの削除"));
    EXPECT_EQ(box.type, static_cast<UINT>(MB_OK | MB_ICONERROR));
    EXPECT_EQ(box.owner, nullptr);
    EXPECT_TRUE(fixture::Exists(product.AppFolder()));
}

TEST_F(Wow64RefusalTest, AnUnattendedRunEndsWith1633BeforeItReadsOrDeletesAnything)
{
    InstalledProduct product(3);
    product.WithAllPieces();
    fixture::TempFolder logs;
    CommandLine line;
    line.action = CommandAction::Remove;
    line.quiet = true;
    line.product = L"all";
    line.logPath = logs / L"run.log";
    EXPECT_EQ(RunProgram(line), 1633);
    EXPECT_EQ(m_boxes.Count(), 0u);
    const std::vector<std::wstring> lines = fixture::LogLines(line.logPath);
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[lines.size() - 2],
              L"this is the 32-bit build, which does not run on 64-bit Windows; nothing was read or deleted");
    EXPECT_EQ(lines.back(), L"exit code 1633: not supported on this platform: the 32-bit build does not run "
                            L"on 64-bit Windows, use the 64-bit SeriesClean.exe");
    EXPECT_TRUE(product.MachineKeyExists());
    EXPECT_TRUE(fixture::Exists(product.AppFolder()));
    EXPECT_TRUE(fixture::Exists(product.CacheFolder()));
}
