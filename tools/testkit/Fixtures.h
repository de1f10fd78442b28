// Builds real registry states and folder trees on this machine and reads what is left of them. It
// uses the W functions directly with UTF-16 texts, independent of the program's code. A step that
// cannot be done is reported to the failure handler (the tests make it a test failure, the demo
// prints it) and returns false.
#pragma once

#include <windows.h>
#include <shlobj.h>

#include <map>
#include <ostream>
#include <string>
#include <vector>

namespace fixture {

// Code page 932 bytes to UTF-16 and back: the program's texts beside the platform's.
std::wstring FromCodePage932(const std::string& bytes);
std::string ToCodePage932(const std::wstring& text);
// UTF-8 bytes, as the program writes its log and redirected output, to UTF-16.
std::wstring FromUtf8(const std::string& bytes);

// Receives every failure of the functions below; by default they go to standard error.
using FailureHandler = void (*)(const std::wstring& what);
void SetFailureHandler(FailureHandler handler);

// Registry keys in the view given (0, KEY_WOW64_32KEY or KEY_WOW64_64KEY).
bool SetString(HKEY root, const std::wstring& key, const std::wstring& name, const std::wstring& value,
               REGSAM view = 0);
bool SetExpandString(HKEY root, const std::wstring& key, const std::wstring& name, const std::wstring& value,
                     REGSAM view = 0);
bool SetDword(HKEY root, const std::wstring& key, const std::wstring& name, DWORD value, REGSAM view = 0);
// A value of any type with exactly these bytes; the key is made when it is missing.
bool SetRawValue(HKEY root, const std::wstring& key, const std::wstring& name, DWORD type,
                 const std::vector<BYTE>& data, REGSAM view = 0);
bool CreateKey(HKEY root, const std::wstring& key, REGSAM view = 0);
bool KeyExists(HKEY root, const std::wstring& key, REGSAM view = 0);
bool ValueExists(HKEY root, const std::wstring& key, const std::wstring& name, REGSAM view = 0);
void DeleteKey(HKEY root, const std::wstring& key, REGSAM view = 0);
// The SID of the account the process runs as ("S-1-5-21-...").
std::wstring CurrentUserSid();
// The names of root\key's sub-keys, sorted.
std::vector<std::wstring> SubKeyNames(HKEY root, const std::wstring& key = std::wstring());

// A value as it is stored: its type and bytes.
struct RegistryValue
{
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
    bool operator==(const RegistryValue& other) const { return type == other.type && data == other.data; }
};
std::ostream& operator<<(std::ostream& out, const RegistryValue& value);
// Every key of a tree by its path below the tree's key ("" for that key, "Sub\\Deeper"), each with
// its values by name ("" for the default value).
using RegistryTree = std::map<std::wstring, std::map<std::wstring, RegistryValue>>;
// Reads the whole tree at root\key in view; a registry link is read as the link key itself.
bool ReadRegistryTree(HKEY root, const std::wstring& key, REGSAM view, RegistryTree& tree);

// A key whose access list grants nothing while the object lives: a key that exists and cannot be
// read. The key is made when it is missing; its access is given back at the end.
class UnreadableKey
{
public:
    UnreadableKey(HKEY root, const std::wstring& key);
    ~UnreadableKey();
    UnreadableKey(const UnreadableKey&) = delete;
    UnreadableKey& operator=(const UnreadableKey&) = delete;

private:
    HKEY m_root;
    std::wstring m_key;
};

// A string value (REG_SZ or REG_EXPAND_SZ) or a REG_DWORD set for the object's lifetime; the value
// it replaced, of whatever type, is put back at the end, or the value is deleted when there was none.
class ScopedValue
{
public:
    ScopedValue(HKEY root, const std::wstring& key, const std::wstring& name, DWORD type,
                const std::wstring& text);
    ScopedValue(HKEY root, const std::wstring& key, const std::wstring& name, DWORD value);
    ~ScopedValue();
    ScopedValue(const ScopedValue&) = delete;
    ScopedValue& operator=(const ScopedValue&) = delete;

private:
    void SaveOldValue();

