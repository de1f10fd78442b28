#include "catalog/InstalledProducts.h"
#include "framework/Handles.h"
#include "framework/UserText.h"
#include "ui/SeriesCleanDlg.h"

namespace {

// The widest item text so far, plus margin; the list's horizontal extent only ever grows.
int s_nWidestItem = 0;

} // namespace

void CSeriesCleanDlg::FillProductList()
{
    m_listProducts.ResetContent();

    win32::WindowDC dc(m_listProducts.m_hWnd);
    const auto listFont = reinterpret_cast<HFONT>(m_listProducts.SendMessage(WM_GETFONT));

    const InstalledSurvey installed = FindInstalledProducts(m_catalog);
    m_bSeriesInstalled = installed.bSeriesInstalled;
    int nItem = 0;
    for (const InstalledEntry& item : installed.entries) {
        const CString& text = item.strLabel;
        m_listProducts.AddString(text);
        m_listProducts.SetItemData(nItem, reinterpret_cast<DWORD_PTR>(item.pEntry));

        // The margin is one average character of the font the device context had before.
        TEXTMETRICW metrics = {};
        GetTextMetricsW(dc.Get(), &metrics);
        const HGDIOBJ previousFont = SelectObject(dc.Get(), listFont);
        const int width = win32::TextExtent(dc.Get(), text).cx + metrics.tmAveCharWidth;
        SelectObject(dc.Get(), previousFont);
        if (width > s_nWidestItem) {
            m_listProducts.SetHorizontalExtent(width);
            s_nWidestItem = width;
        }
        ++nItem;
    }

    SetBusy(false);
    PostMessage(UM_HIDE_PROGRESS, 0, 1);
    PostMessage(UM_HIDE_PROGRESS, 0, 2);
}
