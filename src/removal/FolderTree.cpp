#include "removal/FolderTree.h"

#include "framework/FileSystem.h"
#include "framework/NtFile.h"
#include "framework/Text.h"
#include "framework/Wnd.h"
#include "removal/RemovalMessages.h"

#include <string>

namespace {

using win32::DirectoryEntry;
using win32::DirectoryListing;
using win32::NtFile;
using win32::OpenAs;

// The status line holds 40 characters with the terminator.
constexpr int kStatusPathChars = 40;

// What each kind of handle needs: a folder is listed and finally removed through its handle, a
// file has its attributes cleared and is removed through its handle, a link is only removed.
constexpr DWORD kFolderAccess = FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES | DELETE;
constexpr DWORD kFileAccess = FILE_WRITE_ATTRIBUTES | DELETE;
constexpr DWORD kLinkAccess = FILE_READ_ATTRIBUTES | DELETE;

bool HasWildcard(const CString& path)
{
    for (const char wildcard : {'*', '?', '<', '>', '"'}) {
        if (path.Find(wildcard) >= 0)
            return true;
    }
    return false;
}

bool IsGone(DWORD error)
{
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

// The given path looked up as it stands, before anything is opened: what it names, with the
// reparse tag the find data carries. Wine shows a link only here, never on a handle opened
// through it.
struct LookedUp
{
    std::wstring name; // the last component as stored on disk
    DWORD attributes = 0;
    DWORD reparseTag = 0;
    LARGE_INTEGER creationTime = {};
    LARGE_INTEGER lastAccessTime = {};
    LARGE_INTEGER lastWriteTime = {};

    bool IsDirectory() const { return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }
    bool IsLink() const { return win32::IsLinkReparsePoint(attributes, reparseTag); }
};

LARGE_INTEGER Stamp(const FILETIME& time)
{
    LARGE_INTEGER stamp;
    stamp.LowPart = time.dwLowDateTime;
    stamp.HighPart = static_cast<LONG>(time.dwHighDateTime);
    return stamp;
}

// False when the path names nothing. A path with a wildcard names nothing: the lookup would match
// whatever fits the pattern.
bool LookUp(const CString& path, LookedUp& found)
{
    if (HasWildcard(path))
        return false;
    WIN32_FIND_DATAW data;
    const HANDLE find = win32::FindFirst(path, data);
    if (find == INVALID_HANDLE_VALUE)
        return false;
    FindClose(find);
    found.name = data.cFileName;
    found.attributes = data.dwFileAttributes;
    found.reparseTag = (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) ? data.dwReserved0 : 0;
    found.creationTime = Stamp(data.ftCreationTime);
    found.lastAccessTime = Stamp(data.ftLastAccessTime);
    found.lastWriteTime = Stamp(data.ftLastWriteTime);
    return true;
}

enum class Opened
{
    Folder, // a folder, not a link: list it through the handle
    Link,   // the handle holds a link itself
    Gone,   // nothing of that name any more
    Failed, // there, but it cannot be opened
};

// The handle, not the name, decides "a folder and not a link": what is checked here is what is
// then listed and removed, whatever happens to the name meanwhile.
Opened CheckFolder(NtFile& folder, DWORD error, DWORD* pError)
{
    if (pError)
        *pError = error;
    if (error)
        return IsGone(error) ? Opened::Gone : Opened::Failed;
    DWORD attributes = 0;
    DWORD tag = 0;
    if (!folder.QueryAttributes(attributes, tag))
        return Opened::Failed;
    if (win32::IsLinkReparsePoint(attributes, tag))
        return Opened::Link;
    return Opened::Folder;
}

// A folder that another program uses as its current folder is shared without delete access: it is
// opened for listing all the same, and its own removal at the end then fails quietly.
Opened OpenFolder(NtFile& folder, const std::wstring& path, DWORD access, DWORD* pError = nullptr)
{
    DWORD error = folder.Open(path, access, OpenAs::Folder);
    if (error == ERROR_SHARING_VIOLATION && (access & DELETE))
        error = folder.Open(path, access & ~DELETE, OpenAs::Folder);
    return CheckFolder(folder, error, pError);
}

Opened OpenFolderIn(NtFile& folder, const NtFile& parent, const DirectoryEntry& entry, DWORD access,
                    DWORD* pError = nullptr)
{
    DWORD error = folder.OpenIn(parent, entry.name, entry.nameLength, access, OpenAs::Folder);
    if (error == ERROR_SHARING_VIOLATION && (access & DELETE))
        error = folder.OpenIn(parent, entry.name, entry.nameLength, access & ~DELETE, OpenAs::Folder);
    return CheckFolder(folder, error, pError);
}

// A link is removed as itself; what it points to is never touched. One that cannot be removed is
// left, like a folder that cannot be removed.
void RemoveLinkIn(const NtFile& folder, const DirectoryEntry& entry)
{
    NtFile link;
    if (link.OpenIn(folder, entry.name, entry.nameLength, kLinkAccess, OpenAs::Either) == 0)
        (void)link.MarkForDeletion();
}

void RemoveLink(const std::wstring& path)
{
    NtFile link;
    if (link.Open(path, kLinkAccess, OpenAs::Either) == 0)
        (void)link.MarkForDeletion();
}

// Clears every attribute (read-only among them) and writes the listed time stamps back, then sets
// the delete disposition, all through one handle. 0 or the error that stopped it.
DWORD RemoveFile(NtFile& file, const LARGE_INTEGER& creationTime, const LARGE_INTEGER& lastAccessTime,
                 const LARGE_INTEGER& lastWriteTime)
{
    DWORD error = file.WriteBasicInfo(FILE_ATTRIBUTE_NORMAL, creationTime, lastAccessTime, lastWriteTime);
    if (!error)
        error = file.MarkForDeletion();
    file.Close();
    return error;
}

std::wstring ChildPath(const std::wstring& folder, const DirectoryEntry& entry)
{
    std::wstring path;
    path.reserve(folder.size() + 1 + entry.nameLength);
    path.append(folder).append(1, L'\\').append(entry.name, entry.nameLength);
    return path;
}

class Run
{
public:
    Run(const TreeRun& run, CLockedFileHandler& lockedFiles) : m_run(run), m_lockedFiles(lockedFiles) {}

    int DeleteTree(const CString& strPath);
    const TreeOutcome& Outcome() const { return m_outcome; }

private:
    bool Reporting() const { return m_run.hWndReport != nullptr; }

    // The one way out of a run that stopped: a cancellation or an Abort is told to the window of a
    // reporting run, a listing failure to nobody.
    int Stop(TreeStop reason, DWORD error = 0)
    {
        m_outcome.finished = false;
        m_outcome.stop = reason;
        m_outcome.error = error;
        if (reason != TreeStop::ListingFailed && m_run.hWndReport) {
            PostMessageW(m_run.hWndReport, m_run.uMsgCancelled, 0, 0);
            m_outcome.told = true;
        }
        return 0;
    }

    // Runs remove until it gives 0, asking after each failure. False on Abort.
    template <class PathOf, class Remove> bool RemoveWithPrompt(PathOf pathOf, Remove remove)
    {
        for (DWORD error; (error = remove()) != 0;) {
            const int answer = m_lockedFiles.OnLockedFile(pathOf(), error, m_run.hWndReport);
            if (answer == IDABORT)
                return false;
            if (answer != IDRETRY)
                return true; // Ignore: the file stays
        }
        return true;
    }

    // Counts one handled file; at a checkpoint reports progress or stops on a cancel request.
    bool CountFile() const
    {
        if (!Reporting())
            return true;
        const uint64_t done = ++*m_run.pFilesDone;
        if (m_run.nReportStep == 0 || done % m_run.nReportStep != 0)
            return true;
        if (m_run.pCancel && m_run.pCancel->load() == 1)
            return false;
        PostMessageW(m_run.hWndReport, m_run.uMsgProgress, static_cast<WPARAM>(static_cast<uint32_t>(done)),
                     2);
        return true;
    }

    // Here and in the locked-file prompt, and nowhere else, a character code page 932 lacks shows
    // as '?'.
    void ShowFolder(const std::wstring& folder) const
    {
        *m_run.pStatusText = "削除フォルダ: " + CompactPath(win32::Narrow(folder), kStatusPathChars);
        SendMessageW(m_run.hWndReport, m_run.uMsgStatus, 0, 2);
    }

    int DeleteFolder(const NtFile& folder, const std::wstring& path);

    const TreeRun& m_run;
    CLockedFileHandler& m_lockedFiles;
    TreeOutcome m_outcome;
};

int Run::DeleteTree(const CString& strPath)
{
    LookedUp found;
    if (!LookUp(strPath, found))
        return 1;
    // Below the given path nothing is reached by text: every entry is opened from its folder's
    // handle by the name the listing gave. What the user is shown ends in the names as stored on
    // disk, the given path's last component among them.
    const std::wstring given = win32::Widen(strPath);
    const size_t slash = given.find_last_of(L'\\');
    const std::wstring path = slash == std::wstring::npos ? given : given.substr(0, slash + 1) + found.name;
    const std::wstring longPath = win32::FileSystemPath(strPath);

    if (found.IsLink()) {
        RemoveLink(longPath);
        return 1;
    }
    if (found.IsDirectory()) {
        NtFile folder;
        DWORD error = 0;
        switch (OpenFolder(folder, longPath, kFolderAccess, &error)) {
        case Opened::Folder:
            return DeleteFolder(folder, path);
        case Opened::Link:
            (void)folder.MarkForDeletion();
            return 1;
        case Opened::Gone:
            return 1;
        case Opened::Failed:
            break;
        }
        return Stop(TreeStop::ListingFailed, error);
    }

    // A single file (a shortcut) is neither counted nor reported, but has its attributes cleared
    // like any other: a read-only shortcut is removed too.
    const bool goOn = RemoveWithPrompt([&] { return path; },
                                       [&] {
                                           NtFile file;
                                           const DWORD error = file.Open(longPath, kFileAccess, OpenAs::File);
                                           if (error)
                                               return error;
                                           return RemoveFile(file, found.creationTime, found.lastAccessTime,
                                                             found.lastWriteTime);
                                       });
    return goOn ? 1 : Stop(TreeStop::Aborted);
}

// folder is open and known to be a folder, not a link; it stays open until it is removed itself.
int Run::DeleteFolder(const NtFile& folder, const std::wstring& path)
{
    if (Reporting())
        ShowFolder(path);

    DirectoryListing listing(folder);
    DirectoryEntry entry;
    while (listing.Next(entry)) {
        if (entry.IsDots())
            continue;

        if (entry.IsLink()) {
            RemoveLinkIn(folder, entry);
            if (!entry.IsDirectory() && !CountFile())
                return Stop(TreeStop::Cancelled);
            continue;
        }
        if (entry.IsDirectory()) {
            NtFile child;
            DWORD error = 0;
            switch (OpenFolderIn(child, folder, entry, kFolderAccess, &error)) {
            case Opened::Folder:
                if (!DeleteFolder(child, ChildPath(path, entry)))
                    return 0;
                break;
            case Opened::Link:
                // Listed as a folder, opened as a link: swapped in between. Removed as itself.
                (void)child.MarkForDeletion();
                break;
            case Opened::Gone:
                break;
            case Opened::Failed:
                return Stop(TreeStop::ListingFailed, error);
            }
            continue;
        }

        const bool goOn = RemoveWithPrompt(
            [&] { return ChildPath(path, entry); },
            [&] {
                NtFile file;
                const DWORD error =
                    file.OpenIn(folder, entry.name, entry.nameLength, kFileAccess, OpenAs::File);
                if (error)
                    return error;
                return RemoveFile(file, entry.creationTime, entry.lastAccessTime, entry.lastWriteTime);
            });
        if (!goOn)
            return Stop(TreeStop::Aborted);
        if (!CountFile())
            return Stop(TreeStop::Cancelled);
    }
    if (listing.Error())
        return Stop(TreeStop::ListingFailed, listing.Error());
    // A folder that still holds something (an ignored file) refuses and stays, silently.
    (void)folder.MarkForDeletion();
    return 1;
}

int CountFolder(const NtFile& folder, int* pFileCount, int* pFolderCount)
{
    DirectoryListing listing(folder);
    DirectoryEntry entry;
    while (listing.Next(entry)) {
        if (entry.IsDots())
            continue;
        if (!entry.IsDirectory()) {
            ++*pFileCount;
            continue;
        }
        ++*pFolderCount;
        if (entry.IsLink())
            continue;
        NtFile child;
        switch (OpenFolderIn(child, folder, entry, FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES)) {
        case Opened::Folder:
            if (!CountFolder(child, pFileCount, pFolderCount))
                return 0;
            break;
        case Opened::Link:
        case Opened::Gone:
            break;
        case Opened::Failed:
            return 0;
        }
    }
    return listing.Error() == 0 ? 1 : 0;
}

} // namespace

int CLockedFilePrompt::OnLockedFile(const std::wstring& path, DWORD, HWND owner)
{
    return ShowMessageBox(owner, win32::Narrow(path) + "がロック中です。", kAppTitle,
                          MB_ABORTRETRYIGNORE | MB_ICONQUESTION | MB_DEFBUTTON2);
}

TreeOutcome DeleteTree(const CString& strPath, const TreeRun& run)
{
    CLockedFilePrompt prompt;
    Run tree(run, run.pLockedFiles ? *run.pLockedFiles : prompt);
    tree.DeleteTree(strPath);
    return tree.Outcome();
}

int DeleteFolderTree(const CString& strPath, HWND hWndReport, uint64_t* pFilesDone, uint32_t nReportStep,
                     const CancelFlag* pCancel, CString* pStatusText, UINT uMsgCancelled, UINT uMsgProgress,
                     UINT uMsgStatus)
{
    TreeRun run;
    run.hWndReport = hWndReport;
    run.pFilesDone = pFilesDone;
    run.nReportStep = nReportStep;
    run.pCancel = pCancel;
    run.pStatusText = pStatusText;
    run.uMsgCancelled = uMsgCancelled;
    run.uMsgProgress = uMsgProgress;
    run.uMsgStatus = uMsgStatus;
    return DeleteTree(strPath, run).finished ? 1 : 0;
}

int CountFilesInTree(CString strFolder, int* pFileCount, int* pFolderCount)
{
    LookedUp found;
    if (!LookUp(strFolder, found) || !found.IsDirectory() || found.IsLink())
        return 0;
    NtFile folder;
    if (OpenFolder(folder, win32::FileSystemPath(strFolder), FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES) !=
        Opened::Folder)
        return 0;
    return CountFolder(folder, pFileCount, pFolderCount);
}

CString CompactPath(const CString& strPath, int maxChars)
{
    const int limit = maxChars - 1;
    if (limit < 1)
        return CString();
    if (strPath.GetLength() <= limit)
        return strPath;
    if (limit <= 3)
        return CString(std::string(static_cast<size_t>(limit), '.'));

    const int slash = strPath.ReverseFind('\\');
    if (slash < 0)
        return strPath.LeftWhole(limit - 3) + "...";

    // The last component with its backslash is kept whole when it fits beside the ellipsis.
    const CString last = strPath.Mid(slash);
    if (last.GetLength() + 3 <= limit)
        return strPath.LeftWhole(limit - 3 - last.GetLength()) + "..." + last;
    if (limit <= 7)
        return CString(std::string(static_cast<size_t>(limit), '.'));
    return "..." + last.LeftWhole(limit - 6) + "...";
}
