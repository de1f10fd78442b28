#include "support/RecorderWindow.h"

#include "ui/RemovalMessages.h"

#include <gtest/gtest.h>

namespace {

constexpr UINT kFlush = WM_APP + 0x3F01;
const wchar_t kClassName[] = L"SeriesCleanTestRecorder";

} // namespace

RecorderWindow::RecorderWindow(const CString* status)
    : m_status(status), m_ready(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
      m_flushed(CreateEventW(nullptr, FALSE, FALSE, nullptr))
{
    m_thread = std::thread([this] {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = &RecorderWindow::WindowProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = kClassName;
        RegisterClassW(&wc);
        m_hWnd = CreateWindowExW(0, kClassName, L"recorder", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                 GetModuleHandleW(nullptr), this);
        SetEvent(m_ready);
        MSG msg;
        while (GetMessageW(&msg, nullptr, 0, 0) > 0)
            DispatchMessageW(&msg);
    });
    WaitForSingleObject(m_ready, 10000);
    EXPECT_NE(m_hWnd, nullptr);
}

RecorderWindow::~RecorderWindow()
{
    PostMessageW(m_hWnd, WM_CLOSE, 0, 0);
    m_thread.join();
    CloseHandle(m_ready);
    CloseHandle(m_flushed);
}

void RecorderWindow::OnMessage(std::function<void(const RecordedMessage&)> hook)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_hook = std::move(hook);
}

void RecorderWindow::Flush()
{
    PostMessageW(m_hWnd, kFlush, 0, 0);
    ASSERT_EQ(WaitForSingleObject(m_flushed, 10000), WAIT_OBJECT_0);
}

std::vector<RecordedMessage> RecorderWindow::Messages()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_messages;
}

std::vector<RecordedMessage> RecorderWindow::Messages(UINT message)
{
    std::vector<RecordedMessage> selected;
    for (const RecordedMessage& m : Messages()) {
        if (m.message == message)
            selected.push_back(m);
    }
    return selected;
}

void RecorderWindow::Record(UINT message, WPARAM wParam, LPARAM lParam, bool sent)
{
    RecordedMessage recorded{message, wParam, lParam, sent, CString()};
    if (message == UM_STATUS_TEXT && m_status)
        recorded.status = *m_status;
    std::function<void(const RecordedMessage&)> hook;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_messages.push_back(recorded);
        hook = m_hook;
    }
    if (hook)
        hook(recorded);
}

LRESULT CALLBACK RecorderWindow::WindowProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<RecorderWindow*>(GetWindowLongPtrW(hWnd, GWLP_USERDATA));
    if (message == kFlush) {
        SetEvent(self->m_flushed);
        return 0;
    }
    if (message == WM_CLOSE) {
        DestroyWindow(hWnd);
        PostQuitMessage(0);
        return 0;
    }
    if (self && message >= UM_PROGRESS_POS && message <= UM_DONE_FAILED) {
        const bool sent = InSendMessage() != FALSE;
        if (sent) {
            // A sent message overtakes what is still queued. Whatever the sender posted before it
            // is in the queue already: record that first, so the record keeps the sender's order.
            MSG queued;
            while (
                PeekMessageW(&queued, hWnd, UM_PROGRESS_POS, UM_DONE_FAILED, PM_REMOVE | PM_QS_POSTMESSAGE))
                self->Record(queued.message, queued.wParam, queued.lParam, false);
        }
        self->Record(message, wParam, lParam, sent);
        return 0;
    }
    return DefWindowProcW(hWnd, message, wParam, lParam);
}
