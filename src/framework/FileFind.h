// CFileFind: a directory enumeration. FindFile starts it and FindNextFile steps to the next
// match, returning FALSE when the match it stepped to is the last. The find handle is closed by
// Close, by a new FindFile and by the destructor.
#pragma once

#include "framework/String.h"

#include <windows.h>

class CFileFind
{
public:
    CFileFind() = default;
    ~CFileFind() { Close(); }
    CFileFind(const CFileFind&) = delete;
    CFileFind& operator=(const CFileFind&) = delete;

    BOOL FindFile(const CString& name);
    BOOL FindNextFile();
    void Close();

    // Name of the current match as stored on disk.
    CString GetFileName() const;
    // The folder part of the name given to FindFile, a backslash and the current match's name.
    CString GetFilePath() const;
    BOOL IsDirectory() const { return (m_current.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }
    BOOL IsReparsePoint() const { return (m_current.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0; }
    BOOL IsDots() const;

private:
    HANDLE m_hContext = INVALID_HANDLE_VALUE;
    WIN32_FIND_DATAW m_current = {};
    WIN32_FIND_DATAW m_next = {};
    bool m_hasNext = false;
    CString m_strRoot;
};
