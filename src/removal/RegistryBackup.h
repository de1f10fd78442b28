// A backup of registry keys before they are deleted: one new .reg file in the form regedit writes
// (UTF-16 with a byte-order mark, "Windows Registry Editor Version 5.00"), so that a double click or
// `reg import` writes every key, value name, type and data byte back as it was. One thing the
// import itself changes: data of a string type (REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ) that does not
// end in a NUL character gets one, over the last byte of an odd length. The file holds the exact
// bytes all the same.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// One key to back up: where it is read, and the name the file gives it.
struct BackupKey
{
    HKEY root = nullptr;     // HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER or HKEY_USERS
    std::wstring path;       // below root, as the program opens it
    REGSAM view = 0;         // KEY_WOW64_32KEY for the products' machine keys, 0 otherwise
    std::wstring exportName; // the full name written in the file ("HKEY_USERS\S-1-5-21-...\Software\...")
};

// The name under which regedit and `reg import` on this Windows see root\path in that view. In the
// 64-bit build (which runs on 64-bit Windows) a machine key below SOFTWARE read in the 32-bit view
// is "HKEY_LOCAL_MACHINE\SOFTWARE\WOW6432Node\..."; in the 32-bit build (which runs on 32-bit
// Windows only) it is the plain path. Windows shares a few keys below SOFTWARE between the views
// (parts of Classes, Policies and some others): this does not know them, and the program backs up
// none of them. Backslashes at either end of path are dropped; empty for any other root.
std::wstring ExportName(HKEY root, const std::wstring& path, REGSAM view);

// Writes every key of keys that exists, with all its values and sub-keys, into a new file
// folder\<fileName>.reg, or "<fileName> (2).reg" and so on when that name is taken: an existing
// file is never overwritten and a link is never followed. All keys are read before the file is
// made. True with the file's path in filePath, also when none of the keys exists (the file then
// holds the header only). False when the backup cannot be written completely, with the Windows
// error in error and no file left:
// - a key that exists but cannot be read (a key that does not exist is skipped);
// - ERROR_INVALID_DATA: a key or value name the format cannot hold (one with CR, LF or NUL);
// - ERROR_INVALID_PARAMETER: an empty export name;
// - ERROR_INVALID_NAME: a file name with "\", "/" or ":" (it would name another place or a stream),
//   or one that names a device;
// - the error of making or writing the file.
[[nodiscard]] bool WriteRegistryBackup(const std::vector<BackupKey>& keys, const std::wstring& folder,
                                       const std::wstring& fileName, std::wstring& filePath, DWORD& error);
