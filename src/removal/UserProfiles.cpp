#include "removal/UserProfiles.h"

#include "framework/Text.h"
#include "removal/PathOps.h"

using win32::EqualIgnoringCase;

namespace {

const wchar_t kProfileList[] = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList";
const wchar_t kUserShellFolders[] =
    L"\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
const wchar_t kUserProfileVariable[] = L"%USERPROFILE%";
const wchar_t kHiveFile[] = L"\\NTUSER.DAT";
const wchar_t kMountPrefix[] = L"SeriesClean_";

// The value names of User Shell Folders for the standard folders, beside their default places.
const struct
{
    const wchar_t* valueName;
    const wchar_t* defaultPlace;
} kStandardFolders[] = {
    {L"Desktop", L"Desktop"},
    {L"Personal", L"Documents"},
    {L"{374DE290-123F-4565-9164-39C4925E467B}", L"Downloads"},
    {L"My Music", L"Music"},
    {L"My Pictures", L"Pictures"},
    {L"My Video", L"Videos"},
    {L"Favorites", L"Favorites"},
    {L"AppData", L"AppData\\Roaming"},
    {L"Local AppData", L"AppData\\Local"},
    {L"{A520A1A4-1780-4FF6-BD18-167343C5AF16}", L"AppData\\LocalLow"},
};

// Another process (an indexer, a virus scanner) may hold a key of the hive for a moment.
constexpr int kUnloadAttempts = 10;
constexpr DWORD kUnloadPauseMs = 50;

bool BeginsWithIgnoringCase(const std::wstring& text, const wchar_t* prefix)
{
    const size_t length = wcslen(prefix);
    return text.size() >= length && EqualIgnoringCase(text.c_str(), length, prefix, length);
}

// A REG_EXPAND_SZ text of a profile's own keys: %USERPROFILE% is that profile's folder, whatever
// the caller's environment says; the rest is expanded as usual.
bool ExpandForProfile(const std::wstring& text, const std::wstring& profileFolder, std::wstring& expanded)
{
    const size_t variableLength = wcslen(kUserProfileVariable);
    expanded.clear();
    size_t start = 0;
    for (;;) {
        size_t found = start;
        while (found + variableLength <= text.size() &&
               !EqualIgnoringCase(text.c_str() + found, variableLength, kUserProfileVariable, variableLength))
            ++found;
        const bool atVariable = found + variableLength <= text.size();
        std::wstring piece;
        if (!win32::ExpandEnvironment(text.substr(start, atVariable ? found - start : std::wstring::npos),
                                      piece))
            return false;
        expanded += piece;
        if (!atVariable)
            return true;
        expanded += profileFolder;
        start = found + variableLength;
    }
}

// A folder value of the registry in its normalised form; empty when it is missing, not a text or
// not a local drive path. profileFolder, when given, stands for %USERPROFILE%.
std::wstring FolderValue(const win32::RegKey& key, const wchar_t* name,
                         const std::wstring* profileFolder = nullptr)
{
    std::wstring text;
    bool expandable = false;
    if (key.QueryString(name, text, expandable) != ERROR_SUCCESS)
        return std::wstring();
    if (expandable) {
        std::wstring expanded;
        if (!(profileFolder ? ExpandForProfile(text, *profileFolder, expanded)
                            : win32::ExpandEnvironment(text, expanded)))
            return std::wstring();
        text = expanded;
    }
    return GetLocalFolderPath(text);
}

// Whether HKEY_USERS has a key of this name, or one that cannot be opened to tell.
bool UserKeyExists(const std::wstring& name)
{
    win32::RegKey key;
    return key.Open(HKEY_USERS, name, KEY_QUERY_VALUE) != ERROR_FILE_NOT_FOUND;
}

LONG UnloadUserHive(const std::wstring& name)
{
    LONG result = ERROR_SUCCESS;
    for (int attempt = 0; attempt < kUnloadAttempts; ++attempt) {
        if (attempt > 0)
            Sleep(kUnloadPauseMs);
        result = win32::UnloadHive(HKEY_USERS, name);
        if (result != ERROR_ACCESS_DENIED)
            break;
    }
    return result;
}

} // namespace

std::vector<UserProfile> RegisteredProfiles()
{
    std::vector<UserProfile> profiles;
    win32::RegKey list;
    if (list.Open(HKEY_LOCAL_MACHINE, kProfileList, KEY_READ | KEY_WOW64_64KEY) != ERROR_SUCCESS)
        return profiles;
    std::wstring sid;
    for (DWORD index = 0; list.EnumKeyName(index, sid) == ERROR_SUCCESS; ++index) {
        win32::RegKey entry;
        if (entry.Open(list.Get(), sid, KEY_QUERY_VALUE | KEY_WOW64_64KEY) != ERROR_SUCCESS)
            continue;
        UserProfile profile{sid, FolderValue(entry, L"ProfileImagePath")};
        if (!profile.m_folder.empty())
            profiles.push_back(std::move(profile));
    }
    return profiles;
}

