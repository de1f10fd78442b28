#include "Fixtures.h"

#include <aclapi.h>
#include <shlobj.h>
#include <sddl.h>
#include <winternl.h>

#include <algorithm>
#include <cstdio>
#include <iomanip>

namespace fixture {

namespace {

void PrintFailure(const std::wstring& what)
{
    fwprintf(stderr, L"fixture: %ls\n", what.c_str());
}

FailureHandler g_onFailure = &PrintFailure;

bool Fail(const std::wstring& what, DWORD error)
{
    g_onFailure(what + L" (error " + std::to_wstring(error) + L")");
    return false;
}

bool WriteValue(HKEY root, const std::wstring& key, const std::wstring& name, DWORD type, const void* data,
                DWORD size, REGSAM view = 0)
{
    HKEY h = nullptr;
    LONG r = RegCreateKeyExW(root, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE | view, nullptr, &h, nullptr);
    if (r == ERROR_SUCCESS) {
        r = RegSetValueExW(h, name.c_str(), 0, type, static_cast<const BYTE*>(data), size);
        RegCloseKey(h);
    }
    return r == ERROR_SUCCESS || Fail(L"cannot write " + key + L" " + name, static_cast<DWORD>(r));
}

std::wstring ReadString(HKEY root, const std::wstring& key, const std::wstring& name)
{
    wchar_t buffer[MAX_PATH] = {};
    DWORD size = sizeof(buffer) - sizeof(wchar_t);
    if (RegGetValueW(root, key.c_str(), name.c_str(), RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND,
                     nullptr, buffer, &size) != ERROR_SUCCESS)
        return std::wstring();
    return buffer;
}

} // namespace

// UTF-8 under the suite's locales.
std::wstring UnixPath(const std::wstring& path)
{
    using ToUnix = char*(CDECL*)(LPCWSTR);
    static const auto toUnix = reinterpret_cast<ToUnix>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    char* unix = toUnix ? toUnix(path.c_str()) : nullptr;
    if (!unix)
        return std::wstring();
    const int n = MultiByteToWideChar(CP_UTF8, 0, unix, -1, nullptr, 0);
    std::wstring result(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, unix, -1, result.data(), n);
    result.resize(wcslen(result.c_str()));
    HeapFree(GetProcessHeap(), 0, unix);
    return result;
}

// The backup and restore privileges on the process token while the object lives, as they were
// before at the end.
class HivePrivileges
{
public:
    HivePrivileges()
    {
        if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &m_token))
            return;
        Privileges wanted = {2, {}};
        LookupPrivilegeValueW(nullptr, L"SeBackupPrivilege", &wanted.privileges[0].Luid);
        LookupPrivilegeValueW(nullptr, L"SeRestorePrivilege", &wanted.privileges[1].Luid);
        wanted.privileges[0].Attributes = wanted.privileges[1].Attributes = SE_PRIVILEGE_ENABLED;
        DWORD size = sizeof(m_previous);
        AdjustTokenPrivileges(m_token, FALSE, reinterpret_cast<TOKEN_PRIVILEGES*>(&wanted), sizeof(wanted),
                              reinterpret_cast<TOKEN_PRIVILEGES*>(&m_previous), &size);
    }
    ~HivePrivileges()
    {
        if (!m_token)
            return;
        AdjustTokenPrivileges(m_token, FALSE, reinterpret_cast<TOKEN_PRIVILEGES*>(&m_previous), 0, nullptr,
                              nullptr);
        CloseHandle(m_token);
    }
    HivePrivileges(const HivePrivileges&) = delete;
    HivePrivileges& operator=(const HivePrivileges&) = delete;

private:
    struct Privileges
    {
        DWORD count;
        LUID_AND_ATTRIBUTES privileges[2];
    };
    HANDLE m_token = nullptr;
    Privileges m_previous = {};
};

