// The user profiles of this PC, as Windows registers them, whoever the program runs as: an
// administrator's removal, or one run as SYSTEM by a deployment tool, must know every user's
// folders, not only its own account's. Paths and SIDs are UTF-16: a user's name need not fit code
// page 932.
#pragma once

#include "framework/Registry.h"

#include <windows.h>

#include <string>
#include <vector>

struct UserProfile
{
    std::wstring m_sid;    // "S-1-5-21-...", the name of its ProfileList sub-key
    std::wstring m_folder; // its ProfileImagePath, expanded and normalised (GetLocalFolderPath)
};

// Every sub-key of HKLM\SOFTWARE\Microsoft\Windows NT\CurrentVersion\ProfileList, read in the
// 64-bit view, that has a ProfileImagePath (REG_SZ or REG_EXPAND_SZ) naming a local drive path;
// the others are skipped. Service accounts are included.
std::vector<UserProfile> RegisteredProfiles();

// LocalSystem, LocalService, NetworkService, and the per-service (S-1-5-80-...) and virtual
// (S-1-5-82-...) accounts.
[[nodiscard]] bool IsServiceAccountSid(const std::wstring& sid);

// The folder new profiles are copied from: ProfileList's value "Default", else its
// "ProfilesDirectory" with "\Default" appended, normalised; empty when neither gives a local path.
std::wstring DefaultProfileFolder();

// Desktop, Documents, Downloads, Music, Pictures, Videos, Favorites and AppData's Roaming, Local
// and LocalLow where Windows puts them inside profileFolder.
std::vector<std::wstring> DefaultStandardFolders(const std::wstring& profileFolder);

// The same ten folders of a registered profile, normalised: as its own User Shell Folders name
// them when its hive is loaded as HKEY_USERS\<SID> (with %USERPROFILE% read as that profile's
// folder, not the caller's), and always also their default places.
std::vector<std::wstring> ProfileStandardFolders(const UserProfile& profile);

// One profile's registry hive, for as long as the object lives: HKEY_USERS\<SID> when Windows has
// it loaded (the user is logged on, or a service runs as it), else the profile's NTUSER.DAT loaded
// under a name of the program's own below HKEY_USERS and unloaded again at Close or at the end.
class CUserHive
{
public:
    enum class State
    {
        Closed,     // not opened, or closed again
        Loaded,     // Windows had it loaded; the program leaves it loaded
        LoadedByUs, // loaded from NTUSER.DAT; unloaded at Close
        NoHive,     // the profile has no NTUSER.DAT: nothing was loaded or created
        Failed,     // it could not be opened or loaded: see Error
    };

    CUserHive() = default;
    ~CUserHive();
    CUserHive(const CUserHive&) = delete;
    CUserHive& operator=(const CUserHive&) = delete;

    // Closes what the object held, then opens profile's hive with access for the root key.
    [[nodiscard]] State Open(const UserProfile& profile, REGSAM access = KEY_READ | KEY_WRITE);

    // Closes the root key and unloads a hive the object loaded. Every key the caller opened below
    // Root must be closed first: Windows refuses to unload a hive with a handle open into it.
    // False when the unload failed: the hive then stays loaded, the state is Failed with the
    // unload's error, and the next Close or the end of the object tries again.
    [[nodiscard]] bool Close();

    State GetState() const { return m_state; }
    // The Windows error of a Failed open or close; ERROR_SUCCESS otherwise.
    LONG GetError() const { return m_nError; }
    // The hive's root key while Loaded or LoadedByUs; null otherwise.
    HKEY Root() const { return m_root.Get(); }
    // "HKEY_USERS\<SID>": where the user's keys are found while the user is logged on.
    const std::wstring& RegistryName() const { return m_registryName; }

private:
    State Fail(LONG error);

    win32::RegKey m_root;
    std::wstring m_mountName; // below HKEY_USERS while LoadedByUs
    std::wstring m_registryName;
    State m_state = State::Closed;
    LONG m_nError = ERROR_SUCCESS;
};
