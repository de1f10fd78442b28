// The registry backups the program writes, as a test reads and restores them.
#pragma once

#include "testkit/Fixtures.h"

#include <set>
#include <string>
#include <vector>

// The .reg files in the program's Backup folder.
std::set<std::wstring> BackupFiles();
// The files that are there now and were not in before.
std::vector<std::wstring> NewBackupFiles(const std::set<std::wstring>& before);
// `reg import` of the file, as an administrator restores it; true when reg.exe ended with 0.
bool ImportRegFile(const std::wstring& file);

// Values of every kind a product's key may hold, and a sub-key, written below root\key in view: a
// string with CR LF, one with an embedded NUL, REG_EXPAND_SZ, REG_MULTI_SZ, REG_QWORD, REG_NONE, a
// binary long enough to wrap, names holding '"' and '\', the default value, a Japanese name.
void WriteOddValues(HKEY root, const std::wstring& key, REGSAM view = 0);

// A tree as it is now, for comparing it with what an import brings back.
fixture::RegistryTree TreeOf(HKEY root, const std::wstring& key, REGSAM view = 0);

// An ordinary file where the Backup folder would be, for as long as the object lives: the folder
// cannot be made.
class BlockedBackupFolder
{
public:
    BlockedBackupFolder();
    ~BlockedBackupFolder();
    BlockedBackupFolder(const BlockedBackupFolder&) = delete;
    BlockedBackupFolder& operator=(const BlockedBackupFolder&) = delete;

private:
    std::wstring m_moved; // where the real folder went meanwhile
};
