// Runs the real main dialog modally on a thread of its own, as the program's UI thread runs it,
// while the test drives it from outside the way a user would: through its window.
#pragma once

#include "support/MessageBoxRecorder.h"
#include "support/PlatformSeam.h"
#include "ui/SeriesCleanDlg.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>

// The main dialog with its state opened up for the tests, and a way to wait until everything
// posted to it so far has been handled.
class TestDialog : public CSeriesCleanDlg
{
public:
    using CSeriesCleanDlg::m_bRemovalRunning;
    using CSeriesCleanDlg::m_bSeriesInstalled;
    using CSeriesCleanDlg::m_btnCancel;
    using CSeriesCleanDlg::m_btnDelete;
    using CSeriesCleanDlg::m_btnExit;
    using CSeriesCleanDlg::m_catalog;
    using CSeriesCleanDlg::m_hIcon;
    using CSeriesCleanDlg::m_job;
    using CSeriesCleanDlg::m_listProducts;
    using CSeriesCleanDlg::m_progress1;
    using CSeriesCleanDlg::m_progress2;
    using CSeriesCleanDlg::m_staticInfo;
    using CSeriesCleanDlg::m_staticStatus1;
    using CSeriesCleanDlg::m_staticStatus2;

    static constexpr UINT kFlushMessage = WM_APP + 0x3F00;

    TestDialog() : m_flushed(CreateEventW(nullptr, FALSE, FALSE, nullptr)) {}
    ~TestDialog() override { CloseHandle(m_flushed); }

    HANDLE FlushedEvent() const { return m_flushed; }

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == kFlushMessage) {
            SetEvent(m_flushed);
            return 0;
        }
        return CSeriesCleanDlg::WindowProc(message, wParam, lParam);
    }

private:
    HANDLE m_flushed;
};

class DialogHarness
{
public:
    // Starts the dialog and waits until its initialisation is over.
    DialogHarness();
    // Ends the dialog if it still runs (as Esc would) and waits for its thread.
    ~DialogHarness();
    DialogHarness(const DialogHarness&) = delete;
    DialogHarness& operator=(const DialogHarness&) = delete;

    TestDialog& Dialog() { return *m_dialog; }
    HWND Window() const { return m_hWnd; }
    HWND Control(int id) const { return GetDlgItem(m_hWnd, id); }

    // Waits until every message posted to the dialog before this call has been handled.
    void Flush();
    // Clicks a button of the dialog as the user would (the control's BN_CLICKED notification).
    void Click(int id);
    // Sends the list box's notification code to the dialog.
    void NotifyList(int code);
    // Waits until the modal run has returned; false after the timeout.
    bool WaitForEnd(DWORD timeoutMs = 10000);
    bool Ended() const { return m_ended; }
    INT_PTR Result() const { return m_result; }

private:
    std::thread m_thread;
    std::atomic<TestDialog*> m_dialog{nullptr};
    std::atomic<bool> m_ended{false};
    HWND m_hWnd = nullptr;
    INT_PTR m_result = 0;
};

// The list's widest width so far lives as long as the process. Set once a test has shown the widest
// label there can be (a display name holds 126 bytes) or a wider one: from then on no list of this
// process sets its horizontal extent for such a label again.
extern bool g_bWidestLabelShown;

// A test of the main dialog: the platform answers "administrator on NT", every box is recorded,
// and the dialog starts once the test has built the registry state and folders it needs.
class DialogTest : public testing::Test
{
protected:
    // Starts the dialog and waits for its information box.
    void Start()
    {
        m_dialog = std::make_unique<DialogHarness>();
        m_boxes.WaitForCount(1);
    }

    // The boxes after the information box of the start.
    std::vector<RecordedBox> BoxesAfterStart() const { return m_boxes.Boxes(1); }

    ScopedPlatform m_platform{1, 1};
    MessageBoxRecorder m_boxes;
    std::unique_ptr<DialogHarness> m_dialog;
};
