#include "framework/FileFind.h"

#include "framework/FileSystem.h"
#include "framework/Text.h"

BOOL CFileFind::FindFile(const CString& name)
{
    Close();
    m_hContext = win32::FindFirst(name, m_next);
    if (m_hContext == INVALID_HANDLE_VALUE)
        return FALSE;
    m_hasNext = true;
    const int slash = name.ReverseFind('\\');
    m_strRoot = slash >= 0 ? name.Left(slash) : CString();
    return TRUE;
}

BOOL CFileFind::FindNextFile()
{
    if (m_hContext == INVALID_HANDLE_VALUE || !m_hasNext)
        return FALSE;
    m_current = m_next;
    m_hasNext = FindNextFileW(m_hContext, &m_next) != FALSE;
    return m_hasNext ? TRUE : FALSE;
}

void CFileFind::Close()
{
    if (m_hContext != INVALID_HANDLE_VALUE)
        FindClose(m_hContext);
    m_hContext = INVALID_HANDLE_VALUE;
    m_hasNext = false;
}

CString CFileFind::GetFileName() const
{
    return win32::Narrow(m_current.cFileName);
}

CString CFileFind::GetFilePath() const
{
    return m_strRoot.IsEmpty() ? GetFileName() : m_strRoot + "\\" + GetFileName();
}

BOOL CFileFind::IsDots() const
{
    return wcscmp(m_current.cFileName, L".") == 0 || wcscmp(m_current.cFileName, L"..") == 0;
}
