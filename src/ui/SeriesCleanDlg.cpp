#include "ui/SeriesCleanDlg.h"

#include "app/Platform.h"
#include "catalog/ProductCatalog.h"

#include <algorithm>

const char kAppTitle[] = "ルミナGOシリーズの削除";

namespace {

constexpr UINT_PTR kRepaintTimer = 1;
// Four times a second: as often as a person can read a changing path.
constexpr UINT kRepaintMs = 250;

} // namespace

BEGIN_MESSAGE_MAP(CSeriesCleanDlg, CDialog)
    ON_WM_PAINT()
    ON_WM_QUERYDRAGICON()
    ON_BN_CLICKED(IDC_DELETE, OnDelete)
    ON_LBN_SELCHANGE(IDC_PRODUCT_LIST, OnSelChangeProducts)
    ON_LBN_SELCANCEL(IDC_PRODUCT_LIST, OnSelCancelProducts)
    ON_LBN_DBLCLK(IDC_PRODUCT_LIST, OnDblClkProducts)
    ON_BN_CLICKED(IDC_CANCEL_REMOVAL, OnCancelRemoval)
    ON_BN_CLICKED(IDC_EXIT, OnExit)
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

    SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));

    if (IsWindowsNT() == 1 && IsAdministrator() != 1) {
        MessageBox("管理者権限が必要です。\n管理者権限のあるユーザーで再度実行してください。", kAppTitle,
                   MB_OK | MB_ICONERROR);
        // Only marks the modal run as ended: the rest of the initialisation still runs, and the
        // dialog is destroyed before it ever takes input.
        EndDialog(0);
    }
    MessageBox("実行する前に、\nすべてのWindowsプログラムを終了することを推奨します。", kAppTitle,
               MB_OK | MB_ICONINFORMATION);

    m_pCatalog = new CProductCatalog;
    m_pCatalog->Fill();
    FillProductList();
    return TRUE;
}

BOOL CSeriesCleanDlg::DestroyWindow()
{
    delete m_pCatalog;
    m_pCatalog = nullptr;
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
    const int cxIcon = GetSystemMetrics(SM_CXICON);
    const int cyIcon = GetSystemMetrics(SM_CYICON);
    RECT rect;
    GetClientRect(&rect);
    const int x = (rect.right - rect.left - cxIcon + 1) / 2;
    const int y = (rect.bottom - rect.top - cyIcon + 1) / 2;
    dc.DrawIcon(x, y, m_hIcon);
}

HCURSOR CSeriesCleanDlg::OnQueryDragIcon()
{
    return static_cast<HCURSOR>(m_hIcon);
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

LRESULT CSeriesCleanDlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case UM_PROGRESS_POS: {
        CProgressCtrl& bar = SelectedBar(lParam);
        ChangeQuietly(bar, [&] { bar.SetPos(static_cast<int>(wParam)); });
        break;
    }
    case UM_STATUS_TEXT: {
        // The text is in the control before the sender goes on; only its drawing waits.
        CStatic& line = SelectedLine(lParam);
        ChangeQuietly(line, [&] { line.SetWindowText(m_job.m_strStatus); });
        break;
    }
    case UM_PROGRESS_RANGE:
        SelectedBar(lParam).SetRange32(0, static_cast<int>(wParam));
        break;
    case UM_DONE_OK:
        ShowFinalBox("削除は正常終了しました。", MB_OK, lParam);
        break;
    case UM_ENABLE_CANCEL:
        m_btnCancel.EnableWindow(TRUE);
        break;
    case UM_DISABLE_CANCEL:
        m_btnCancel.EnableWindow(FALSE);
        break;
    case UM_SHOW_PROGRESS:
        RepaintChanged(); // a control whose drawing is off counts as hidden
        SelectedBar(lParam).ShowWindow(SW_SHOW);
        break;
    case UM_HIDE_PROGRESS:
        RepaintChanged();
        SelectedBar(lParam).ShowWindow(SW_HIDE);
        break;
    case WM_TIMER:
        if (wParam == kRepaintTimer && !RepaintChanged()) {
            KillTimer(kRepaintTimer);
            m_bRepaintTimer = false;
        }
        break;
    case UM_DONE_CANCELLED:
        ShowFinalBox("削除はキャンセルされました。", MB_OK | MB_ICONEXCLAMATION, lParam);
        break;
    case UM_DONE_FAILED:
        ShowFinalBox("削除は失敗しました。", MB_OK | MB_ICONERROR, lParam);
        break;
    case WM_COMMAND:
        // The worker uses m_job inside this object until its final message: Enter and Esc must
        // not end the dialog before then.
        if (m_bRemovalRunning && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL))
            return 0;
        break;
    default:
        break;
    }
    return CDialog::WindowProc(message, wParam, lParam);
}
