// The log of an unattended run: UTF-8 with a byte-order mark written once when the file is made,
// CRLF line ends (it opens right in Notepad on Japanese Windows), one line per event with a local
// time stamp, appended to.
//
// The run is elevated, often as SYSTEM, and the log's place may be one where others write: it is
// never followed through a link, nor written when it is not plainly one file of its own.
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

    // Opens path for appending, or SeriesClean.log in the program's home when path is empty (the
    // home is made when missing, the folders of path too). Refused, with why in words, when the
    // file is a link or reached through one (its final path is not the one asked for), has more
    // names than one (a hard link), is not a file on a disk, or the home cannot be used. A file the
    // refused open made is removed again. Write then does nothing.
    [[nodiscard]] bool Open(const std::wstring& path, std::wstring& why);
    bool IsOpen() const { return m_file.IsValid(); }

    void Write(const std::wstring& line);
    // A line of the program's own code page 932 text.
    void Write(const CString& line);

    static std::wstring DefaultPath();

private:
    win32::KernelHandle m_file;
};
