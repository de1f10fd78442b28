// Another user of this PC, as an unattended removal run as SYSTEM meets them: registered in
// ProfileList with a folder under C:\users, the product's map cache folder in that folder, and a
// registry hive that holds the product's user key (its CachePath naming that cache) and the
// series' settings key. The hive is loaded as HKEY_USERS\<SID> while the user is logged on, or only
// a file NTUSER.DAT, a damaged one, or missing. Everything is removed again at the end.
#pragma once

#include "testkit/Fixtures.h"

#include <windows.h>

#include <memory>
#include <string>

class OtherProfile
{
public:
    enum class Hive
    {
        LoggedOn, // loaded as HKEY_USERS\<SID>, from NTUSER.DAT
        FileOnly, // NTUSER.DAT, not loaded
        Damaged,  // an NTUSER.DAT that is no hive
        None,     // no NTUSER.DAT
    };

    // row: the catalog row whose user key and cache folder the profile holds.
    OtherProfile(const std::wstring& sid, const std::wstring& name, Hive hive, int row);
    ~OtherProfile();
    OtherProfile(const OtherProfile&) = delete;
    OtherProfile& operator=(const OtherProfile&) = delete;

    const std::wstring& Sid() const { return m_sid; }
    const std::wstring& Folder() const { return m_folder; }
    std::wstring CacheFolder() const;
    // As the loaded hive holds them (LoggedOn only).
    bool UserKeyExists() const;
    bool SettingsKeyExists() const;

private:
    std::wstring m_sid;
    std::wstring m_folder;
    std::wstring m_userKey;
    std::wstring m_dataFolder;
    std::unique_ptr<fixture::ProfileEntry> m_entry;
    std::unique_ptr<fixture::LoadedHive> m_loaded;
};