    HKEY m_root;
    std::wstring m_key;
    std::wstring m_name;
    bool m_bHadValue = false;
    DWORD m_dwOldType = 0;
    std::vector<BYTE> m_oldData;
};

// The resolution Wine gives every process that starts while the object lives; a process keeps the
// one it started with. Wine 8 reads HKCU\Control Panel\Desktop\LogPixels, a REG_DWORD (a string
// is read as the code of its first character), and without it HKEY_CURRENT_CONFIG\Software\Fonts.
class ScopedDisplayDpi
{
public:
    explicit ScopedDisplayDpi(DWORD dpi)
        : m_value(HKEY_CURRENT_USER, L"Control Panel\\Desktop", L"LogPixels", dpi)
    {}

private:
    ScopedValue m_value;
};

// The keys the profile fixtures write in, and two made-up users' SIDs for them.
inline constexpr wchar_t kProfileList[] = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList";
inline constexpr wchar_t kShellFolders[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
inline constexpr wchar_t kAliceSid[] = L"S-1-5-21-1111-2222-3333-1001";
inline constexpr wchar_t kBobSid[] = L"S-1-5-21-1111-2222-3333-1002";

// An entry of HKLM\...\ProfileList for a made-up SID while the object lives: with a ProfileImagePath
// of this type (REG_SZ or REG_EXPAND_SZ), or none when type is REG_NONE.
class ProfileEntry
{
public:
    ProfileEntry(const std::wstring& sid, const std::wstring& imagePath, DWORD type = REG_SZ);
    ~ProfileEntry();
    ProfileEntry(const ProfileEntry&) = delete;
    ProfileEntry& operator=(const ProfileEntry&) = delete;

    std::wstring Key() const;

private:
    std::wstring m_sid;
};

// Saves root\key with its sub-keys as a hive file (RegSaveKeyW, with the backup privilege), replacing
// file.
bool SaveHive(HKEY root, const std::wstring& key, const std::wstring& file);

// A hive file loaded as HKEY_USERS\name while the object lives, as Windows loads a logged-on
// user's. Wine never writes it back to the file.
class LoadedHive
{
public:
    LoadedHive(const std::wstring& name, const std::wstring& file);
    ~LoadedHive();
    LoadedHive(const LoadedHive&) = delete;
    LoadedHive& operator=(const LoadedHive&) = delete;

private:
    std::wstring m_name;
    bool m_bLoaded = false;
};

// Whether the process token has the privilege enabled, and whether the calling thread wears a
// token of its own.
bool ProcessPrivilegeEnabled(const wchar_t* name);
bool ThreadHasToken();

bool MakeFolder(const std::wstring& path); // with its missing parents
bool MakeFile(const std::wstring& path, const std::string& content = "data");
bool Exists(const std::wstring& path);
// Removes a tree without following links (a link is removed, never its target).
void RemoveTree(const std::wstring& path);
std::wstring LongPath(const std::wstring& path); // the "\\?\" form of an absolute path
// Number of files below a folder (0 for a file or a missing path).
int CountFiles(const std::wstring& folder);
// A file's bytes; empty when it cannot be read.
std::string ReadBytes(const std::wstring& path);
// The lines of the program's log (UTF-8 with a byte-order mark, CRLF) without their time stamps
// ("YYYY-MM-DD hh:mm:ss "); a missing mark or a line without CRLF is reported as a failure.
std::vector<std::wstring> LogLines(const std::wstring& path);
bool HasLine(const std::vector<std::wstring>& lines, const std::wstring& line);

// RemoveTree, and then from the Unix side whatever Wine could not remove.
void RemoveEverything(const std::wstring& path);

// A folder of its own under C:\sctest, removed with its content at the end.
class TempFolder
{
public:
    TempFolder();
    // A folder at a given place (one the tests' own root cannot stand for, such as a profile
    // folder under C:\users), made new and removed with its content at the end. One that is there
    // already is a failure and is left alone.
    explicit TempFolder(std::wstring path);
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::wstring& Path() const { return m_path; }
    std::wstring operator/(const std::wstring& relative) const { return m_path + L"\\" + relative; }

private:
    std::wstring m_path;
    bool m_bOwned = true;
};

// The Unix path of a Windows path, as Wine maps it; empty when not running under Wine.
std::wstring UnixPath(const std::wstring& path);

// A chain of one-letter folders ("a\\a\\...", levels deep) below root with a file "f" at the bottom,
// made from the Unix side with relative mkdir (Wine cannot reach deeper than its 4,096-byte Unix
// paths allow), and removed from there at the end.
class FolderChain
{
public:
    FolderChain(const std::wstring& root, int levels);
    ~FolderChain();
    FolderChain(const FolderChain&) = delete;
    FolderChain& operator=(const FolderChain&) = delete;

    bool Made() const { return m_bMade; }

private:
    std::wstring m_root;
    bool m_bMade = false;
};

// Starts a Unix program, given by its Unix path, without waiting for it: the caller polls for its
// effect. Its arguments are split by the Windows rules, so quote them with double quotes.
bool StartUnixCommand(std::wstring command);

// Starts a Windows program and waits for it to end; false when it cannot be started or does not end
// within the timeout (it is then ended).
bool RunAndWait(std::wstring commandLine, DWORD& exitCode, DWORD timeoutMs = 60000);

// A directory link at link that points to target, made as a Unix symbolic link (how Wine shows a
// junction: a directory with the reparse-point attribute). Never make links to files: Wine shows
// them as plain files and deleting one deletes its target.
bool MakeDirectoryLink(const std::wstring& link, const std::wstring& target);

// Lets everyone write in folder, from the Unix side: Wine shows a folder's permissions as its Unix
// mode gives them (it keeps no access list of its own), so this is how "ordinary users may change
// it" is made here.
bool LetEveryoneWrite(const std::wstring& folder);

// A second name (a hard link) for the file target, made from the Unix side.
bool MakeHardLink(const std::wstring& link, const std::wstring& target);

// Moves folder to movedTo and puts a directory link to target in its place, from the Unix side
// (Wine cannot swap a folder for a link itself). False when the link did not appear.
[[nodiscard]] bool SwapForDirectoryLink(const std::wstring& folder, const std::wstring& movedTo,
                                        const std::wstring& target);

// A name in the Wine prefix's dosdevices folder that maps to a Windows folder while the object
// lives: a drive letter ("s:", as a subst drive) or a share ("unc/localhost/c$" is
// \\localhost\c$). Wine has neither of its own. probe, a path below the mapping, tells when the
// change has landed.
class DosDeviceLink
{
public:
    DosDeviceLink(const std::wstring& name, const std::wstring& target, const std::wstring& probe);
    ~DosDeviceLink();
    DosDeviceLink(const DosDeviceLink&) = delete;
    DosDeviceLink& operator=(const DosDeviceLink&) = delete;

private:
    std::wstring m_unixLink;
    std::wstring m_probe;
};

// A registry link at key (under root) to target, an NT registry path such as
// "\\Registry\\Machine\\Software\\X".
bool MakeRegistryLink(HKEY root, const std::wstring& key, const std::wstring& target, REGSAM view = 0);
void RemoveRegistryLink(HKEY root, const std::wstring& key, REGSAM view = 0);

// A sub-key below key (made when missing) that no Win32 call can name, so that key cannot be deleted
// whole while the object lives: its name holds a NUL. Removed again at the end.
class UndeletableSubKey
{
public:
    UndeletableSubKey(HKEY root, const std::wstring& key, REGSAM view = 0);
    ~UndeletableSubKey();
    UndeletableSubKey(const UndeletableSubKey&) = delete;
    UndeletableSubKey& operator=(const UndeletableSubKey&) = delete;

    bool Made() const { return m_bMade; }

private:
    HKEY m_root;
    std::wstring m_key;
    REGSAM m_view;
    bool m_bMade = false;
};

// A shell folder's path (SHGetFolderPathW), made when it is missing.
std::wstring ShellFolder(int csidl);

// A known folder's path (SHGetKnownFolderPath), made when it is missing.
std::wstring KnownFolder(REFKNOWNFOLDERID id);

// Points a shell folder of all users at another path for its lifetime, through the registry value
// that Wine's shell reads on every query, and puts the old value back at the end.
class ScopedShellFolder
{
public:
    ScopedShellFolder(const wchar_t* valueName, const std::wstring& path);
    ~ScopedShellFolder();
    ScopedShellFolder(const ScopedShellFolder&) = delete;
    ScopedShellFolder& operator=(const ScopedShellFolder&) = delete;

private:
    std::wstring m_name;
    std::wstring m_old;
};

// Waits until the condition holds; false after the timeout.
template <class Condition> bool WaitUntil(Condition condition, DWORD timeoutMs = 10000)
{
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    while (!condition()) {
        if (GetTickCount64() > deadline)
            return false;
        Sleep(5);
    }
    return true;
}

// A file or folder held open with share mode 0: another process's open file, as the deletion
// meets it. A folder so held cannot be opened for listing.
class LockedFile
{
public:
    explicit LockedFile(const std::wstring& path);
    ~LockedFile() { Release(); }
    LockedFile(const LockedFile&) = delete;
    LockedFile& operator=(const LockedFile&) = delete;
    void Release();

private:
    HANDLE m_handle;
};

} // namespace fixture
