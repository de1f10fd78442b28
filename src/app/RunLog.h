// The log of an unattended run: UTF-8 with a byte-order mark written once when the file is made,
// CRLF line ends (it opens right in Notepad on Japanese Windows), one line per event with a local
// time stamp, appended to. A log that cannot be written never stops the run: its lines are then
// dropped.
#pragma once

#include "framework/Handles.h"
#include "framework/String.h"

#include <string>

class CRunLog
{
public:
    CRunLog() = default;
    CRunLog(const CRunLog&) = delete;
    CRunLog& operator=(const CRunLog&) = delete;

    // Opens path for appending, or %TEMP%\SeriesClean.log when path is empty. False when the file
    // cannot be opened; Write then does nothing.
    bool Open(const std::wstring& path);
    bool IsOpen() const { return m_file.IsValid(); }

    void Write(const std::wstring& line);
    // A line of the program's own code page 932 text.
    void Write(const CString& line);

    static std::wstring DefaultPath();

private:
    win32::KernelHandle m_file;
};
