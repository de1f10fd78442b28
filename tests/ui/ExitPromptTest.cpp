#include "support/DialogHarness.h"
#include "support/Fixtures.h"
#include "support/MessageBoxRecorder.h"
#include "support/PlatformSeam.h"
#include "testkit/Products.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

const char kPrompt[] = "ルミナGOの設定データがレジストリに存在します。\rこれらを削除しますか？\r("
                       "残しておいても問題はありません)";

class ExitPromptTest : public DialogTest
{
protected:
    void StartAndExit()
    {
        Start();
        m_dialog->Click(IDC_EXIT);
        ASSERT_TRUE(m_dialog->WaitForEnd());
        EXPECT_EQ(m_dialog->Result(), IDCANCEL);
    }

    products::Clean m_clean;
};

} // namespace

TEST_F(ExitPromptTest, YesDeletesTheSettingsKeyAndSaysSo)
{
    fixture::SetString(HKEY_CURRENT_USER, products::kSettingsKey, L"CachePath", L"C:\\cache\\");
    fixture::SetString(HKEY_CURRENT_USER, L"Software\\KORAMI\\KartixNet\\Other", L"x", L"1");
    products::Install(3); // not of the series
    m_boxes.QueueAnswer(IDOK);
    m_boxes.QueueAnswer(IDYES);
    StartAndExit();

    const std::vector<RecordedBox> boxes = BoxesAfterStart();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text, CString(kPrompt));
    EXPECT_EQ(boxes[0].caption, CString("ルミナGOシリーズの削除"));
    EXPECT_EQ(boxes[0].type, static_cast<UINT>(MB_YESNO | MB_ICONEXCLAMATION));
    EXPECT_EQ(boxes[1].text, CString("ルミナGOの設定データをレジストリより削除しました。"));
    EXPECT_EQ(boxes[1].type, static_cast<UINT>(MB_ICONINFORMATION));
    EXPECT_FALSE(fixture::KeyExists(HKEY_CURRENT_USER, products::kSettingsKey));
    EXPECT_TRUE(fixture::KeyExists(HKEY_CURRENT_USER, L"Software\\KORAMI\\KartixNet\\Other"));
}

TEST_F(ExitPromptTest, NoKeepsTheKey)
{
    fixture::CreateKey(HKEY_CURRENT_USER, products::kSettingsKey);
    m_boxes.QueueAnswer(IDOK);
    m_boxes.QueueAnswer(IDNO);
    StartAndExit();
    ASSERT_EQ(BoxesAfterStart().size(), 1u);
    EXPECT_EQ(BoxesAfterStart()[0].text, CString(kPrompt));
    EXPECT_TRUE(fixture::KeyExists(HKEY_CURRENT_USER, products::kSettingsKey));
}

TEST_F(ExitPromptTest, NoSettingsKeyNoQuestion)
{
    StartAndExit();
    EXPECT_TRUE(BoxesAfterStart().empty());
}

TEST_F(ExitPromptTest, AnInstalledSeriesProductKeepsTheQuestionAway)
{
    fixture::CreateKey(HKEY_CURRENT_USER, products::kSettingsKey);
    products::Install(2);
    StartAndExit();
    EXPECT_TRUE(BoxesAfterStart().empty());
    EXPECT_TRUE(fixture::KeyExists(HKEY_CURRENT_USER, products::kSettingsKey));
}
