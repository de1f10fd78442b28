#include "removal/PathOps.h"

#include "framework/FileFind.h"

int FindShortcutFolder(CString strRoot, CString strFileName, CString& strFolder)
{
    if (strRoot.IsEmpty())
        return 0;
    CFileFind listing;
    if (!listing.FindFile(strRoot + "\\*"))
        return 0;

    bool checkFolder = true;
    BOOL more = TRUE;
    while (more) {
        more = listing.FindNextFile();
        if (listing.IsDots())
            continue;
        if (listing.IsDirectory()) {
            if (listing.IsReparsePoint())
                continue;
            if (FindShortcutFolder(strRoot + "\\" + listing.GetFileName(), strFileName, strFolder))
                return 1;
            continue;
        }
        if (checkFolder) {
            CString found;
            if (FindFirstFileName(strRoot + "\\" + strFileName, found)) {
                strFolder = strRoot;
                return 1;
            }
            checkFolder = false;
        }
    }
    return 0;
}

int FindFirstFileName(CString strPattern, CString& strName)
{
    if (strPattern.IsEmpty())
        return 0;
    CFileFind find;
    if (!find.FindFile(strPattern))
        return 0;
    BOOL more = TRUE;
    while (more) {
        more = find.FindNextFile();
        if (find.IsDots() || find.IsDirectory())
            continue;
        strName = find.GetFileName();
        return 1;
    }
    return 0;
}

CString GetLastPathComponent(CString strPath)
{
    const int slash = strPath.ReverseFind('\\');
    return slash < 0 ? CString() : strPath.Mid(slash + 1);
}

CString GetParentPath(CString strPath)
{
    const int slash = strPath.ReverseFind('\\');
    return slash < 0 ? CString() : strPath.Left(slash);
}

CString GetOnDiskPath(CString strPath)
{
    // Only a path of the form "X:\..." is rebuilt; any other names nothing here.
    if (strPath.GetLength() < 3 || strPath.GetAt(1) != ':' || strPath.GetAt(2) != '\\')
        return CString();
    // A wildcard would let the lookup rebuild some other path.
    if (strPath.Find('*') >= 0 || strPath.Find('?') >= 0)
        return CString();
    CFileFind find;
    if (!find.FindFile(strPath))
        return CString();
    find.FindNextFile();
    const CString full = find.GetFilePath();
    find.Close();

    CString result = full.Left(2);
    int scan = 2;
    for (;;) {
        result += "\\";
        const int next = full.Find('\\', scan + 1);
        const CString prefix = next < 0 ? full : full.Left(next);
        CFileFind component;
        if (component.FindFile(prefix)) {
            component.FindNextFile();
            result += component.GetFileName();
        }
        if (next < 0)
            break;
        scan = next;
    }
    return result;
}
