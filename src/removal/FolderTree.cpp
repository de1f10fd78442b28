#include "removal/FolderTree.h"

#include "framework/File.h"
#include "framework/FileFind.h"
#include "framework/FileSystem.h"
#include "framework/Wnd.h"
#include "ui/Messages.h"

namespace {

thread_local TreeStop t_lastStop = TreeStop::None;

// The status line holds 40 characters with the terminator.
constexpr int kStatusPathChars = 40;

// The longest start of text of at most maxBytes bytes that ends on a character boundary.
CString LeadingBytes(const CString& text, int maxBytes)
{
    int end = 0;
    while (end < text.GetLength()) {
        const int step = IsLeadByte932(static_cast<unsigned char>(text.GetAt(end))) ? 2 : 1;
        if (end + step > maxBytes)
            break;
        end += step;
    }
    return text.Left(end);
}

bool HasWildcard(const CString& path)
{
    return path.Find('*') >= 0 || path.Find('?') >= 0;
}

// A link is removed as itself; what it points to is never touched. One that cannot be removed is
// left, like a folder that cannot be removed.
void RemoveLink(const CString& path, bool isDirectory)
{
    if (isDirectory)
        (void)win32::RemoveFolder(path);
    else
        (void)win32::RemoveFile(path);
}

// Abort, Retry or Ignore for a file that cannot be written back or removed.
int AskAboutLockedFile(const CString& path, HWND hWndReport)
{
    return ShowMessageBox(hWndReport, path + "がロック中です。", kAppTitle,
                          MB_ABORTRETRYIGNORE | MB_ICONQUESTION | MB_DEFBUTTON2);
}

struct Run
{
    HWND hWndReport;
    uint64_t* pFilesDone;
    uint32_t nReportStep;
    const CancelFlag* pCancel;
    CString* pStatusText;
    UINT uMsgCancelled;
    UINT uMsgProgress;
    UINT uMsgStatus;

    bool Reporting() const { return hWndReport != nullptr; }

    int Stop(TreeStop reason) const
    {
        if (reason != TreeStop::ListingFailed && hWndReport)
            PostMessageW(hWndReport, uMsgCancelled, 0, 0);
        t_lastStop = reason;
        return 0;
    }

    // Runs remove until it succeeds, asking the user after each failure. False on Abort.
    template <class Remove> bool RemoveWithPrompt(const CString& path, Remove remove) const
    {
        for (;;) {
            try {
                remove();
                return true;
            } catch (const CFileException&) {
                const int answer = AskAboutLockedFile(path, hWndReport);
                if (answer == IDABORT)
                    return false;
                if (answer != IDRETRY)
                    return true; // Ignore: the file stays
            }
        }
    }

    // Counts one handled file; at a checkpoint reports progress or stops on a cancel request.
    bool CountFile() const
    {
        if (!Reporting())
            return true;
        const uint64_t done = ++*pFilesDone;
        if (nReportStep == 0 || done % nReportStep != 0)
            return true;
        if (pCancel && pCancel->load() == 1)
            return false;
        PostMessageW(hWndReport, uMsgProgress, static_cast<WPARAM>(static_cast<uint32_t>(done)), 2);
        return true;
    }

    void ShowFolder(const CString& folder) const
    {
        *pStatusText = "削除フォルダ: " + CompactPath(folder, kStatusPathChars);
        SendMessageW(hWndReport, uMsgStatus, 0, 2);
    }

    int DeleteTree(const CString& strPath) const;
    int DeleteFolder(const CString& strPath, const CString& folder) const;
};

int Run::DeleteTree(const CString& strPath) const
{
    // The path names one thing: a wildcard would let the lookup match something else.
    if (HasWildcard(strPath))
        return 1;
    CFileFind lookup;
    if (!lookup.FindFile(strPath))
        return 1;
    lookup.FindNextFile();
    const CString path = lookup.GetFilePath();

    if (lookup.IsReparsePoint()) {
        RemoveLink(strPath, lookup.IsDirectory() != FALSE);
        return 1;
    }
    if (lookup.IsDirectory()) {
        lookup.Close();
        return DeleteFolder(strPath, path);
    }

    // A single file keeps its attributes and is neither counted nor reported.
    if (!RemoveWithPrompt(path, [&] { CFile::Remove(path); }))
        return Stop(TreeStop::Aborted);
    return 1;
}

int Run::DeleteFolder(const CString& strPath, const CString& folder) const
{
    if (Reporting())
        ShowFolder(folder);

    CFileFind listing;
    if (!listing.FindFile(folder + "\\*.*"))
        return Stop(TreeStop::ListingFailed);

    BOOL more = TRUE;
    while (more) {
        more = listing.FindNextFile();
        if (listing.IsDots())
            continue;
        const CString entry = listing.GetFilePath();

        if (listing.IsReparsePoint()) {
            RemoveLink(entry, listing.IsDirectory() != FALSE);
            if (!listing.IsDirectory() && !CountFile())
                return Stop(TreeStop::Cancelled);
            continue;
        }
        if (listing.IsDirectory()) {
            if (!DeleteTree(entry))
                return 0;
            continue;
        }

        // Clear every attribute (read-only among them) and write the time stamps back, which needs
        // write access to the file, then remove it.
        CFileStatus status;
        CFile::GetStatus(entry, status);
        status.m_attribute = 0;
        const bool goOn = RemoveWithPrompt(entry, [&] {
            CFile::SetStatus(entry, status);
            CFile::Remove(entry);
        });
        if (!goOn)
            return Stop(TreeStop::Aborted);
        if (!CountFile())
            return Stop(TreeStop::Cancelled);
    }
    listing.Close();
    // A folder that still holds something (an ignored file) stays, silently.
    (void)win32::RemoveFolder(strPath);
    return 1;
}

} // namespace

int DeleteFolderTree(const CString& strPath, HWND hWndReport, uint64_t* pFilesDone, uint32_t nReportStep,
                     const CancelFlag* pCancel, CString* pStatusText, UINT uMsgCancelled, UINT uMsgProgress,
                     UINT uMsgStatus)
{
    t_lastStop = TreeStop::None;
    const Run run{hWndReport,  pFilesDone,    nReportStep,  pCancel,
                  pStatusText, uMsgCancelled, uMsgProgress, uMsgStatus};
    return run.DeleteTree(strPath);
}

TreeStop LastTreeStop()
{
    return t_lastStop;
}

int CountFilesInTree(CString strFolder, int* pFileCount, int* pFolderCount)
{
    const DWORD attributes = win32::FileAttributes(strFolder);
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY) ||
        (attributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return 0;

    CFileFind listing;
    if (!listing.FindFile(strFolder + "\\*.*"))
        return 0;
    BOOL more = TRUE;
    while (more) {
        more = listing.FindNextFile();
        if (listing.IsDots())
            continue;
        if (!listing.IsDirectory()) {
            ++*pFileCount;
            continue;
        }
        ++*pFolderCount;
        if (listing.IsReparsePoint())
            continue;
        if (!CountFilesInTree(strFolder + "\\" + listing.GetFileName(), pFileCount, pFolderCount))
            return 0;
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
        return LeadingBytes(strPath, limit - 3) + "...";

    // The last component with its backslash is kept whole when it fits beside the ellipsis.
    const CString last = strPath.Mid(slash);
    if (last.GetLength() + 3 <= limit)
        return LeadingBytes(strPath, limit - 3 - last.GetLength()) + "..." + last;
    if (limit <= 7)
        return CString(std::string(static_cast<size_t>(limit), '.'));
    return "..." + LeadingBytes(last, limit - 6) + "...";
}
