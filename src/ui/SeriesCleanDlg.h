// The main dialog: the list of installed products, the delete, exit and cancel buttons, and the
// status area in which a running removal reports through the UM_ messages.
//
// Errors in the ui layer: every failure the user must know of is a message box with the program's
// caption, owned by the dialog; handlers return nothing.
#pragma once

#include "catalog/ProductCatalog.h"
#include "framework/Controls.h"
#include "framework/Dialog.h"
#include "framework/Handles.h"
#include "removal/RemovalJob.h"
#include "ui/RemovalMessages.h"
#include "ui/resource.h"

#include <vector>

class CSeriesCleanDlg : public CDialog
{
public:
    explicit CSeriesCleanDlg(CWnd* pParent = nullptr);
    ~CSeriesCleanDlg() override;

    BOOL DestroyWindow() override;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    // Called for Enter and Esc: ignored while a removal runs.
    void OnOK() override;
    void OnCancel() override;

    // Called when the dialog needs painting; draws the icon while the dialog is minimised.
    void OnPaint();
    // Called when the dialog has moved to a display of another DPI (HIWORD of wParam). Windows 10
    // 1703 and later rescale a per-monitor v2 dialog, its controls and their font in the default
    // handling; the window icons and the list's horizontal extent then follow.
    LRESULT OnDpiChanged(WPARAM wParam, LPARAM lParam);
    // Called for the cursor to show while the minimised dialog is dragged.
    HCURSOR OnQueryDragIcon();
    // Called when the delete button is clicked: plans a removal, confirms it and starts it.
    void OnDelete();
    // Called when the list's selection changes: a selection enables the delete button.
    void OnSelChangeProducts();
    // Called when the list's selection is cancelled: disables the delete button.
    void OnSelCancelProducts();
    // Called on a double click in the list: with a selection, deletes as the delete button does.
    void OnDblClkProducts();
    // Called when the cancel button is clicked during a removal: raises the cancel flag only.
    void OnCancelRemoval();
    // Called when the exit button is clicked: may offer to delete the settings key, then closes.
    void OnExit();

    // Called for the messages by which a running removal reports (lParam 1 selects bar and line 1).
    LRESULT OnProgressPos(WPARAM wParam, LPARAM lParam);
    LRESULT OnStatusText(WPARAM wParam, LPARAM lParam);
    LRESULT OnProgressRange(WPARAM wParam, LPARAM lParam);
    LRESULT OnEnableCancel(WPARAM wParam, LPARAM lParam);
    LRESULT OnDisableCancel(WPARAM wParam, LPARAM lParam);
    LRESULT OnShowProgress(WPARAM wParam, LPARAM lParam);
    LRESULT OnHideProgress(WPARAM wParam, LPARAM lParam);
    // Called a few times a second while the status area changes: draws what changed since.
    LRESULT OnRepaintTimer(WPARAM wParam, LPARAM lParam);
    // Called for the final message of a removal: shows how it ended and ends the dialog.
    LRESULT OnDoneOk(WPARAM wParam, LPARAM lParam);
    LRESULT OnDoneCancelled(WPARAM wParam, LPARAM lParam);
    LRESULT OnDoneFailed(WPARAM wParam, LPARAM lParam);

    // Lists the catalog's installed products and puts the dialog into its idle state.
    void FillProductList();
    // Measures every item with the list's font as it is now; an item wider (with margin) than any
    // before in this process widens the list's horizontal extent, which never narrows.
    void FitHorizontalExtent();
    // Sets the big and small window icons at the sizes a display of dpi asks for. Where Windows
    // cannot tell those (dpi 0, before Windows 10 1607), both are m_hIcon.
    void SetWindowIcons(UINT dpi);
    // Busy: nothing can be chosen while a removal is surveyed. Idle: the list and the exit button
    // take input, the delete button with a selection, the cancel button never.
    void SetBusy(bool busy);

    int m_bSeriesInstalled = 0;
    CButton m_btnExit;
    CButton m_btnCancel;
    CStatic m_staticInfo;
    CStatic m_staticStatus1;
    CStatic m_staticStatus2;
    CProgressCtrl m_progress1;
    CProgressCtrl m_progress2;
    CButton m_btnDelete;
    CListBox m_listProducts;
    HICON m_hIcon;
    // The window icons at the display's sizes, when Windows tells them; the window holds them.
    win32::OwnedIcon m_bigIcon;
    win32::OwnedIcon m_smallIcon;
    CProductCatalog m_catalog;
    RemovalJob m_job;
    // Set while a removal's worker may still use m_job: Enter and Esc must not end the dialog then.
    bool m_bRemovalRunning = false;
    // The controls whose drawing is off until the repaint timer's next tick.
    std::vector<CWnd*> m_quietControls;
    bool m_bRepaintTimer = false;

    DECLARE_MESSAGE_MAP()

private:
    // The status lines and bars change with every message of a removal, hundreds of times a second:
    // each change is made at once, and the control is drawn at the next tick of the repaint timer.
    template <class Change> void ChangeQuietly(CWnd& control, Change change);
    // Draws every control changed since the last tick; false when there was none.
    bool RepaintChanged();
    void ShowFinalBox(const char* text, UINT type, LPARAM result);
    HICON BigIcon() const { return m_bigIcon.IsValid() ? m_bigIcon.Get() : m_hIcon; }
    CProgressCtrl& SelectedBar(LPARAM selector) { return selector == 1 ? m_progress1 : m_progress2; }
    CStatic& SelectedLine(LPARAM selector) { return selector == 1 ? m_staticStatus1 : m_staticStatus2; }
};
