#include "support/MessageBoxRecorder.h"

MessageBoxRecorder::MessageBoxRecorder()
{
    m_previous = SetMessageBoxHandler([this](HWND owner, const CString& text, const CString& caption,
                                             UINT type) { return Show(owner, text, caption, type); });
}

MessageBoxRecorder::~MessageBoxRecorder()
{
    SetMessageBoxHandler(m_previous);
}

void MessageBoxRecorder::QueueAnswer(int answer)
{
    QueueAnswer([answer](const RecordedBox&) { return answer; });
}

void MessageBoxRecorder::QueueAnswer(Answer answer)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_answers.push_back(std::move(answer));
}

std::vector<RecordedBox> MessageBoxRecorder::Boxes() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_boxes;
}

std::vector<RecordedBox> MessageBoxRecorder::Boxes(size_t first) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (first >= m_boxes.size())
        return {};
    return std::vector<RecordedBox>(m_boxes.begin() + static_cast<std::ptrdiff_t>(first), m_boxes.end());
}

size_t MessageBoxRecorder::Count() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_boxes.size();
}

RecordedBox MessageBoxRecorder::At(size_t index) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_boxes.at(index);
}

bool MessageBoxRecorder::WaitForCount(size_t count, DWORD timeoutMs) const
{
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    while (Count() < count) {
        if (GetTickCount64() > deadline)
            return false;
        Sleep(5);
    }
    return true;
}

int MessageBoxRecorder::Show(HWND owner, const CString& text, const CString& caption, UINT type)
{
    Answer answer;
    RecordedBox box{owner, text, caption, type, GetCurrentThreadId()};
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_boxes.push_back(box);
        if (!m_answers.empty()) {
            answer = std::move(m_answers.front());
            m_answers.pop_front();
        }
    }
    if (answer)
        return answer(box);
    switch (type & MB_TYPEMASK) {
    case MB_YESNO:
    case MB_YESNOCANCEL:
        return IDYES;
    case MB_ABORTRETRYIGNORE:
        return IDIGNORE;
    default:
        return IDOK;
    }
}
