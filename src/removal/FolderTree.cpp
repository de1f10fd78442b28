#include "removal/FolderTree.h"

#include "framework/FileSystem.h"
#include "framework/NtFile.h"
#include "framework/Text.h"

#include <string>
#include <vector>

namespace {

using win32::DirectoryEntry;
using win32::DirectoryListing;
using win32::FolderOpen;
using win32::NtFile;
using win32::OpenAs;

// The status line holds 40 characters with the terminator.
constexpr int kStatusPathChars = 40;

// What each kind of handle needs: a folder is listed and finally removed through its handle (and
// its owner and permissions can be read from it), a file may have its read-only attribute cleared
// and is removed through its handle, a link is only removed.
constexpr DWORD kFolderAccess = FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES | READ_CONTROL | DELETE;
constexpr DWORD kCountAccess = FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES;
constexpr DWORD kFileAccess = FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES | DELETE;
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
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND || error == ERROR_DELETE_PENDING;
}

// The given path looked up as it stands, before anything is opened: what it names, with the
// reparse tag the find data carries (Wine shows a link only here, never on a handle opened through
// it), and its last component as stored on disk.
struct LookedUp
{
    std::wstring name;
    DWORD attributes = 0;
    DWORD reparseTag = 0;

    bool IsDirectory() const { return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }
    bool IsLink() const { return win32::IsLinkReparsePoint(attributes, reparseTag); }
};

// 0 with what path names; ERROR_FILE_NOT_FOUND when it names nothing (a path with a wildcard
// names nothing: the lookup would match whatever fits the pattern); else the error that kept the
// lookup from telling.
DWORD LookUp(const CString& path, LookedUp& found)
{
    if (HasWildcard(path))
        return ERROR_FILE_NOT_FOUND;
    WIN32_FIND_DATAW data;
    const HANDLE find = win32::FindFirst(path, data);
    if (find == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        return IsGone(error) ? ERROR_FILE_NOT_FOUND : error;
    }
    FindClose(find);
    found.name = data.cFileName;
    found.attributes = data.dwFileAttributes;
    found.reparseTag = (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) ? data.dwReserved0 : 0;
    return 0;
}

bool IsSurveyed(const NtFile& handle, const win32::FileIdentity* expected)
{
    if (!expected)
        return true;
    win32::FileIdentity identity;
    return handle.QueryIdentity(identity) && identity == *expected;
}

// Removes a file through its handle. Its attributes are left alone where the system can remove a
// read-only file as it is; elsewhere the read-only attribute is cleared for the removal and, when
// the file has other names (hard links) or stays, put back with every time stamp as it was, so that
// nothing changes for the names elsewhere. 0 or the error that stopped it.
DWORD RemoveFile(NtFile& file)
{
    if (file.MarkForDeletionIgnoringReadOnly() == 0)
        return 0;
    DWORD error = file.MarkForDeletion();
    if (error != ERROR_ACCESS_DENIED)
        return error;
    FILE_BASIC_INFO original = {};
    if (!file.QueryBasicInfo(original) || !(original.FileAttributes & FILE_ATTRIBUTE_READONLY))
        return error;
    FILE_BASIC_INFO writable = {}; // time stamps of 0 stay as they are
    writable.FileAttributes = original.FileAttributes & ~FILE_ATTRIBUTE_READONLY;
    if (writable.FileAttributes == 0)
        writable.FileAttributes = FILE_ATTRIBUTE_NORMAL;
    error = file.WriteBasicInfo(writable);
    if (error)
        return error;
    error = file.MarkForDeletion();
    DWORD links = 1;
    if (error || !file.QueryLinkCount(links) || links > 1)
        (void)file.WriteBasicInfo(original);
    return error;
}

// One deletion run: a stack of the folders it is in, each open by handle.
class Walk
{
public:
    Walk(const TreeRun& run, CTreeCallbacks& callbacks) : m_run(run), m_callbacks(callbacks) {}

    TreeOutcome Delete(const CString& strPath);

private:
    struct Level
    {
        NtFile folder;
        DirectoryListing listing;
        size_t pathLength; // of m_path while this folder is the deepest
        bool inUse;        // opened without delete access: it will stay
    };

    // The one way out of a run that stopped.
    TreeOutcome& Stop(TreeStop reason, DWORD error = 0)
    {
        m_outcome.finished = false;
        m_outcome.stop = reason;
        m_outcome.error = error;
        return m_outcome;
    }

    void Enter(NtFile folder, bool inUse)
    {
        m_levels.push_back({std::move(folder), DirectoryListing(), m_path.size(), inUse});
        if (m_run.reporting)
            m_callbacks.OnTreeFolder(FolderStatusText(m_path));
    }
    bool DeleteFolders();
    void LeaveFolder();
    // Removes a file of the deepest folder, asking after each failure. False on Abort.
    bool RemoveListedFile(const DirectoryEntry& entry);
    bool RemoveSingleFile(const std::wstring& longPath);
    void RemoveLinkIn(const NtFile& folder, const DirectoryEntry& entry);
    void RemoveLink(const std::wstring& longPath);
    // Counts one handled file; at a checkpoint reports progress or stops on a cancel request.
    bool CountFile();

