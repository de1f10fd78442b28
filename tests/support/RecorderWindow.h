// A window on a thread of its own that stands where the dialog stands for the removal code: it
// records every UM_ message it gets, whether it was sent or posted, and for UM_STATUS_TEXT the
// status text at that moment, as the dialog would copy it.
#pragma once

#include "framework/String.h"

#include <windows.h>

#include <functional>
#include <mutex>
#include <thread>
#include <vector>

struct RecordedMessage
{
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    bool sent;
    CString status; // for UM_STATUS_TEXT
};

class RecorderWindow
{
public:
    // status: the text UM_STATUS_TEXT refers to (the job's m_strStatus).
    explicit RecorderWindow(const CString* status);
    ~RecorderWindow();
    RecorderWindow(const RecorderWindow&) = delete;
    RecorderWindow& operator=(const RecorderWindow&) = delete;

    HWND Handle() const { return m_hWnd; }
    // Called on the window's thread for each recorded message.
    void OnMessage(std::function<void(const RecordedMessage&)> hook);
    // Waits until every message posted before this call has been recorded.
    void Flush();
    std::vector<RecordedMessage> Messages();
    std::vector<RecordedMessage> Messages(UINT message);

private:
    void Record(UINT message, WPARAM wParam, LPARAM lParam, bool sent);
    static LRESULT CALLBACK WindowProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);

    const CString* m_status;
    std::thread m_thread;
    HWND m_hWnd = nullptr;
    HANDLE m_ready;
    HANDLE m_flushed;
    std::mutex m_mutex;
    std::vector<RecordedMessage> m_messages;
    std::function<void(const RecordedMessage&)> m_hook;
};
