#include "app/RunLog.h"

#include "framework/Text.h"

#include <windows.h>

#include <cstdio>

namespace {

bool WriteAll(HANDLE file, const std::string& bytes)
{
    DWORD written = 0;
    return WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
}

} // namespace

std::wstring CRunLog::DefaultPath()
{
    wchar_t folder[MAX_PATH + 1] = {};
    const DWORD length = GetTempPathW(MAX_PATH + 1, folder);
    std::wstring path = length > 0 && length <= MAX_PATH ? std::wstring(folder, length) : L"C:\\";
    if (path.back() != L'\\')
        path += L'\\';
    return path + L"SeriesClean.log";
}

bool CRunLog::Open(const std::wstring& path)
{
    const std::wstring name = path.empty() ? DefaultPath() : path;
    // Others may read the log (and another run append to it) while this run writes.
    m_file.Reset(CreateFileW(name.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!m_file.IsValid())
        return false;
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
