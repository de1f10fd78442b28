#include "removal/RemovalBackup.h"

#include "framework/Text.h"
#include "removal/ProgramFolders.h"
#include "removal/RegistryBackup.h"

#include <cstdio>

namespace {

// A file name holds none of these; a product's name could.
std::wstring FileNameOf(std::wstring text)
{
    for (wchar_t& c : text) {
        if (c < L' ' || std::wstring(L"\\/:*?\"<>|").find(c) != std::wstring::npos)
            c = L'_';
    }
    return text;
}

} // namespace

std::wstring RegeditName(const RemovalKey& key)
{
    const std::wstring path = win32::Widen(key.path);
    if (!key.profile.empty())
        return L"HKEY_USERS\\" + key.profile + L"\\" + path;
    return ExportName(key.root, path, key.view);
}

bool BackUpKeys(const std::vector<RemovalKey>& keys, const std::wstring& what, std::wstring& file,
                std::wstring& why, DWORD& error)
{
    error = EnsureBackupFolder(why);
    if (error) {
        why = L"the folder " + BackupFolderPath() + L" cannot be used: " + why;
        return false;
    }
    std::vector<BackupKey> backup;
    for (const RemovalKey& key : keys)
        backup.push_back({key.root, win32::Widen(key.path), key.view, RegeditName(key)});
    SYSTEMTIME now = {};
    GetLocalTime(&now);
    wchar_t stamp[32];
    std::swprintf(stamp, 32, L"%04u-%02u-%02u %02u.%02u.%02u ", now.wYear, now.wMonth, now.wDay, now.wHour,
                  now.wMinute, now.wSecond);
    if (!WriteRegistryBackup(backup, BackupFolderPath(), stamp + FileNameOf(what), file, error)) {
        why = L"the backup cannot be written completely";
        return false;
    }
    return true;
}
