#include "framework/Registry.h"
#include "removal/RegistryRemoval.h"
#include "ui/SeriesCleanDlg.h"

namespace {

// The series' settings, under HKEY_CURRENT_USER.
const char kSettingsKey[] = "Software\\KORAMI\\KartixNet\\PC";

bool SettingsKeyExists()
{
    win32::RegKey key;
    return key.Open(HKEY_CURRENT_USER, kSettingsKey, KEY_ALL_ACCESS) == ERROR_SUCCESS;
}

} // namespace

void CSeriesCleanDlg::OnExit()
{
    // The prompt's lines break with carriage returns.
    if (m_bSeriesInstalled != 1 && SettingsKeyExists()) {
        const int answer =
            MessageBox("ルミナGOの設定データがレジストリに存在します。\rこれらを削除しますか？\r("
                       "残しておいても問題はありません)",
                       kAppTitle, MB_YESNO | MB_ICONEXCLAMATION);
        if (answer == IDYES) {
            if (DeleteRegistryKey(HKEY_CURRENT_USER, kSettingsKey) == 0)
                MessageBox("レジストリの削除に失敗しました。\rアプリが稼動してないかなど御確認ください。",
                           kAppTitle, MB_ICONERROR);
            else
                MessageBox("ルミナGOの設定データをレジストリより削除しました。", kAppTitle,
                           MB_ICONINFORMATION);
        }
    }
    OnCancel();
}