bool IsServiceAccountSid(const std::wstring& sid)
{
    for (const wchar_t* account : {L"S-1-5-18", L"S-1-5-19", L"S-1-5-20"}) {
        if (EqualIgnoringCase(sid.c_str(), sid.size(), account, wcslen(account)))
            return true;
    }
    for (const wchar_t* authority : {L"S-1-5-80-", L"S-1-5-82-"}) {
        if (sid.size() > wcslen(authority) && BeginsWithIgnoringCase(sid, authority))
            return true;
    }
    return false;
}

std::wstring DefaultProfileFolder()
{
    win32::RegKey list;
    if (list.Open(HKEY_LOCAL_MACHINE, kProfileList, KEY_QUERY_VALUE | KEY_WOW64_64KEY) != ERROR_SUCCESS)
        return std::wstring();
    const std::wstring folder = FolderValue(list, L"Default");
    if (!folder.empty())
        return folder;
    const std::wstring profiles = FolderValue(list, L"ProfilesDirectory");
    return profiles.empty() ? std::wstring() : GetLocalFolderPath(profiles + L"\\Default");
}

std::vector<std::wstring> DefaultStandardFolders(const std::wstring& profileFolder)
{
    std::vector<std::wstring> folders;
    for (const auto& folder : kStandardFolders)
        folders.push_back(profileFolder + L"\\" + folder.defaultPlace);
    return folders;
}

std::vector<std::wstring> ProfileStandardFolders(const UserProfile& profile)
{
    std::vector<std::wstring> folders;
    win32::RegKey shellFolders;
    if (shellFolders.Open(HKEY_USERS, profile.m_sid + kUserShellFolders, KEY_QUERY_VALUE) == ERROR_SUCCESS) {
        for (const auto& folder : kStandardFolders) {
            const std::wstring path = FolderValue(shellFolders, folder.valueName, &profile.m_folder);
            if (!path.empty())
                folders.push_back(path);
        }
    }
    for (const std::wstring& folder : DefaultStandardFolders(profile.m_folder))
        folders.push_back(folder);
    return folders;
}

CUserHive::~CUserHive()
{
    (void)Close();
}

CUserHive::State CUserHive::Open(const UserProfile& profile, REGSAM access)
{
    if (!Close())
        return m_state;
    m_registryName = L"HKEY_USERS\\" + profile.m_sid;
    const std::wstring folder = GetLocalFolderPath(profile.m_folder);
    if (profile.m_sid.empty() || profile.m_sid.find(L'\\') != std::wstring::npos || folder.empty())
        return Fail(ERROR_INVALID_PARAMETER);

    LONG result = m_root.Open(HKEY_USERS, profile.m_sid, access);
    if (result == ERROR_SUCCESS)
        return m_state = State::Loaded;
    if (result != ERROR_FILE_NOT_FOUND)
        return Fail(result);

    const std::wstring file = folder + kHiveFile;
    const DWORD attributes = GetFileAttributesW(file.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND
                   ? m_state = State::NoHive
                   : Fail(static_cast<LONG>(error));
    }
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        return m_state = State::NoHive;

    // A name that is already there belongs to someone else, or to a run that ended without
    // unloading it: it is never this object's to unload.
    const std::wstring mountName = kMountPrefix + profile.m_sid;
    if (UserKeyExists(mountName))
        return Fail(ERROR_ALREADY_EXISTS);
    result = win32::LoadHive(HKEY_USERS, mountName, file);
    if (result != ERROR_SUCCESS) {
        // Wine leaves the name behind when it refuses a damaged file.
        if (UserKeyExists(mountName))
            (void)UnloadUserHive(mountName);
        return Fail(result);
    }
    m_mountName = mountName;
    result = m_root.Open(HKEY_USERS, mountName, access);
    if (result != ERROR_SUCCESS) {
        (void)Close();
        return Fail(result);
    }
    return m_state = State::LoadedByUs;
}

bool CUserHive::Close()
{
    m_root.Close();
    if (!m_mountName.empty()) {
        const LONG result = UnloadUserHive(m_mountName);
        if (result != ERROR_SUCCESS) {
            Fail(result);
            return false;
        }
        m_mountName.clear();
    }
    m_state = State::Closed;
    m_nError = ERROR_SUCCESS;
    return true;
}

CUserHive::State CUserHive::Fail(LONG error)
{
    m_nError = error;
    return m_state = State::Failed;
}
