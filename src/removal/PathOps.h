// Path operations of the survey and the removal. They read the file system and never change it.
// Every search for a backslash is double-byte aware.
#pragma once

#include "framework/String.h"

#include <string>

// Searches the tree under strRoot (strRoot included), depth first in listing order, for a folder
// that holds a file named strFileName. 1 with that folder in strFolder; 0 otherwise, strFolder
// untouched. A folder is tested when its first file comes up; links are never entered.
int FindShortcutFolder(CString strRoot, CString strFileName, CString& strFolder);

// 1 with the on-disk name (no folder part) of the first match of strPattern that is a file; 0 when
// there is none or strPattern is empty.
int FindFirstFileName(CString strPattern, CString& strName);

// The text after the last backslash; empty when there is none or the path ends with one.
CString GetLastPathComponent(CString strPath);

// The text before the last backslash; empty when there is none.
CString GetParentPath(CString strPath);

// The existing path strPath ("X:\...") with every component spelled as stored on disk (long
// names, stored letter case); empty when it does not exist, is not a local full path (see
// GetLocalFullPath) or has a component whose stored name code page 932 cannot hold.
CString GetOnDiskPath(CString strPath);

// strPath in the one form every later step uses: "/" read as "\", "." and ".." resolved, trailing
// dots and blanks of the last component dropped, no trailing backslash but on a drive root
// ("C:\"), as GetFullPathName gives it. Empty when strPath is not an absolute local drive path
// ("X:\..." or "X:/..."): relative, drive-relative ("C:x"), device ("\\.\", "\\?\", "\??\") and
// share ("\\server\share") spellings name nothing, and so does a path with a wildcard, a stream
// (":" after the drive), a control character, or a component that stays ".", ".." or ends in a dot
// or a blank after the normalisation.
CString GetLocalFullPath(CString strPath);

// A folder path that other software wrote, in UTF-16 (a user's folder need not fit code page 932),
// in the form the protected folders are compared in: as GetFullPathNameW gives it, without a
// trailing backslash but on a drive root. Empty unless it is an absolute local drive path
// ("X:\..." or "X:/...").
std::wstring GetLocalFolderPath(const std::wstring& path);
