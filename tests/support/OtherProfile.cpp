#include "support/OtherProfile.h"

#include "testkit/Products.h"

namespace {

const wchar_t kHiveSource[] = L"Software\\SeriesCleanTests\\OtherProfileHive";

} // namespace

OtherProfile::OtherProfile(const std::wstring& sid, const std::wstring& name, Hive hive, int row)
    : m_sid(sid), m_folder(L"C:\\users\\" + name), m_userKey(products::At(row).userKey),
      m_dataFolder(products::At(row).dataFolder)
{
    fixture::RemoveEverything(m_folder);
    m_entry = std::make_unique<fixture::ProfileEntry>(sid, L"%SystemDrive%\\users\\" + name, REG_EXPAND_SZ);
    if (hive == Hive::None)
        return;
    fixture::MakeFile(CacheFolder() + L"\\index.dat", "index");
    fixture::MakeFile(CacheFolder() + L"\\tiles\\0.dat", "tile");
    const std::wstring file = m_folder + L"\\NTUSER.DAT";
    if (hive == Hive::Damaged) {
        fixture::MakeFile(file, "not a hive");
        return;
    }
    const std::wstring source = kHiveSource;
    fixture::DeleteKey(HKEY_CURRENT_USER, source);
    fixture::SetString(HKEY_CURRENT_USER, source + L"\\" + m_userKey, L"CachePath",
                       m_folder + L"\\AppData\\Local\\KORAMI\\");
    fixture::SetString(HKEY_CURRENT_USER, source + L"\\" + products::kSettingsKey, L"Mark", name);
    fixture::SaveHive(HKEY_CURRENT_USER, source, file);
    fixture::DeleteKey(HKEY_CURRENT_USER, L"Software\\SeriesCleanTests");
    if (hive == Hive::LoggedOn)
        m_loaded = std::make_unique<fixture::LoadedHive>(sid, file);
}

OtherProfile::~OtherProfile()
{
    m_loaded.reset();
    m_entry.reset();
    fixture::RemoveEverything(m_folder);
}

std::wstring OtherProfile::CacheFolder() const
{
    return m_folder + L"\\AppData\\Local\\KORAMI\\" + m_dataFolder;
}

bool OtherProfile::UserKeyExists() const
{
    return fixture::KeyExists(HKEY_USERS, m_sid + L"\\" + m_userKey);
}

bool OtherProfile::SettingsKeyExists() const
{
    return fixture::KeyExists(HKEY_USERS, m_sid + L"\\" + products::kSettingsKey);
}
