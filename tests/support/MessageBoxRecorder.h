// Records every message box the code under test shows, and answers it instead of a user.
#pragma once

#include "framework/Wnd.h"

#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

struct RecordedBox
{
    HWND owner;
    CString text;
    CString caption;
    UINT type;
    DWORD threadId;
};

class MessageBoxRecorder
{
public:
    using Answer = std::function<int(const RecordedBox&)>;

    MessageBoxRecorder();
    ~MessageBoxRecorder();
    MessageBoxRecorder(const MessageBoxRecorder&) = delete;
    MessageBoxRecorder& operator=(const MessageBoxRecorder&) = delete;

    // The next box gets this answer; boxes without a queued answer get OK, Yes or Ignore by
    // their buttons.
    void QueueAnswer(int answer);
    void QueueAnswer(Answer answer);

    std::vector<RecordedBox> Boxes() const;
    // The boxes from the first-th on (0 is the first box shown).
    std::vector<RecordedBox> Boxes(size_t first) const;
    size_t Count() const;
    RecordedBox At(size_t index) const;
    // Waits until at least count boxes were shown; false after the timeout.
    bool WaitForCount(size_t count, DWORD timeoutMs = 10000) const;

private:
    int Show(HWND owner, const CString& text, const CString& caption, UINT type);

    mutable std::mutex m_mutex;
    std::vector<RecordedBox> m_boxes;
    std::deque<Answer> m_answers;
    MessageBoxHandler m_previous;
};
