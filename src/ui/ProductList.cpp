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

    const InstalledSurvey installed = FindInstalledProducts(m_catalog);
    m_bSeriesInstalled = installed.bSeriesInstalled;
    int nItem = 0;
    for (const InstalledEntry& item : installed.entries) {
        m_listProducts.AddString(item.strLabel);
        m_listProducts.SetItemData(nItem, reinterpret_cast<DWORD_PTR>(item.pEntry));
        ++nItem;
    }
    FitHorizontalExtent();

    SetBusy(false);
    PostMessage(UM_HIDE_PROGRESS, 0, 1);
    PostMessage(UM_HIDE_PROGRESS, 0, 2);
}

void CSeriesCleanDlg::FitHorizontalExtent()
{
    win32::WindowDC dc(m_listProducts.m_hWnd);
    // The margin is one average character of the font the device context had before.
    TEXTMETRICW metrics = {};
    GetTextMetricsW(dc.Get(), &metrics);
    // A list without a font of its own draws with the one the device context already has.
    const auto listFont = reinterpret_cast<HFONT>(m_listProducts.SendMessage(WM_GETFONT));
    const HGDIOBJ previousFont = listFont ? SelectObject(dc.Get(), listFont) : nullptr;
    const int count = m_listProducts.GetCount();
    for (int nItem = 0; nItem < count; ++nItem) {
        const int width =
            win32::TextExtent(dc.Get(), m_listProducts.GetText(nItem)).cx + metrics.tmAveCharWidth;
        if (width > s_nWidestItem) {
            m_listProducts.SetHorizontalExtent(width);
            s_nWidestItem = width;
        }
    }
    if (previousFont)
        SelectObject(dc.Get(), previousFont);
}