bool ReadKeyInto(HKEY parent, const std::wstring& name, REGSAM view, const std::wstring& path,
                 RegistryTree& tree)
{
    HKEY h = nullptr;
    LONG r = RegOpenKeyExW(parent, name.c_str(), REG_OPTION_OPEN_LINK, KEY_READ | view, &h);
    if (r != ERROR_SUCCESS)
        return Fail(L"cannot open the key " + path, static_cast<DWORD>(r));
    DWORD maxData = 0;
    RegQueryInfoKeyW(h, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &maxData,
                     nullptr, nullptr);
    std::vector<wchar_t> nameBuffer(32768);
    std::vector<BYTE> data(maxData + 1);
    auto& values = tree[path];
    for (DWORD i = 0; r == ERROR_SUCCESS; ++i) {
        DWORD nameLength = static_cast<DWORD>(nameBuffer.size());
        DWORD size = static_cast<DWORD>(data.size());
        RegistryValue value;
        r = RegEnumValueW(h, i, nameBuffer.data(), &nameLength, nullptr, &value.type, data.data(), &size);
        if (r == ERROR_SUCCESS) {
            value.data.assign(data.begin(), data.begin() + size);
            values[std::wstring(nameBuffer.data(), nameLength)] = value;
        }
    }
    bool ok = r == ERROR_NO_MORE_ITEMS || Fail(L"cannot read the values of " + path, static_cast<DWORD>(r));
    std::vector<std::wstring> subKeys;
    for (DWORD i = 0;; ++i) {
        DWORD nameLength = static_cast<DWORD>(nameBuffer.size());
        r = RegEnumKeyExW(h, i, nameBuffer.data(), &nameLength, nullptr, nullptr, nullptr, nullptr);
        if (r != ERROR_SUCCESS)
            break;
        subKeys.emplace_back(nameBuffer.data(), nameLength);
    }
    ok = (r == ERROR_NO_MORE_ITEMS || Fail(L"cannot list the key " + path, static_cast<DWORD>(r))) && ok;
    for (const std::wstring& subKey : subKeys)
        ok = ReadKeyInto(h, subKey, view, path.empty() ? subKey : path + L"\\" + subKey, tree) && ok;
    RegCloseKey(h);
    return ok;
}

// An access list that grants nothing, or with allowAll none at all (everyone may do anything).
bool SetKeyAccess(HKEY root, const std::wstring& key, bool allowAll)
{
    HKEY h = nullptr;
    // The owner may always change the access list, also when it grants nothing.
    LONG r = RegOpenKeyExW(root, key.c_str(), 0, WRITE_DAC, &h);
    if (r == ERROR_SUCCESS) {
        ACL empty;
        InitializeAcl(&empty, sizeof(empty), ACL_REVISION);
        SECURITY_DESCRIPTOR descriptor;
        InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
        SetSecurityDescriptorDacl(&descriptor, TRUE, allowAll ? nullptr : &empty, FALSE);
        r = RegSetKeySecurity(h, DACL_SECURITY_INFORMATION, &descriptor);
        RegCloseKey(h);
    }
    return r == ERROR_SUCCESS || Fail(L"cannot set the access of " + key, static_cast<DWORD>(r));
}

std::wstring FromCodePage932(const std::string& bytes)
{
    const int n = MultiByteToWideChar(932, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::wstring text(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(932, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(), n);
    return text;
}

std::wstring FromUtf8(const std::string& bytes)
{
    const int n = MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::wstring text(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(), n);
    return text;
}

std::string ToCodePage932(const std::wstring& text)
{
    const int n =
        WideCharToMultiByte(932, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(932, 0, text.data(), static_cast<int>(text.size()), bytes.data(), n, nullptr,
                        nullptr);
    return bytes;
}

void SetFailureHandler(FailureHandler handler)
{
    g_onFailure = handler ? handler : &PrintFailure;
}

bool SetString(HKEY root, const std::wstring& key, const std::wstring& name, const std::wstring& value,
               REGSAM view)
{
    return WriteValue(root, key, name, REG_SZ, value.c_str(),
                      static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)), view);
}

bool SetExpandString(HKEY root, const std::wstring& key, const std::wstring& name, const std::wstring& value,
                     REGSAM view)
{
    return WriteValue(root, key, name, REG_EXPAND_SZ, value.c_str(),
                      static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)), view);
}

bool SetDword(HKEY root, const std::wstring& key, const std::wstring& name, DWORD value, REGSAM view)
{
    return WriteValue(root, key, name, REG_DWORD, &value, sizeof(value), view);
}

bool SetRawValue(HKEY root, const std::wstring& key, const std::wstring& name, DWORD type,
                 const std::vector<BYTE>& data, REGSAM view)
{
    // RegSetValueEx stores a string's terminating NUL that the size leaves out when one follows the
    // data in memory (Windows does so too): non-zero bytes after the copy keep the size exact.
    std::vector<BYTE> guarded(data);
    guarded.insert(guarded.end(), {0xFF, 0xFF, 0xFF, 0xFF});
    return WriteValue(root, key, name, type, guarded.data(), static_cast<DWORD>(data.size()), view);
}

