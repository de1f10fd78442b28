#include "removal/PathOps.h"

#include "framework/FileFind.h"
#include "framework/NtFile.h"
#include "framework/FileIdentity.h"
#include "framework/Text.h"

#include <string>
#include <vector>

namespace {

bool IsAsciiLetter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// "X:\" or "X:/" at the start. Every other beginning is relative, drive-relative, a device or a
// share; such text must be refused before GetFullPathName, which turns "\\.\C:\x" and the like
// into forms that no longer show what they name.
bool StartsWithDrive(const CString& path)
{
    return path.GetLength() >= 3 && IsAsciiLetter(path.GetAt(0)) && path.GetAt(1) == ':' &&
           (path.GetAt(2) == '\\' || path.GetAt(2) == '/');
}

// Characters no file name can hold. None of them can be the trail byte of a double-byte
// character, so a byte search finds only real ones. A ':' after the drive names a stream (on NTFS
// "folder::$INDEX_ALLOCATION" is the folder itself).
bool HasForbiddenCharacter(const CString& path)
{
    for (int i = 0; i < path.GetLength(); ++i) {
        const auto c = static_cast<unsigned char>(path.GetAt(i));
        if (c < 0x20 || c == '*' || c == '?' || c == '"' || c == '<' || c == '>' || c == '|' ||
            (c == ':' && i != 1))
            return true;
    }
    return false;
}

// After GetFullPathName: no empty component, none that is "." or "..", none that ends in a dot or a
// blank (Windows drops those only from the last component; Wine keeps some of them elsewhere).
bool HasOnlyPlainComponents(const CString& full)
{
    if (full.GetLength() == 3)
        return true; // the drive root
    int start = 3;
    for (;;) {
        const int slash = full.Find('\\', start);
        const CString component = slash < 0 ? full.Mid(start) : full.Mid(start, slash - start);
        if (component.IsEmpty())
            return false;
        const char last = component.GetAt(component.GetLength() - 1);
        // A double-byte character cannot end in 0x2E or 0x20: trail bytes start at 0x40.
        if (last == '.' || last == ' ')
            return false;
        if (slash < 0)
            return true;
        start = slash + 1;
    }
}

bool StartsWithDrive(const std::wstring& path)
{
    return path.size() >= 3 && path[0] < 0x80 && IsAsciiLetter(static_cast<char>(path[0])) &&
           path[1] == L':' && (path[2] == L'\\' || path[2] == L'/');
}

} // namespace

int FindShortcutFolder(CString strRoot, CString strFileName, CString& strFolder)
{
    if (strRoot.IsEmpty())
        return 0;
    // Depth first in listing order, with a stack of the folders the search is in: each holds its
    // handle, the listing entries it has not looked at, and whether it has been tested yet.
    struct Level
    {
        win32::NtFile folder;
        win32::DirectoryListing listing;
        size_t pathLength;
        bool checkFolder;
    };
    constexpr DWORD kAccess = FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES;
    std::vector<Level> levels(1);
    DWORD error = 0;
    if (win32::OpenFolder(levels[0].folder, win32::FileSystemPath(strRoot), kAccess, error) !=
        win32::FolderOpen::Folder)
        return 0;
    std::wstring path = win32::Widen(strRoot);
    levels[0].pathLength = path.size();
    levels[0].checkFolder = true;
    win32::ListingBuffer buffer;
    while (!levels.empty()) {
        Level& level = levels.back();
        win32::DirectoryEntry entry;
        if (!level.listing.Next(level.folder, buffer, entry)) {
            levels.pop_back();
            if (!levels.empty())
                path.resize(levels.back().pathLength);
            continue;
        }
        if (entry.IsDots())
            continue;
        if (entry.IsDirectory()) {
            if (entry.attributes & FILE_ATTRIBUTE_REPARSE_POINT)
                continue; // never entered
            win32::NtFile child;
            if (win32::OpenFolderIn(child, level.folder, entry, kAccess, error) != win32::FolderOpen::Folder)
                continue;
            path.append(1, L'\\').append(entry.name, entry.nameLength);
            level.listing.Keep();
            levels.push_back({std::move(child), win32::DirectoryListing(), path.size(), true});
            continue;
        }
        // A folder is tested once, when its first file comes up.
        if (level.checkFolder) {
            const CString folder = win32::Narrow(path);
            CString found;
            if (FindFirstFileName(folder + "\\" + strFileName, found)) {
                strFolder = folder;
                return 1;
            }
            level.checkFolder = false;
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
    // Only a full local path is rebuilt: a wildcard, a "." or ".." or a device spelling would let
    // the lookups below rebuild some other path.
    if (strPath.IsEmpty() || GetLocalFullPath(strPath) != strPath)
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
    // A stored name that code page 932 cannot hold comes back with '?' for the characters it lacks
    // (no file name can hold a real one): the text would name something else, or nothing.
    if (result.Find('?') >= 0 || GetLocalFullPath(result) != result)
        return CString();
    return result;
}

CString GetLocalFullPath(CString strPath)
{
    if (!StartsWithDrive(strPath) || HasForbiddenCharacter(strPath))
        return CString();
    CString full = win32::FullPathName(strPath);
    if (full.GetLength() > 3)
        full.TrimRight('\\');
    if (!StartsWithDrive(full) || full.GetAt(2) != '\\' || full.Find('/') >= 0 ||
        HasForbiddenCharacter(full) || !HasOnlyPlainComponents(full))
        return CString();
    return full;
}

std::wstring GetLocalFolderPath(const std::wstring& path)
{
    std::wstring full;
    if (!StartsWithDrive(path) || !win32::GetFullPath(path, full) || !StartsWithDrive(full))
        return std::wstring();
    while (full.size() > 3 && full.back() == L'\\')
        full.pop_back();
    return full;
}
