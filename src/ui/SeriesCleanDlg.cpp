#include "ui/SeriesCleanDlg.h"

#include "removal/Policy.h"
#include "catalog/ProductCatalog.h"
#include "framework/Dpi.h"
#include "removal/RegistryRemoval.h"
#include "removal/RemovalBackup.h"

#include <algorithm>
#include <utility>

namespace {

constexpr UINT_PTR kRepaintTimer = 1;
// Four times a second: as often as a person can read a changing path.
constexpr UINT kRepaintMs = 250;

} // namespace

BEGIN_MESSAGE_MAP(CSeriesCleanDlg, CDialog)
    ON_WM_PAINT()
    ON_WM_QUERYDRAGICON()
    ON_MESSAGE(WM_DPICHANGED, OnDpiChanged)
    ON_BN_CLICKED(IDC_DELETE, OnDelete)
    ON_LBN_SELCHANGE(IDC_PRODUCT_LIST, OnSelChangeProducts)
    ON_LBN_SELCANCEL(IDC_PRODUCT_LIST, OnSelCancelProducts)
    ON_LBN_DBLCLK(IDC_PRODUCT_LIST, OnDblClkProducts)
    ON_BN_CLICKED(IDC_CANCEL_REMOVAL, OnCancelRemoval)
    ON_BN_CLICKED(IDC_EXIT, OnExit)
    ON_MESSAGE(UM_PROGRESS_POS, OnProgressPos)
    ON_MESSAGE(UM_STATUS_TEXT, OnStatusText)
    ON_MESSAGE(UM_PROGRESS_RANGE, OnProgressRange)
    ON_MESSAGE(UM_DONE_OK, OnDoneOk)
    ON_MESSAGE(UM_ENABLE_CANCEL, OnEnableCancel)
    ON_MESSAGE(UM_DISABLE_CANCEL, OnDisableCancel)
    ON_MESSAGE(UM_SHOW_PROGRESS, OnShowProgress)
    ON_MESSAGE(UM_HIDE_PROGRESS, OnHideProgress)
    ON_MESSAGE(UM_DONE_CANCELLED, OnDoneCancelled)
    ON_MESSAGE(UM_DONE_FAILED, OnDoneFailed)
    ON_MESSAGE(WM_TIMER, OnRepaintTimer)
END_MESSAGE_MAP()

CSeriesCleanDlg::CSeriesCleanDlg(CWnd* pParent)
    : CDialog(IDD_SERIESCLEAN_DIALOG, pParent),
      // A shared icon from the resources: never destroyed.
      m_hIcon(LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINFRAME)))
{}

CSeriesCleanDlg::~CSeriesCleanDlg() = default;

void CSeriesCleanDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_EXIT, m_btnExit);
    DDX_Control(pDX, IDC_CANCEL_REMOVAL, m_btnCancel);
    DDX_Control(pDX, IDC_INFO, m_staticInfo);
    DDX_Control(pDX, IDC_STATUS1, m_staticStatus1);
    DDX_Control(pDX, IDC_STATUS2, m_staticStatus2);
    DDX_Control(pDX, IDC_PROGRESS1, m_progress1);
    DDX_Control(pDX, IDC_PROGRESS2, m_progress2);
    DDX_Control(pDX, IDC_DELETE, m_btnDelete);
    DDX_Control(pDX, IDC_PRODUCT_LIST, m_listProducts);
}

BOOL CSeriesCleanDlg::OnInitDialog()
{
    CDialog::OnInitDialog();

    SetWindowIcons(win32::DpiOfWindow(m_hWnd));

    if (LacksAdministratorRights()) {
        MessageBox("管理者権限が必要です。\n管理者権限のあるユーザーで再度実行してください。", kAppTitle,
                   MB_OK | MB_ICONERROR);
        // Only marks the modal run as ended: the rest of the initialisation still runs, and the
        // dialog is destroyed before it ever takes input.
        EndDialog(0);
    }
    MessageBox("実行する前に、\nすべてのWindowsプログラムを終了することを推奨します。", kAppTitle,
               MB_OK | MB_ICONINFORMATION);

    m_catalog.Fill();
    FillProductList();
    return TRUE;
}