    std::wstring ChildPath(const DirectoryEntry& entry) const
    {
        return m_path + L"\\" + std::wstring(entry.name, entry.nameLength);
    }
    std::vector<HANDLE> OpenFolders() const
    {
        std::vector<HANDLE> folders;
        for (const Level& level : m_levels)
            folders.push_back(level.folder.Get());
        return folders;
    }

    const TreeRun& m_run;
    CTreeCallbacks& m_callbacks;
    TreeOutcome m_outcome;
    // The path of the deepest folder as the user reads it: the given path with its last component,
    // and every name below, as stored on disk. One text for all levels.
    std::wstring m_path;
    std::vector<Level> m_levels;
    win32::ListingBuffer m_buffer;
};

TreeOutcome Walk::Delete(const CString& strPath)
{
    LookedUp found;
    const DWORD lookup = LookUp(strPath, found);
    if (lookup == ERROR_FILE_NOT_FOUND)
        return m_outcome;
    if (lookup)
        return Stop(TreeStop::ListingFailed, lookup);
    // Below the given path nothing is reached by text: every entry is opened from its folder's
    // handle by the name the listing gave.
    const std::wstring given = win32::Widen(strPath);
    const size_t slash = given.find_last_of(L'\\');
    m_path = slash == std::wstring::npos ? given : given.substr(0, slash + 1) + found.name;
    const std::wstring longPath = win32::FileSystemPath(strPath);

    if (found.IsLink()) {
        RemoveLink(longPath);
        return m_outcome;
    }
    if (!found.IsDirectory()) {
        if (!RemoveSingleFile(longPath) && m_outcome.stop == TreeStop::None)
            Stop(TreeStop::Aborted);
        return m_outcome;
    }

    NtFile folder;
    DWORD error = 0;
    bool inUse = false;
    switch (win32::OpenFolder(folder, longPath, kFolderAccess, error, &inUse)) {
    case FolderOpen::Folder:
        break;
    case FolderOpen::Link:
        if (!IsSurveyed(folder, m_run.pExpected))
            return Stop(TreeStop::NotSurveyed);
        if (folder.MarkForDeletion())
            ++m_outcome.left;
        return m_outcome;
    case FolderOpen::Gone:
        return m_outcome;
    case FolderOpen::Failed:
        return Stop(TreeStop::ListingFailed, error);
    }
    if (!IsSurveyed(folder, m_run.pExpected))
        return Stop(TreeStop::NotSurveyed);
    Enter(std::move(folder), inUse);
    DeleteFolders();
    return m_outcome;
}

// Works through the stack until it is empty or the run stops. A sub-folder is entered as soon as
// its entry comes up and removed when its listing ends; the folder given is removed last.
bool Walk::DeleteFolders()
{
    while (!m_levels.empty()) {
        Level& level = m_levels.back();
        DirectoryEntry entry;
        if (!level.listing.Next(level.folder, m_buffer, entry)) {
            if (level.listing.Error()) {
                Stop(TreeStop::ListingFailed, level.listing.Error());
                return false;
            }
            LeaveFolder();
            continue;
        }
        if (entry.IsDots())
            continue;

        if (entry.IsLink()) {
            RemoveLinkIn(level.folder, entry);
            if (!entry.IsDirectory() && !CountFile()) {
                Stop(TreeStop::Cancelled);
                return false;
            }
            continue;
        }
        if (entry.IsDirectory()) {
            NtFile child;
            DWORD error = 0;
            bool inUse = false;
            switch (win32::OpenFolderIn(child, level.folder, entry, kFolderAccess, error, &inUse)) {
            case FolderOpen::Folder:
                m_path.append(1, L'\\').append(entry.name, entry.nameLength);
                // The folder below reads into the shared buffer from now on.
                level.listing.Keep();
                Enter(std::move(child), inUse);
                break;
            case FolderOpen::Link:
                // Listed as a folder, opened as a link: swapped in between. Removed as itself.
                if (child.MarkForDeletion())
                    ++m_outcome.left;
                break;
            case FolderOpen::Gone:
                break;
            case FolderOpen::Failed:
                Stop(TreeStop::ListingFailed, error);
                return false;
            }
            continue;
        }

        if (!RemoveListedFile(entry)) {
            Stop(TreeStop::Aborted);
            return false;
        }
        if (!CountFile()) {
            Stop(TreeStop::Cancelled);
            return false;
        }
    }
    return true;
}

// The deepest folder's listing has ended: the folder goes through its handle. One that still holds
// something (an ignored file) or that another program holds open refuses and stays.
void Walk::LeaveFolder()
{
    Level& level = m_levels.back();
    if (level.folder.MarkForDeletion()) {
        ++m_outcome.left;
        if (level.inUse) {
            m_levels.pop_back(); // the folder's own handle is not one on the way to it
            const std::vector<HANDLE> folders = OpenFolders();
            m_callbacks.OnFolderInUse({m_path, ERROR_SHARING_VIOLATION, m_run.reporting, folders});
            m_path.resize(m_levels.empty() ? m_path.size() : m_levels.back().pathLength);
            return;
        }
    }
    m_levels.pop_back();
    if (!m_levels.empty())
        m_path.resize(m_levels.back().pathLength);
}

