// Path operations of the survey and the removal. They read the file system and never change it.
// Every search for a backslash is double-byte aware.
#pragma once

#include "framework/String.h"

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
// names, stored letter case); empty when it does not exist, does not start with a drive or holds a
// wildcard.
CString GetOnDiskPath(CString strPath);
