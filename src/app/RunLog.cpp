#include "app/RunLog.h"

#include "framework/FileIdentity.h"
#include "framework/Text.h"
#include "removal/ProgramFolders.h"

#include <windows.h>

#include <cstdio>
#include <vector>

using win32::EqualIgnoringCase;

namespace {

bool WriteAll(HANDLE file, const std::string& bytes)
{
    DWORD written = 0;
    return WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
}

std::wstring FullPath(const std::wstring& path)
{
    std::vector<wchar_t> buffer(32768);
    const DWORD length =
        GetFullPathNameW(path.c_str(), static_cast<DWORD>(buffer.size()), buffer.data(), nullptr);
    return length > 0 && length < buffer.size() ? std::wstring(buffer.data(), length) : path;
}

std::wstring LongPathName(const std::wstring& path)
{
    std::vector<wchar_t> buffer(32768);
    const DWORD length = GetLongPathNameW(path.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()));
    return length > 0 && length < buffer.size() ? std::wstring(buffer.data(), length) : path;
}

// The folders of a log the administrator named, made when missing. What a link among them leads to
// is judged on the open file.
void MakeFoldersOf(const std::wstring& file)
{
    const size_t slash = file.find_last_of(L'\\');
    if (slash == std::wstring::npos || slash < 3)
        return;
    const std::wstring folder = file.substr(0, slash);
    if (GetFileAttributesW(folder.c_str()) != INVALID_FILE_ATTRIBUTES)
        return;
    MakeFoldersOf(folder);
    CreateDirectoryW(folder.c_str(), nullptr);
}

// Why the open file must not be written, or nullptr.
const wchar_t* Refusal(HANDLE file, const std::wstring& name)
{
    if (GetFileType(file) != FILE_TYPE_DISK)
        return L"it is not a file on a disk";
    BY_HANDLE_FILE_INFORMATION info = {};
    if (!GetFileInformationByHandle(file, &info))
        return L"it cannot be told what it is";
    if (info.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY))
        return L"it is a link";
    if (info.nNumberOfLinks != 1)
        return L"it has other names (hard links)";
    std::wstring finalPath;
    if (!win32::GetFinalPath(file, finalPath) || !EqualIgnoringCase(finalPath, LongPathName(name)))
        return L"it is reached through a link";
    return nullptr;
}

} // namespace

std::wstring CRunLog::DefaultPath()
{
    return ProgramHomePath() + L"\\SeriesClean.log";
}

bool CRunLog::Open(const std::wstring& path, std::wstring& why)
{
    std::wstring name;
    if (path.empty()) {
        std::wstring homeWhy;
        if (const DWORD error = EnsureProgramHome(homeWhy)) {
            why = L"the folder " + ProgramHomePath() + L" cannot be used: " + homeWhy + L" (Windows error " +
                  std::to_wstring(error) + L")";
            return false;
        }
        name = DefaultPath();
    } else {
        name = FullPath(path);
        MakeFoldersOf(name);
    }
    // Others may read the log (and another run append to it) while this run writes.
    win32::KernelHandle file(CreateFileW(name.c_str(), FILE_APPEND_DATA | FILE_READ_ATTRIBUTES | DELETE,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                         OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT,
                                         nullptr));
    if (!file.IsValid()) {
        why = L"the log " + name + L" cannot be opened (Windows error " + std::to_wstring(GetLastError()) +
              L")";
        return false;
    }
    const bool made = GetLastError() != ERROR_ALREADY_EXISTS;
    if (const wchar_t* refusal = Refusal(file.Get(), name)) {
        why = L"the log " + name + L" is not written: " + refusal;
        if (made) {
            FILE_DISPOSITION_INFO dispose = {TRUE};
            SetFileInformationByHandle(file.Get(), FileDispositionInfo, &dispose, sizeof(dispose));
        }
        return false;
    }
    m_file = std::move(file);
    LARGE_INTEGER size = {};
    if (GetFileSizeEx(m_file.Get(), &size) && size.QuadPart == 0)
        WriteAll(m_file.Get(), "\xEF\xBB\xBF");
    return true;
}

void CRunLog::Write(const std::wstring& line)
{
    if (!m_file.IsValid())
        return;
    SYSTEMTIME now = {};
    GetLocalTime(&now);
    char stamp[32];
    std::snprintf(stamp, sizeof(stamp), "%04u-%02u-%02u %02u:%02u:%02u ", now.wYear, now.wMonth, now.wDay,
                  now.wHour, now.wMinute, now.wSecond);
    WriteAll(m_file.Get(), stamp + win32::ToUtf8(line) + "\r\n");
}

void CRunLog::Write(const CString& line)
{
    Write(win32::Widen(line));
}
