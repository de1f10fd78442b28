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
    // One handle writes the attributes and the three time stamps together. Zero time stamps stay
    // as they are; the attribute byte 0 means a normal file.
    win32::KernelHandle file(win32::OpenFile(fileName, FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, OPEN_EXISTING,
                                             FILE_FLAG_OPEN_REPARSE_POINT));
    if (!file.IsValid())
        CFileException::ThrowOsError(static_cast<LONG>(GetLastError()), fileName);
    FILE_BASIC_INFO info = {};
    info.CreationTime.LowPart = status.m_ctime.dwLowDateTime;
    info.CreationTime.HighPart = static_cast<LONG>(status.m_ctime.dwHighDateTime);
    info.LastAccessTime.LowPart = status.m_atime.dwLowDateTime;
    info.LastAccessTime.HighPart = static_cast<LONG>(status.m_atime.dwHighDateTime);
    info.LastWriteTime.LowPart = status.m_mtime.dwLowDateTime;
    info.LastWriteTime.HighPart = static_cast<LONG>(status.m_mtime.dwHighDateTime);
    info.FileAttributes = status.m_attribute ? status.m_attribute : FILE_ATTRIBUTE_NORMAL;
    if (!SetFileInformationByHandle(file.Get(), FileBasicInfo, &info, sizeof(info)))
        CFileException::ThrowOsError(static_cast<LONG>(GetLastError()), fileName);
}

void CFile::Remove(const CString& fileName)
{
    if (!win32::RemoveFile(fileName))
        CFileException::ThrowOsError(static_cast<LONG>(GetLastError()), fileName);
}