BOOL CSeriesCleanDlg::DestroyWindow()
{
    m_catalog.Clear();
    return CDialog::DestroyWindow();
}

void CSeriesCleanDlg::OnPaint()
{
    if (!IsIconic()) {
        Default();
        return;
    }
    CPaintDC dc(this);
    SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.GetSafeHdc()), 0);
    // GetSystemMetrics answers for the system's DPI, not for the display this window is on.
    const int forDpi = win32::SystemMetricForDpi(SM_CXICON, win32::DpiOfWindow(m_hWnd));
    const int size = forDpi > 0 ? forDpi : GetSystemMetrics(SM_CXICON);
    RECT rect;
    GetClientRect(&rect);
    const int x = (rect.right - rect.left - size + 1) / 2;
    const int y = (rect.bottom - rect.top - size + 1) / 2;
    dc.DrawIcon(x, y, BigIcon(), size);
}

HCURSOR CSeriesCleanDlg::OnQueryDragIcon()
{
    return static_cast<HCURSOR>(BigIcon());
}

LRESULT CSeriesCleanDlg::OnDpiChanged(WPARAM wParam, LPARAM)
{
    const LRESULT result = Default();
    SetWindowIcons(HIWORD(wParam));
    FitHorizontalExtent();
    return result;
}

void CSeriesCleanDlg::SetWindowIcons(UINT dpi)
{
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    win32::OwnedIcon bigIcon =
        win32::LoadIconOfSize(instance, IDR_MAINFRAME, win32::SystemMetricForDpi(SM_CXICON, dpi));
    win32::OwnedIcon smallIcon =
        win32::LoadIconOfSize(instance, IDR_MAINFRAME, win32::SystemMetricForDpi(SM_CXSMICON, dpi));
    SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon.IsValid() ? bigIcon.Get() : m_hIcon));
    SendMessage(WM_SETICON, ICON_SMALL,
                reinterpret_cast<LPARAM>(smallIcon.IsValid() ? smallIcon.Get() : m_hIcon));
    // The window draws the icons it was last given: the ones it had before may go only now.
    m_bigIcon = std::move(bigIcon);
    m_smallIcon = std::move(smallIcon);
}

void CSeriesCleanDlg::SetBusy(bool busy)
{
    m_listProducts.EnableWindow(!busy);
    m_btnExit.EnableWindow(!busy);
    m_btnDelete.EnableWindow(!busy && m_listProducts.GetCurSel() != LB_ERR);
    if (!busy)
        m_btnCancel.EnableWindow(FALSE);
}

void CSeriesCleanDlg::OnSelChangeProducts()
{
    if (m_listProducts.GetCurSel() != LB_ERR)
        m_btnDelete.EnableWindow(TRUE);
}

void CSeriesCleanDlg::OnSelCancelProducts()
{
    m_btnDelete.EnableWindow(FALSE);
}

void CSeriesCleanDlg::OnDblClkProducts()
{
    if (m_listProducts.GetCurSel() != LB_ERR)
        OnDelete();
}

void CSeriesCleanDlg::OnCancelRemoval()
{
    m_job.m_bCancel = 1;
}

template <class Change> void CSeriesCleanDlg::ChangeQuietly(CWnd& control, Change change)
{
    const bool quiet =
        std::find(m_quietControls.begin(), m_quietControls.end(), &control) != m_quietControls.end();
    // A hidden control draws nothing anyway, and turning its drawing back on would show it.
    if (!quiet && control.IsWindowVisible()) {
        control.SetRedraw(FALSE);
        m_quietControls.push_back(&control);
        if (!m_bRepaintTimer)
            m_bRepaintTimer = SetTimer(kRepaintTimer, kRepaintMs) != 0;
    }
    change();
}

bool CSeriesCleanDlg::RepaintChanged()
{
    if (m_quietControls.empty())
        return false;
    for (CWnd* control : m_quietControls) {
        control->SetRedraw(TRUE);
        control->RedrawWindow(RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW);
    }
    m_quietControls.clear();
    return true;
}

void CSeriesCleanDlg::ShowFinalBox(const char* text, UINT type, LPARAM result)
{
    // The last state of the status area shows behind the box.
    RepaintChanged();
    MessageBox(text, kAppTitle, type);
    m_bRemovalRunning = false;
    EndDialog(static_cast<int>(result));
}

