// The program's own folders: its home, %SystemRoot%\Logs\SeriesClean, which holds the log of an
// unattended run and, in Backup below it, the registry backups. Ordinary users can neither write
// there nor replace anything: the program runs elevated or as SYSTEM, and what it writes must not be
// turned by anyone else into a write somewhere else.
#pragma once

#include <windows.h>

#include <string>

// %SystemRoot%\Logs\SeriesClean and its Backup folder (not created).
std::wstring ProgramHomePath();
std::wstring BackupFolderPath();

// Makes sure path is one of the program's folders: created when missing (only SYSTEM and
// Administrators may change it, users may read it); refused when it is a link or reached through
// one, is not a folder, or someone else may change it. 0, or the Windows error, with why in words.
[[nodiscard]] DWORD EnsureProgramFolder(const std::wstring& path, std::wstring& why);

// The home, and the home with its Backup folder.
[[nodiscard]] DWORD EnsureProgramHome(std::wstring& why);
[[nodiscard]] DWORD EnsureBackupFolder(std::wstring& why);