bool Walk::RemoveListedFile(const DirectoryEntry& entry)
{
    const NtFile& folder = m_levels.back().folder;
    for (;;) {
        NtFile file;
        DWORD error = file.OpenIn(folder, entry.name, entry.nameLength, kFileAccess, OpenAs::File);
        // An entry whose deletion another program has already asked for goes without us.
        if (error == ERROR_DELETE_PENDING)
            return true;
        if (!error)
            error = RemoveFile(file);
        file.Close();
        if (!error)
            return true;
        const std::wstring path = ChildPath(entry);
        const std::vector<HANDLE> folders = OpenFolders();
        const int answer = m_callbacks.OnLockedFile({path, error, m_run.reporting, folders});
        if (answer == IDABORT)
            return false;
        if (answer != IDRETRY) {
            ++m_outcome.left; // Ignore: the file stays
            return true;
        }
    }
}

// A single file (a shortcut) is neither counted nor reported, but a read-only one is removed like
// any other.
bool Walk::RemoveSingleFile(const std::wstring& longPath)
{
    for (;;) {
        NtFile file;
        DWORD error = file.Open(longPath, kFileAccess, OpenAs::File);
        if (IsGone(error))
            return true;
        if (!error && !IsSurveyed(file, m_run.pExpected)) {
            Stop(TreeStop::NotSurveyed);
            return false;
        }
        if (!error)
            error = RemoveFile(file);
        file.Close();
        if (!error)
            return true;
        const std::vector<HANDLE> none;
        const int answer = m_callbacks.OnLockedFile({m_path, error, m_run.reporting, none});
        if (answer == IDABORT)
            return false;
        if (answer != IDRETRY) {
            ++m_outcome.left;
            return true;
        }
    }
}

// A link is removed as itself; what it points to is never touched. One that cannot be removed is
// left, like a folder that cannot be removed.
void Walk::RemoveLinkIn(const NtFile& folder, const DirectoryEntry& entry)
{
    NtFile link;
    const DWORD error = link.OpenIn(folder, entry.name, entry.nameLength, kLinkAccess, OpenAs::Either);
    if (IsGone(error))
        return;
    if (error || link.MarkForDeletion())
        ++m_outcome.left;
}

void Walk::RemoveLink(const std::wstring& longPath)
{
    NtFile link;
    const DWORD error = link.Open(longPath, kLinkAccess, OpenAs::Either);
    if (IsGone(error))
        return;
    if (!error && !IsSurveyed(link, m_run.pExpected)) {
        Stop(TreeStop::NotSurveyed);
        return;
    }
    if (error || link.MarkForDeletion())
        ++m_outcome.left;
}

bool Walk::CountFile()
{
    if (!m_run.reporting)
        return true;
    const uint64_t done = ++*m_run.pFilesDone;
    if (m_run.nReportStep == 0 || done % m_run.nReportStep != 0)
        return true;
    if (m_callbacks.CancelRequested())
        return false;
    m_callbacks.OnTreeFiles(done);
    return true;
}

struct CountLevel
{
    NtFile folder;
    DirectoryListing listing;
};

} // namespace

CString FolderStatusText(const std::wstring& folder)
{
    // Here and in the locked-file prompt, and nowhere else, a character code page 932 lacks shows
    // as '?'.
    return "削除フォルダ: " + CompactPath(win32::Narrow(folder), kStatusPathChars);
}

TreeOutcome DeleteTree(const CString& strPath, const TreeRun& run, CTreeCallbacks& callbacks)
{
    return Walk(run, callbacks).Delete(strPath);
}

int CountFilesInTree(CString strFolder, int* pFileCount, int* pFolderCount)
{
    LookedUp found;
    if (LookUp(strFolder, found) != 0 || !found.IsDirectory() || found.IsLink())
        return 0;
    std::vector<CountLevel> levels(1);
    DWORD error = 0;
    if (win32::OpenFolder(levels[0].folder, win32::FileSystemPath(strFolder), kCountAccess, error) !=
        FolderOpen::Folder)
        return 0;
    win32::ListingBuffer buffer;
    while (!levels.empty()) {
        CountLevel& level = levels.back();
        DirectoryEntry entry;
        if (!level.listing.Next(level.folder, buffer, entry)) {
            if (level.listing.Error())
                return 0;
            levels.pop_back();
            continue;
        }
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
        switch (win32::OpenFolderIn(child, level.folder, entry, kCountAccess, error)) {
        case FolderOpen::Folder:
            level.listing.Keep();
            levels.push_back({std::move(child), DirectoryListing()});
            break;
        case FolderOpen::Link:
        case FolderOpen::Gone:
            break;
        case FolderOpen::Failed:
            return 0;
        }
    }
    return 1;
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
