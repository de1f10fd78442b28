#include "support/Fixtures.h"

#include <gtest/gtest.h>
#include <shlobj.h>

#include <vector>

namespace fixture {

std::wstring FromCp932(const CString& text)
{
    if (text.IsEmpty())
        return std::wstring();
    const int n = MultiByteToWideChar(932, 0, text.GetString(), text.GetLength(), nullptr, 0);
    std::wstring out(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(932, 0, text.GetString(), text.GetLength(), out.data(), n);
    return out;
}

CString ToCp932(const std::wstring& text)
{
    if (text.empty())
        return CString();
    const int n =
        WideCharToMultiByte(932, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(932, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
    return CString(out);
}

namespace {

HKEY CreateOrOpen(HKEY root, const std::wstring& key)
{
    HKEY h = nullptr;
    const LONG r = RegCreateKeyExW(root, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h, nullptr);
    EXPECT_EQ(r, ERROR_SUCCESS) << "cannot create key";
    return h;
}

} // namespace

void SetString(HKEY root, const std::wstring& key, const std::wstring& name, const std::wstring& value)
{
    HKEY h = CreateOrOpen(root, key);
    RegSetValueExW(h, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(h);
}

void SetDword(HKEY root, const std::wstring& key, const std::wstring& name, DWORD value)
{
    HKEY h = CreateOrOpen(root, key);
    RegSetValueExW(h, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
    RegCloseKey(h);
}

void CreateKey(HKEY root, const std::wstring& key)
{
    RegCloseKey(CreateOrOpen(root, key));
}

bool KeyExists(HKEY root, const std::wstring& key)
{
    HKEY h = nullptr;
    if (RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS)
        return false;
    RegCloseKey(h);
    return true;
}

bool ValueExists(HKEY root, const std::wstring& key, const std::wstring& name)
{
    HKEY h = nullptr;
    if (RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS)
        return false;
    const bool found = RegQueryValueExW(h, name.c_str(), nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
    RegCloseKey(h);
    return found;
}

void DeleteKey(HKEY root, const std::wstring& key)
{
    RegDeleteTreeW(root, key.c_str());
    RegDeleteKeyW(root, key.c_str());
}

std::wstring LongPath(const std::wstring& path)
{
    if (path.size() >= 2 && path[1] == L':')
        return L"\\\\?\\" + path;
    return path;
}

void MakeFolder(const std::wstring& path)
{
    if (Exists(path))
        return;
    const size_t slash = path.find_last_of(L'\\');
    if (slash != std::wstring::npos && slash > 2)
        MakeFolder(path.substr(0, slash));
    ASSERT_TRUE(CreateDirectoryW(LongPath(path).c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS)
        << "cannot create folder, error " << GetLastError();
}

void MakeFile(const std::wstring& path, const std::string& content)
{
    const size_t slash = path.find_last_of(L'\\');
    if (slash != std::wstring::npos)
        MakeFolder(path.substr(0, slash));
    HANDLE h = CreateFileW(LongPath(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE) << "cannot create file, error " << GetLastError();
    DWORD written = 0;
    WriteFile(h, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
    CloseHandle(h);
}

bool Exists(const std::wstring& path)
{
    return GetFileAttributesW(LongPath(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

void RemoveTree(const std::wstring& path)
{
    const DWORD attributes = GetFileAttributesW(LongPath(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return;
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
        if (attributes & FILE_ATTRIBUTE_DIRECTORY)
            RemoveDirectoryW(LongPath(path).c_str());
        else
            DeleteFileW(LongPath(path).c_str());
        return;
    }
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        SetFileAttributesW(LongPath(path).c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(LongPath(path).c_str());
        return;
    }
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW(LongPath(path + L"\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = data.cFileName;
            if (name != L"." && name != L"..")
                RemoveTree(path + L"\\" + name);
        } while (FindNextFileW(find, &data));
        FindClose(find);
    }
    RemoveDirectoryW(LongPath(path).c_str());
}

namespace {

// The Unix path of a Windows path, as Wine maps it (UTF-8 under the suite's locales).
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

// Starts a Unix program given by its absolute path; Wine splits its arguments by the Windows rules,
// so they are quoted with double quotes. The process handle of a Unix program cannot be waited
// for: the callers wait for the effect instead.
bool StartUnix(std::wstring command)
{
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &info))
        return false;
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    return true;
}

bool IsDirectoryLink(const std::wstring& path)
{
    const DWORD attributes = GetFileAttributesW(LongPath(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

} // namespace

void MakeDirectoryLink(const std::wstring& link, const std::wstring& target)
{
    const std::wstring unixTarget = UnixPath(target);
    // The link does not exist yet: map its folder, then add its name.
    const size_t slash = link.find_last_of(L'\\');
    const std::wstring unixFolder = UnixPath(link.substr(0, slash));
    ASSERT_FALSE(unixTarget.empty() || unixFolder.empty()) << "not running under Wine";
    ASSERT_TRUE(StartUnix(L"/bin/ln -s \"" + unixTarget + L"\" \"" + unixFolder + L"/" +
                          link.substr(slash + 1) + L"\""));
    WaitUntil([&] { return IsDirectoryLink(link); });
    ASSERT_TRUE(IsDirectoryLink(link)) << "no link was made";
}

bool SwapForDirectoryLink(const std::wstring& folder, const std::wstring& movedTo, const std::wstring& target)
{
    const std::wstring unixFolder = UnixPath(folder);
    const std::wstring unixTarget = UnixPath(target);
    const size_t slash = movedTo.find_last_of(L'\\');
    const std::wstring unixMovedTo = UnixPath(movedTo.substr(0, slash)) + L"/" + movedTo.substr(slash + 1);
    if (unixFolder.empty() || unixTarget.empty() || slash == std::wstring::npos)
        return false;
    // One shell command, so that the name is without a folder only for the moment between the two.
    if (!StartUnix(L"/bin/sh -c \"mv '" + unixFolder + L"' '" + unixMovedTo + L"' && ln -s '" + unixTarget +
                   L"' '" + unixFolder + L"'\""))
        return false;
    return WaitUntil([&] { return IsDirectoryLink(folder); });
}

namespace {

// RemoveTree, and then the Unix "rm -rf" (which follows no link) for what Wine cannot remove
// itself: a directory link whose target is gone. Left behind, it would meet a later test whose
// process got the same id.
void RemoveAll(const std::wstring& path)
{
    RemoveTree(path);
    if (!Exists(path))
        return;
    const std::wstring unixPath = UnixPath(path);
    if (!unixPath.empty() && StartUnix(L"/bin/rm -rf \"" + unixPath + L"\""))
        WaitUntil([&] { return !Exists(path); });
}

} // namespace

TempFolder::TempFolder()
{
    const testing::TestInfo* info = testing::UnitTest::GetInstance()->current_test_info();
    std::wstring name = L"test";
    if (info) {
        const std::string full = std::string(info->test_suite_name()) + "." + info->name();
        name.assign(full.begin(), full.end());
        for (wchar_t& c : name) {
            if (c == L'/')
                c = L'_';
        }
    }
    m_path = L"C:\\sctest\\" + name + L"-" + std::to_wstring(GetCurrentProcessId());
    RemoveAll(m_path);
    MakeFolder(m_path);
}

TempFolder::~TempFolder()
{
    RemoveAll(m_path);
}

void MakeRegistryLink(HKEY root, const std::wstring& key, const std::wstring& target)
{
    HKEY link = nullptr;
    ASSERT_EQ(RegCreateKeyExW(root, key.c_str(), 0, nullptr, REG_OPTION_CREATE_LINK,
                              KEY_ALL_ACCESS | KEY_CREATE_LINK, nullptr, &link, nullptr),
              ERROR_SUCCESS);
    // The link's target is stored without a terminating zero.
    RegSetValueExW(link, L"SymbolicLinkValue", 0, REG_LINK, reinterpret_cast<const BYTE*>(target.c_str()),
                   static_cast<DWORD>(target.size() * sizeof(wchar_t)));
    RegCloseKey(link);
}

void RemoveRegistryLink(HKEY root, const std::wstring& key)
{
    using NtDeleteKeyFn = LONG(WINAPI*)(HANDLE);
    const auto ntDeleteKey = reinterpret_cast<NtDeleteKeyFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtDeleteKey")));
    HKEY link = nullptr;
    if (RegOpenKeyExW(root, key.c_str(), REG_OPTION_OPEN_LINK, DELETE, &link) == ERROR_SUCCESS) {
        ntDeleteKey(link);
        RegCloseKey(link);
    }
}

std::wstring ShellFolder(int csidl)
{
    wchar_t buffer[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, csidl | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, buffer);
    return buffer;
}

LockedFile::LockedFile(const std::wstring& path)
    : m_handle(CreateFileW(LongPath(path).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                           FILE_FLAG_BACKUP_SEMANTICS, nullptr))
{
    EXPECT_NE(m_handle, INVALID_HANDLE_VALUE) << "cannot lock the file";
}

void LockedFile::Release()
{
    if (m_handle != INVALID_HANDLE_VALUE)
        CloseHandle(m_handle);
    m_handle = INVALID_HANDLE_VALUE;
}

} // namespace fixture
