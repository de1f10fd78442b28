#include "framework/File.h"

#include "framework/FileSystem.h"
#include "framework/Handles.h"

void CFileException::ThrowOsError(LONG osError, const CString& fileName)
{
    throw CFileException(osError, fileName);
}

BOOL CFile::GetStatus(const CString& fileName, CFileStatus& status)
{
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (!win32::QueryAttributes(fileName, data))
        return FALSE;
    status.m_ctime = data.ftCreationTime;
    status.m_atime = data.ftLastAccessTime;
    status.m_mtime = data.ftLastWriteTime;
    status.m_size = (static_cast<ULONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    status.m_attribute = static_cast<BYTE>(data.dwFileAttributes);
    status.m_szFullName = fileName;
    return TRUE;
}

void CFile::SetStatus(const CString& fileName, const CFileStatus& status)
{
    // The attribute byte 0 means a normal file, which the platform spells FILE_ATTRIBUTE_NORMAL.
    const DWORD attributes = status.m_attribute ? status.m_attribute : FILE_ATTRIBUTE_NORMAL;
    if (!win32::SetAttributes(fileName, attributes))
        CFileException::ThrowOsError(static_cast<LONG>(GetLastError()), fileName);

    win32::KernelHandle file(win32::OpenFile(fileName, FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, OPEN_EXISTING,
                                             FILE_ATTRIBUTE_NORMAL));
    if (!file.IsValid())
        CFileException::ThrowOsError(static_cast<LONG>(GetLastError()), fileName);
    const FILETIME* created =
        status.m_ctime.dwLowDateTime || status.m_ctime.dwHighDateTime ? &status.m_ctime : nullptr;
    const FILETIME* accessed =
        status.m_atime.dwLowDateTime || status.m_atime.dwHighDateTime ? &status.m_atime : nullptr;
    const FILETIME* modified =
        status.m_mtime.dwLowDateTime || status.m_mtime.dwHighDateTime ? &status.m_mtime : nullptr;
    if (!SetFileTime(file.Get(), created, accessed, modified))
        CFileException::ThrowOsError(static_cast<LONG>(GetLastError()), fileName);
}

void CFile::Remove(const CString& fileName)
{
    if (!win32::RemoveFile(fileName))
        CFileException::ThrowOsError(static_cast<LONG>(GetLastError()), fileName);
}
