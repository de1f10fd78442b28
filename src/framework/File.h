// The static file operations of CFile and the exception they raise.
#pragma once

#include "framework/String.h"

#include <windows.h>

struct CFileStatus
{
    FILETIME m_ctime = {};
    FILETIME m_atime = {};
    FILETIME m_mtime = {};
    ULONGLONG m_size = 0;
    BYTE m_attribute = 0;
    CString m_szFullName;
};

class CException
{
public:
    virtual ~CException() = default;
};

// A file operation failed; m_lOsError holds the Win32 error code.
class CFileException : public CException
{
public:
    CFileException(LONG osError, const CString& fileName) : m_lOsError(osError), m_strFileName(fileName) {}

    [[noreturn]] static void ThrowOsError(LONG osError, const CString& fileName);

    LONG m_lOsError;
    CString m_strFileName;
};

class CFile
{
public:
    // Reads the time stamps, size and attributes of the file; FALSE when it cannot be read.
    static BOOL GetStatus(const CString& fileName, CFileStatus& status);
    // Writes the attributes and the three time stamps of status back to the file, which needs the
    // right to write to it; a file another process holds open may refuse. Raises CFileException on
    // failure.
    static void SetStatus(const CString& fileName, const CFileStatus& status);
    // Deletes the file. Raises CFileException on failure.
    static void Remove(const CString& fileName);
};