// The worker uses m_job inside this object until its final message: Enter and Esc must not end the
// dialog before then.
void CSeriesCleanDlg::OnOK()
{
    if (!m_bRemovalRunning)
        CDialog::OnOK();
}

void CSeriesCleanDlg::OnCancel()
{
    if (!m_bRemovalRunning)
        CDialog::OnCancel();
}

LRESULT CSeriesCleanDlg::OnProgressPos(WPARAM wParam, LPARAM lParam)
{
    CProgressCtrl& bar = SelectedBar(lParam);
    ChangeQuietly(bar, [&] { bar.SetPos(static_cast<int>(wParam)); });
    return 0;
}

LRESULT CSeriesCleanDlg::OnStatusText(WPARAM, LPARAM lParam)
{
    // The text is in the control before the sender goes on; only its drawing waits.
    CStatic& line = SelectedLine(lParam);
    ChangeQuietly(line, [&] { line.SetWindowText(m_job.m_strStatus); });
    return 0;
}

LRESULT CSeriesCleanDlg::OnProgressRange(WPARAM wParam, LPARAM lParam)
{
    SelectedBar(lParam).SetRange32(0, static_cast<int>(wParam));
    return 0;
}

LRESULT CSeriesCleanDlg::OnEnableCancel(WPARAM, LPARAM)
{
    m_btnCancel.EnableWindow(TRUE);
    return 0;
}

LRESULT CSeriesCleanDlg::OnDisableCancel(WPARAM, LPARAM)
{
    m_btnCancel.EnableWindow(FALSE);
    return 0;
}

LRESULT CSeriesCleanDlg::OnShowProgress(WPARAM, LPARAM lParam)
{
    RepaintChanged(); // a control whose drawing is off counts as hidden
    SelectedBar(lParam).ShowWindow(SW_SHOW);
    return 0;
}

LRESULT CSeriesCleanDlg::OnHideProgress(WPARAM, LPARAM lParam)
{
    RepaintChanged();
    SelectedBar(lParam).ShowWindow(SW_HIDE);
    return 0;
}

LRESULT CSeriesCleanDlg::OnRepaintTimer(WPARAM wParam, LPARAM)
{
    if (wParam == kRepaintTimer && !RepaintChanged()) {
        KillTimer(kRepaintTimer);
        m_bRepaintTimer = false;
    }
    return 0;
}

LRESULT CSeriesCleanDlg::OnDoneOk(WPARAM, LPARAM lParam)
{
    ShowFinalBox("削除は正常終了しました。", MB_OK, lParam);
    return 0;
}

LRESULT CSeriesCleanDlg::OnDoneCancelled(WPARAM, LPARAM lParam)
{
    ShowFinalBox("削除はキャンセルされました。", MB_OK | MB_ICONEXCLAMATION, lParam);
    return 0;
}

LRESULT CSeriesCleanDlg::OnDoneFailed(WPARAM, LPARAM lParam)
{
    ShowFinalBox("削除は失敗しました。", MB_OK | MB_ICONERROR, lParam);
    return 0;
}

void CSeriesCleanDlg::OnExit()
{
    // The prompt's lines break with carriage returns.
    if (OffersSettingsRemoval(m_bSeriesInstalled)) {
        const int answer =
            MessageBox("ルミナGOの設定データがレジストリに存在します。\rこれらを削除しますか？\r("
                       "残しておいても問題はありません)",
                       kAppTitle, MB_YESNO | MB_ICONEXCLAMATION);
        if (answer == IDYES) {
            // The way back first: a key that cannot be backed up stays.
            std::wstring backup, why;
            DWORD error = 0;
            const bool backedUp = BackUpKeys({{HKEY_CURRENT_USER, kSeriesSettingsKey, 0, std::wstring()}},
                                             L"設定データ", backup, why, error);
            if (!backedUp || DeleteSeriesSettings() == 0)
                MessageBox("レジストリの削除に失敗しました。\rアプリが稼動してないかなど御確認ください。",
                           kAppTitle, MB_ICONERROR);
            else
                MessageBox("ルミナGOの設定データをレジストリより削除しました。", kAppTitle,
                           MB_ICONINFORMATION);
        }
    }
    OnCancel();
}