bool CreateKey(HKEY root, const std::wstring& key, REGSAM view)
{
    HKEY h = nullptr;
    const LONG r = RegCreateKeyExW(root, key.c_str(), 0, nullptr, 0, KEY_READ | view, nullptr, &h, nullptr);
    if (r != ERROR_SUCCESS)
        return Fail(L"cannot create the key " + key, static_cast<DWORD>(r));
    RegCloseKey(h);
    return true;
}

bool KeyExists(HKEY root, const std::wstring& key, REGSAM view)
{
    HKEY h = nullptr;
    if (RegOpenKeyExW(root, key.c_str(), 0, KEY_READ | view, &h) != ERROR_SUCCESS)
        return false;
    RegCloseKey(h);
    return true;
}

bool ValueExists(HKEY root, const std::wstring& key, const std::wstring& name, REGSAM view)
{
    HKEY h = nullptr;
    if (RegOpenKeyExW(root, key.c_str(), 0, KEY_QUERY_VALUE | view, &h) != ERROR_SUCCESS)
        return false;
    const bool exists =
        RegQueryValueExW(h, name.c_str(), nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
    RegCloseKey(h);
    return exists;
}

void DeleteKey(HKEY root, const std::wstring& key, REGSAM view)
{
    HKEY h = nullptr;
    if (RegOpenKeyExW(root, key.c_str(), 0, KEY_ALL_ACCESS | view, &h) == ERROR_SUCCESS) {
        RegDeleteTreeW(h, nullptr);
        RegCloseKey(h);
    }
    RegDeleteKeyExW(root, key.c_str(), view, 0);
}

std::vector<std::wstring> SubKeyNames(HKEY root, const std::wstring& key)
{
    std::vector<std::wstring> names;
    HKEY h = nullptr;
    if (RegOpenKeyExW(root, key.empty() ? nullptr : key.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS)
        return names;
    wchar_t name[256];
    DWORD length = ARRAYSIZE(name);
    for (DWORD i = 0; RegEnumKeyExW(h, i, name, &length, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
         ++i, length = ARRAYSIZE(name))
        names.emplace_back(name, length);
    RegCloseKey(h);
    std::sort(names.begin(), names.end());
    return names;
}

ScopedValue::ScopedValue(HKEY root, const std::wstring& key, const std::wstring& name, DWORD type,
                         const std::wstring& text)
    : m_root(root), m_key(key), m_name(name)
{
    SaveOldValue();
    WriteValue(root, key, name, type, text.c_str(), static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

ScopedValue::ScopedValue(HKEY root, const std::wstring& key, const std::wstring& name, DWORD value)
    : m_root(root), m_key(key), m_name(name)
{
    SaveOldValue();
    WriteValue(root, key, name, REG_DWORD, &value, sizeof(value));
}

void ScopedValue::SaveOldValue()
{
    DWORD size = 0;
    if (RegGetValueW(m_root, m_key.c_str(), m_name.c_str(), RRF_RT_ANY | RRF_NOEXPAND, &m_dwOldType, nullptr,
                     &size) == ERROR_SUCCESS) {
        m_oldData.resize(size);
        m_bHadValue = RegGetValueW(m_root, m_key.c_str(), m_name.c_str(), RRF_RT_ANY | RRF_NOEXPAND,
                                   &m_dwOldType, m_oldData.data(), &size) == ERROR_SUCCESS;
        m_oldData.resize(size);
    }
}

ScopedValue::~ScopedValue()
{
    if (m_bHadValue)
        WriteValue(m_root, m_key, m_name, m_dwOldType, m_oldData.data(),
                   static_cast<DWORD>(m_oldData.size()));
    else
        RegDeleteKeyValueW(m_root, m_key.c_str(), m_name.c_str());
}

ProfileEntry::ProfileEntry(const std::wstring& sid, const std::wstring& imagePath, DWORD type) : m_sid(sid)
{
    DeleteKey(HKEY_LOCAL_MACHINE, Key());
    if (type == REG_NONE)
        CreateKey(HKEY_LOCAL_MACHINE, Key());
    else
        WriteValue(HKEY_LOCAL_MACHINE, Key(), L"ProfileImagePath", type, imagePath.c_str(),
                   static_cast<DWORD>((imagePath.size() + 1) * sizeof(wchar_t)));
}

ProfileEntry::~ProfileEntry()
{
    DeleteKey(HKEY_LOCAL_MACHINE, Key());
}

std::wstring ProfileEntry::Key() const
{
    return std::wstring(kProfileList) + L"\\" + m_sid;
}

bool SaveHive(HKEY root, const std::wstring& key, const std::wstring& file)
{
    HKEY h = nullptr;
    LONG r = RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, &h);
    if (r != ERROR_SUCCESS)
        return Fail(L"cannot open " + key + L" to save it", static_cast<DWORD>(r));
    // Windows refuses to replace a file; Wine writes over it.
    DeleteFileW(file.c_str());
    {
        const HivePrivileges privileges;
        r = RegSaveKeyW(h, file.c_str(), nullptr);
    }
    RegCloseKey(h);
    return r == ERROR_SUCCESS || Fail(L"cannot save " + key + L" to " + file, static_cast<DWORD>(r));
}

LoadedHive::LoadedHive(const std::wstring& name, const std::wstring& file) : m_name(name)
{
    const HivePrivileges privileges;
    const LONG r = RegLoadKeyW(HKEY_USERS, name.c_str(), file.c_str());
    m_bLoaded = r == ERROR_SUCCESS ||
                Fail(L"cannot load " + file + L" as HKEY_USERS\\" + name, static_cast<DWORD>(r));
}

LoadedHive::~LoadedHive()
{
    if (!m_bLoaded)
        return;
    const HivePrivileges privileges;
    const LONG r = RegUnLoadKeyW(HKEY_USERS, m_name.c_str());
    if (r != ERROR_SUCCESS)
        Fail(L"cannot unload HKEY_USERS\\" + m_name, static_cast<DWORD>(r));
}

bool ProcessPrivilegeEnabled(const wchar_t* name)
{
    HANDLE token = nullptr;
    LUID luid = {};
    if (!LookupPrivilegeValueW(nullptr, name, &luid) ||
        !OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return false;
    DWORD size = 0;
    GetTokenInformation(token, TokenPrivileges, nullptr, 0, &size);
    std::vector<ULONG_PTR> buffer(size / sizeof(ULONG_PTR) + 1);
    bool enabled = false;
    if (GetTokenInformation(token, TokenPrivileges, buffer.data(), size, &size)) {
        const auto* privileges = reinterpret_cast<const TOKEN_PRIVILEGES*>(buffer.data());
        for (DWORD i = 0; i < privileges->PrivilegeCount; ++i) {
            const LUID_AND_ATTRIBUTES& p = privileges->Privileges[i];
            if (p.Luid.LowPart == luid.LowPart && p.Luid.HighPart == luid.HighPart)
                enabled = (p.Attributes & SE_PRIVILEGE_ENABLED) != 0;
        }
    }
    CloseHandle(token);
    return enabled;
}

bool ThreadHasToken()
{
    HANDLE token = nullptr;
    if (!OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, TRUE, &token))
        return false;
    CloseHandle(token);
    return true;
}

std::wstring CurrentUserSid()
{
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return std::wstring();
    BYTE buffer[512] = {};
    DWORD size = 0;
    std::wstring sid;
    if (GetTokenInformation(token, TokenUser, buffer, sizeof(buffer), &size)) {
        LPWSTR text = nullptr;
        if (ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid, &text)) {
            sid = text;
            LocalFree(text);
        }
    }
    CloseHandle(token);
    return sid;
}

std::ostream& operator<<(std::ostream& out, const RegistryValue& value)
{
    out << "type 0x" << std::hex << value.type << ":";
    for (const BYTE b : value.data)
        out << ' ' << std::setw(2) << std::setfill('0') << static_cast<int>(b);
    return out << std::dec;
}

bool ReadRegistryTree(HKEY root, const std::wstring& key, REGSAM view, RegistryTree& tree)
{
    tree.clear();
    return ReadKeyInto(root, key, view, std::wstring(), tree);
}

UnreadableKey::UnreadableKey(HKEY root, const std::wstring& key) : m_root(root), m_key(key)
{
    if (CreateKey(root, key))
        SetKeyAccess(root, key, false);
}

UnreadableKey::~UnreadableKey()
{
    SetKeyAccess(m_root, m_key, true);
}

std::wstring LongPath(const std::wstring& path)
{
    if (path.size() >= 2 && path[1] == L':')
        return L"\\\\?\\" + path;
    return path;
}

bool MakeFolder(const std::wstring& path)
{
    if (Exists(path))
        return true;
    const size_t slash = path.find_last_of(L'\\');
    if (slash != std::wstring::npos && slash > 2 && !MakeFolder(path.substr(0, slash)))
        return false;
    return CreateDirectoryW(LongPath(path).c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS ||
           Fail(L"cannot create the folder " + path, GetLastError());
}

bool MakeFile(const std::wstring& path, const std::string& content)
{
    const size_t slash = path.find_last_of(L'\\');
    if (slash != std::wstring::npos && !MakeFolder(path.substr(0, slash)))
        return false;
    const HANDLE h = CreateFileW(LongPath(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return Fail(L"cannot create the file " + path, GetLastError());
    DWORD written = 0;
    const BOOL ok = WriteFile(h, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
    CloseHandle(h);
    return ok || Fail(L"cannot write the file " + path, GetLastError());
}

bool Exists(const std::wstring& path)
{
    return GetFileAttributesW(LongPath(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

void RemoveTree(const std::wstring& path)
{
    const std::wstring longPath = LongPath(path);
    const DWORD attributes = GetFileAttributesW(longPath.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return;
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        SetFileAttributesW(longPath.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(longPath.c_str());
        return;
    }
    if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        WIN32_FIND_DATAW data;
        const HANDLE find = FindFirstFileW(LongPath(path + L"\\*").c_str(), &data);
        if (find != INVALID_HANDLE_VALUE) {
            do {
                const std::wstring name = data.cFileName;
                if (name != L"." && name != L"..")
                    RemoveTree(path + L"\\" + name);
            } while (FindNextFileW(find, &data));
            FindClose(find);
        }
    }
    RemoveDirectoryW(longPath.c_str());
}

int CountFiles(const std::wstring& folder)
{
    WIN32_FIND_DATAW data;
    const HANDLE find = FindFirstFileW(LongPath(folder + L"\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return 0;
    int count = 0;
    do {
        const std::wstring name = data.cFileName;
        if (name == L"." || name == L"..")
            continue;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            count += CountFiles(folder + L"\\" + name);
        else
            ++count;
    } while (FindNextFileW(find, &data));
    FindClose(find);
    return count;
}

std::string ReadBytes(const std::wstring& path)
{
    std::string bytes;
    const HANDLE file = CreateFileW(LongPath(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return bytes;
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(file, buffer, sizeof(buffer), &read, nullptr) && read > 0)
        bytes.append(buffer, read);
    CloseHandle(file);
    return bytes;
}

std::vector<std::wstring> LogLines(const std::wstring& path)
{
    const std::string bytes = ReadBytes(path);
    if (bytes.compare(0, 3, "\xEF\xBB\xBF") != 0)
        Fail(L"the log " + path + L" has no byte-order mark", 0);
    const std::wstring text = FromUtf8(bytes.size() >= 3 ? bytes.substr(3) : bytes);
    constexpr size_t kStamp = 20;
    std::vector<std::wstring> lines;
    size_t start = 0;
    for (size_t end; (end = text.find(L"\r\n", start)) != std::wstring::npos; start = end + 2)
        lines.push_back(end - start >= kStamp ? text.substr(start + kStamp, end - start - kStamp)
                                              : std::wstring());
    if (start != text.size())
        Fail(L"the log " + path + L" has a line without CRLF", 0);
    return lines;
}

bool HasLine(const std::vector<std::wstring>& lines, const std::wstring& line)
{
    for (const std::wstring& l : lines) {
        if (l == line)
            return true;
    }
    return false;
}

TempFolder::TempFolder()
{
    static int s_count = 0;
    m_path = L"C:\\sctest\\" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++s_count);
    RemoveEverything(m_path);
    MakeFolder(m_path);
}

TempFolder::TempFolder(std::wstring path) : m_path(std::move(path))
{
    if (Exists(m_path)) {
        Fail(L"the folder " + m_path + L" is there already: it is left alone", 0);
        m_bOwned = false;
        return;
    }
    MakeFolder(m_path);
}

TempFolder::~TempFolder()
{
    if (m_bOwned)
        RemoveEverything(m_path);
}

void RemoveEverything(const std::wstring& path)
{
    RemoveTree(path);
    if (!Exists(path))
        return;
    // What Wine cannot remove itself, such as a directory link whose target is gone, goes through
    // the Unix "rm -rf", which follows no link. Left behind, it would meet a later test whose
    // process got the same id.
    const std::wstring unixPath = UnixPath(path);
    if (!unixPath.empty() && StartUnixCommand(L"/bin/rm -rf \"" + unixPath + L"\""))
        WaitUntil([&] { return !Exists(path); });
}

FolderChain::FolderChain(const std::wstring& root, int levels) : m_root(root)
{
    // A chain left by an earlier run is too deep for RemoveTree.
    const std::wstring unix = UnixPath(root);
    if (!unix.empty() && Exists(root) && StartUnixCommand(L"/bin/rm -rf \"" + unix + L"\""))
        WaitUntil([&] { return !Exists(root); }, 60000);
    // Perl's chdir goes deeper than a shell's cd, which gives up where the full path would pass
    // 4,096 bytes.
    if (!MakeFolder(root) ||
        !MakeFile(root + L"\\chain.pl",
                  "chdir $ARGV[0] or die; for (1.." + std::to_string(levels) +
                      ") { mkdir 'a' or die; chdir 'a' or die } open(my $f, '>', 'f') or "
                      "die; close $f; open(my $m, '>', \"$ARGV[0]/made\") or die;\n"))
        return;
    if (!StartUnixCommand(L"/usr/bin/perl \"" + UnixPath(root + L"\\chain.pl") + L"\" \"" + UnixPath(root) +
                          L"\""))
        return;
    m_bMade =
        WaitUntil([&] { return Exists(root + L"\\made"); }, 60000) || Fail(L"no chain below " + root, 0);
    DeleteFileW((root + L"\\made").c_str());
    DeleteFileW((root + L"\\chain.pl").c_str());
}

FolderChain::~FolderChain()
{
    const std::wstring unix = UnixPath(m_root);
    if (!unix.empty() && StartUnixCommand(L"/bin/rm -rf \"" + unix + L"\""))
        WaitUntil([&] { return !Exists(m_root); }, 60000);
}

bool StartUnixCommand(std::wstring command)
{
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &info))
        return Fail(L"cannot start " + command, GetLastError());
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    return true;
}

bool RunAndWait(std::wstring commandLine, DWORD& exitCode, DWORD timeoutMs)
{
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                        nullptr, &startup, &info))
        return Fail(L"cannot start " + commandLine, GetLastError());
    CloseHandle(info.hThread);
    const bool ended = WaitForSingleObject(info.hProcess, timeoutMs) == WAIT_OBJECT_0;
    if (!ended)
        TerminateProcess(info.hProcess, 1);
    GetExitCodeProcess(info.hProcess, &exitCode);
    CloseHandle(info.hProcess);
    return ended || Fail(L"no end within the timeout: " + commandLine, WAIT_TIMEOUT);
}

bool MakeDirectoryLink(const std::wstring& link, const std::wstring& target)
{
    // "ln -s" would put the new link inside a folder or link left at that name.
    if (Exists(link))
        return Fail(L"no link was made at " + link + L": something is there already", 0);
    const std::wstring unixTarget = UnixPath(target);
    // The link does not exist yet: map its folder, then add its name.
    const size_t slash = link.find_last_of(L'\\');
    const std::wstring unixFolder = UnixPath(link.substr(0, slash));
    if (unixTarget.empty() || unixFolder.empty())
        return Fail(L"no Unix path for " + link + L": not running under Wine", 0);
    if (!StartUnixCommand(L"/bin/ln -s \"" + unixTarget + L"\" \"" + unixFolder + L"/" +
                          link.substr(slash + 1) + L"\""))
        return false;
    const bool made = WaitUntil([&] { return Exists(link); });
    return (made && (GetFileAttributesW(link.c_str()) & FILE_ATTRIBUTE_REPARSE_POINT)) ||
           Fail(L"no link was made at " + link, 0);
}

bool LetEveryoneWrite(const std::wstring& folder)
{
    const std::wstring unixFolder = UnixPath(folder);
    if (unixFolder.empty())
        return Fail(L"no Unix path for " + folder + L": not running under Wine", 0);
    if (!StartUnixCommand(L"/bin/chmod 0777 \"" + unixFolder + L"\""))
        return false;
    // The change is seen once the folder's "everyone" entry grants writing.
    return WaitUntil([&] {
               HANDLE h =
                   CreateFileW(LongPath(folder).c_str(), READ_CONTROL, FILE_SHARE_READ | FILE_SHARE_WRITE,
                               nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
               if (h == INVALID_HANDLE_VALUE)
                   return false;
               PACL dacl = nullptr;
               PSECURITY_DESCRIPTOR sd = nullptr;
               bool writable = false;
               if (GetSecurityInfo(h, SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &dacl,
                                   nullptr, &sd) == ERROR_SUCCESS &&
                   dacl) {
                   for (DWORD i = 0; i < dacl->AceCount; ++i) {
                       void* ace = nullptr;
                       if (GetAce(dacl, i, &ace) &&
                           (static_cast<ACCESS_ALLOWED_ACE*>(ace)->Mask & FILE_WRITE_DATA) &&
                           IsWellKnownSid(&static_cast<ACCESS_ALLOWED_ACE*>(ace)->SidStart, WinWorldSid))
                           writable = true;
                   }
               }
               LocalFree(sd);
               CloseHandle(h);
               return writable;
           }) ||
           Fail(L"everyone cannot write in " + folder, 0);
}

bool MakeHardLink(const std::wstring& link, const std::wstring& target)
{
    const std::wstring unixTarget = UnixPath(target);
    const size_t slash = link.find_last_of(L'\\');
    if (!MakeFolder(link.substr(0, slash)))
        return false;
    const std::wstring unixFolder = UnixPath(link.substr(0, slash));
    if (unixTarget.empty() || unixFolder.empty())
        return Fail(L"no Unix path for " + link + L": not running under Wine", 0);
    if (!StartUnixCommand(L"/bin/ln \"" + unixTarget + L"\" \"" + unixFolder + L"/" + link.substr(slash + 1) +
                          L"\""))
        return false;
    return WaitUntil([&] { return Exists(link); }) || Fail(L"no hard link was made at " + link, 0);
}

bool SwapForDirectoryLink(const std::wstring& folder, const std::wstring& movedTo, const std::wstring& target)
{
    const std::wstring unixFolder = UnixPath(folder);
    const std::wstring unixTarget = UnixPath(target);
    const size_t slash = movedTo.find_last_of(L'\\');
    if (unixFolder.empty() || unixTarget.empty() || slash == std::wstring::npos)
        return Fail(L"no Unix path for " + folder + L": not running under Wine", 0);
    const std::wstring unixMovedTo = UnixPath(movedTo.substr(0, slash)) + L"/" + movedTo.substr(slash + 1);
    // One shell command, so that the name is without a folder only for the moment between the two.
    if (!StartUnixCommand(L"/bin/sh -c \"mv '" + unixFolder + L"' '" + unixMovedTo + L"' && ln -s '" +
                          unixTarget + L"' '" + unixFolder + L"'\""))
        return false;
    return WaitUntil([&] {
        const DWORD attributes = GetFileAttributesW(LongPath(folder).c_str());
        return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
    });
}

DosDeviceLink::DosDeviceLink(const std::wstring& name, const std::wstring& target, const std::wstring& probe)
    : m_probe(probe)
{
    wchar_t prefix[MAX_PATH] = {};
    const std::wstring unixTarget = UnixPath(target);
    if (!GetEnvironmentVariableW(L"WINEPREFIX", prefix, MAX_PATH) || unixTarget.empty()) {
        Fail(L"a dosdevices mapping needs WINEPREFIX and Wine", 0);
        return;
    }
    m_unixLink = std::wstring(prefix) + L"/dosdevices/" + name;
    const std::wstring folder = m_unixLink.substr(0, m_unixLink.find_last_of(L'/'));
    if (StartUnixCommand(L"/bin/sh -c \"mkdir -p '" + folder + L"' && ln -sfn '" + unixTarget + L"' '" +
                         m_unixLink + L"'\"") &&
        !WaitUntil([&] { return Exists(m_probe); }))
        Fail(L"the mapping " + name + L" did not appear", 0);
}

DosDeviceLink::~DosDeviceLink()
{
    if (m_unixLink.empty())
        return;
    if (StartUnixCommand(L"/bin/rm -f \"" + m_unixLink + L"\"") &&
        !WaitUntil([&] { return !Exists(m_probe); }))
        Fail(L"the mapping " + m_unixLink + L" stayed", 0);
}

bool MakeRegistryLink(HKEY root, const std::wstring& key, const std::wstring& target, REGSAM view)
{
    HKEY link = nullptr;
    const LONG r = RegCreateKeyExW(root, key.c_str(), 0, nullptr, REG_OPTION_CREATE_LINK,
                                   KEY_ALL_ACCESS | KEY_CREATE_LINK | view, nullptr, &link, nullptr);
    if (r != ERROR_SUCCESS)
        return Fail(L"cannot create the registry link " + key, static_cast<DWORD>(r));
    // The link's target is stored without a terminating zero.
    RegSetValueExW(link, L"SymbolicLinkValue", 0, REG_LINK, reinterpret_cast<const BYTE*>(target.c_str()),
                   static_cast<DWORD>(target.size() * sizeof(wchar_t)));
    RegCloseKey(link);
    return true;
}

void RemoveRegistryLink(HKEY root, const std::wstring& key, REGSAM view)
{
    using NtDeleteKeyFn = LONG(WINAPI*)(HANDLE);
    const auto ntDeleteKey = reinterpret_cast<NtDeleteKeyFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtDeleteKey")));
    HKEY link = nullptr;
    if (RegOpenKeyExW(root, key.c_str(), REG_OPTION_OPEN_LINK, DELETE | view, &link) == ERROR_SUCCESS) {
        ntDeleteKey(link);
        RegCloseKey(link);
    }
}

namespace {

// The sub-key's name holds a NUL: the registry keeps counted names, the Win32 functions cut a name
// at its NUL, so no Win32 call can open the key, or delete it or the key above it.
const wchar_t kLockedName[] = L"Locked\0hidden";

using NtCreateKeyCall = LONG(WINAPI*)(PHANDLE, ACCESS_MASK, POBJECT_ATTRIBUTES, ULONG, PUNICODE_STRING, ULONG,
                                      PULONG);
using NtOpenKeyCall = LONG(WINAPI*)(PHANDLE, ACCESS_MASK, POBJECT_ATTRIBUTES);
using NtDeleteKeyCall = LONG(WINAPI*)(HANDLE);

template <class Call> Call FromNtdll(const char* name)
{
    return reinterpret_cast<Call>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), name)));
}

struct LockedName
{
    UNICODE_STRING name;
    OBJECT_ATTRIBUTES attributes;
    explicit LockedName(HKEY parent)
    {
        name.Buffer = const_cast<wchar_t*>(kLockedName);
        name.Length = static_cast<USHORT>((ARRAYSIZE(kLockedName) - 1) * sizeof(wchar_t));
        name.MaximumLength = name.Length;
        InitializeObjectAttributes(&attributes, &name, OBJ_CASE_INSENSITIVE, parent, nullptr);
    }
};

} // namespace

UndeletableSubKey::UndeletableSubKey(HKEY root, const std::wstring& key, REGSAM view)
    : m_root(root), m_key(key), m_view(view)
{
    HKEY parent = nullptr;
    LONG r =
        RegCreateKeyExW(root, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view, nullptr, &parent, nullptr);
    if (r != ERROR_SUCCESS) {
        Fail(L"cannot create " + key, static_cast<DWORD>(r));
        return;
    }
    LockedName locked(parent);
    HANDLE handle = nullptr;
    r = FromNtdll<NtCreateKeyCall>("NtCreateKey")(&handle, KEY_ALL_ACCESS, &locked.attributes, 0, nullptr, 0,
                                                  nullptr);
    RegCloseKey(parent);
    if (r < 0) {
        Fail(L"cannot create a sub-key with a NUL in its name below " + key, static_cast<DWORD>(r));
        return;
    }
    CloseHandle(handle);
    m_bMade = true;
}

UndeletableSubKey::~UndeletableSubKey()
{
    HKEY parent = nullptr;
    if (RegOpenKeyExW(m_root, m_key.c_str(), 0, KEY_ALL_ACCESS | m_view, &parent) != ERROR_SUCCESS)
        return;
    LockedName locked(parent);
    HANDLE handle = nullptr;
    if (FromNtdll<NtOpenKeyCall>("NtOpenKey")(&handle, DELETE, &locked.attributes) >= 0) {
        FromNtdll<NtDeleteKeyCall>("NtDeleteKey")(handle);
        CloseHandle(handle);
    }
    RegCloseKey(parent);
}

std::wstring ShellFolder(int csidl)
{
    wchar_t buffer[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, csidl | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, buffer);
    return buffer;
}

std::wstring KnownFolder(REFKNOWNFOLDERID id)
{
    PWSTR path = nullptr;
    if (FAILED(SHGetKnownFolderPath(id, KF_FLAG_CREATE, nullptr, &path)))
        return std::wstring();
    std::wstring result = path;
    CoTaskMemFree(path);
    return result;
}

ScopedShellFolder::ScopedShellFolder(const wchar_t* valueName, const std::wstring& path)
    : m_name(valueName), m_old(ReadString(HKEY_LOCAL_MACHINE, kShellFolders, valueName))
{
    SetString(HKEY_LOCAL_MACHINE, kShellFolders, m_name, path);
}

ScopedShellFolder::~ScopedShellFolder()
{
    if (!m_old.empty())
        WriteValue(HKEY_LOCAL_MACHINE, kShellFolders, m_name, REG_EXPAND_SZ, m_old.c_str(),
                   static_cast<DWORD>((m_old.size() + 1) * sizeof(wchar_t)));
    else
        RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, kShellFolders, m_name.c_str());
}

LockedFile::LockedFile(const std::wstring& path)
    : m_handle(CreateFileW(LongPath(path).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                           FILE_FLAG_BACKUP_SEMANTICS, nullptr))
{
    if (m_handle == INVALID_HANDLE_VALUE)
        Fail(L"cannot lock " + path, GetLastError());
}

void LockedFile::Release()
{
    if (m_handle != INVALID_HANDLE_VALUE)
        CloseHandle(m_handle);
    m_handle = INVALID_HANDLE_VALUE;
}

} // namespace fixture
