// The messages by which a removal reports to the window that watches it (the main dialog). lParam 1 selects
// status line 1 and progress bar 1, any other value line 2 and bar 2. UM_STATUS_TEXT is always sent (the
// sender waits until the dialog has copied the job's status text); every other message is posted.
#pragma once

#include <windows.h>

enum : UINT
{
    UM_PROGRESS_POS = WM_USER + 1,   // wParam: position
    UM_STATUS_TEXT = WM_USER + 2,    // the job's m_strStatus
    UM_PROGRESS_RANGE = WM_USER + 3, // wParam: upper bound, lower bound 0
    UM_DONE_OK = WM_USER + 4,        // lParam: dialog result
    UM_ENABLE_CANCEL = WM_USER + 5,
    UM_DISABLE_CANCEL = WM_USER + 6,
    UM_SHOW_PROGRESS = WM_USER + 7,
    UM_HIDE_PROGRESS = WM_USER + 8,
    UM_DONE_CANCELLED = WM_USER + 9, // lParam: dialog result
    UM_DONE_FAILED = WM_USER + 10,   // lParam: dialog result
};

// The caption of every message box of the program: the dialog's own and the removal's (the
// locked-file prompt, a key that cannot be deleted).
extern const char kAppTitle[];
