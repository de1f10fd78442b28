#include "support/DialogHarness.h"

#include <gtest/gtest.h>

bool g_bWidestLabelShown = false;

DialogHarness::DialogHarness()
{
    HANDLE created = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    m_thread = std::thread([this, created] {
        TestDialog dialog;
        m_dialog = &dialog;
        SetEvent(created);
        m_result = dialog.DoModal();
        m_ended = true;
        // The object lives on this thread's stack: keep it until the test is done with it.
        while (m_dialog.load())
            Sleep(1);
    });
    WaitForSingleObject(created, 10000);
    CloseHandle(created);

    // The dialog is shown once its initialisation is over.
    const ULONGLONG deadline = GetTickCount64() + 20000;
    while (!m_ended && GetTickCount64() < deadline) {
        HWND hWnd = m_dialog.load()->m_hWnd;
        if (hWnd && IsWindowVisible(hWnd)) {
            m_hWnd = hWnd;
            break;
        }
        Sleep(2);
    }
    EXPECT_NE(m_hWnd, nullptr) << "the dialog did not come up";
    if (m_hWnd)
        Flush();
}

DialogHarness::~DialogHarness()
{
    if (!m_ended && m_hWnd) {
        // The test is over; end the dialog as the framework does for Esc, even during a removal.
        PostMessageW(m_hWnd, WM_NULL, 0, 0);
        SendMessageW(m_hWnd, WM_COMMAND, IDCANCEL, 0);
        if (!WaitForEnd(5000)) {
            DWORD_PTR ignored;
            SendMessageTimeoutW(m_hWnd, WM_CLOSE, 0, 0, SMTO_ABORTIFHUNG, 1000, &ignored);
        }
    }
    TestDialog* dialog = m_dialog.load();
    if (dialog && !m_ended) {
        // Last resort for a dialog that refuses to end: its run must not outlive the test.
        dialog->EndDialog(IDCANCEL);
        PostMessageW(m_hWnd, WM_NULL, 0, 0);
        WaitForEnd(5000);
    }
    m_dialog = nullptr;
    if (m_thread.joinable())
        m_thread.join();
}

void DialogHarness::Flush()
{
    ASSERT_FALSE(m_ended) << "the dialog has ended";
    PostMessageW(m_hWnd, TestDialog::kFlushMessage, 0, 0);
    ASSERT_EQ(WaitForSingleObject(m_dialog.load()->FlushedEvent(), 10000), WAIT_OBJECT_0)
        << "the dialog is stuck";
}

void DialogHarness::Click(int id)
{
    SendMessageW(m_hWnd, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(Control(id)));
}

void DialogHarness::NotifyList(int code)
{
    SendMessageW(m_hWnd, WM_COMMAND, MAKEWPARAM(IDC_PRODUCT_LIST, code),
                 reinterpret_cast<LPARAM>(Control(IDC_PRODUCT_LIST)));
}

bool DialogHarness::WaitForEnd(DWORD timeoutMs)
{
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    while (!m_ended) {
        if (GetTickCount64() > deadline)
            return false;
        Sleep(2);
    }
    return true;
}
