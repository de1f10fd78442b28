#include "catalog/InstallProbe.h"
#include "catalog/ProductCatalog.h"
#include "framework/Handles.h"
#include "framework/UserText.h"
#include "ui/SeriesCleanDlg.h"

namespace {

// Display names of the series' own products begin with one of these.
const char* const kSeriesPrefixes[] = {"ルミナGO", "LuminaGo", "Kartix on net"};

// The widest item text so far, plus margin; the list's horizontal extent only ever grows.
int s_nWidestItem = 0;

char AsciiLower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Whether text begins with prefix, ASCII letters compared without regard to case. The second byte
// of a double-byte character is compared exactly, never folded as if it were a letter.
bool BeginsWith(const CString& text, const char* prefix)
{
    const char* p = prefix;
    int i = 0;
    while (*p) {
        if (i >= text.GetLength())
            return false;
        const char c = text.GetAt(i);
        if (IsLeadByte932(static_cast<unsigned char>(c))) {
            if (c != p[0] || p[1] == '\0' || i + 1 >= text.GetLength() || text.GetAt(i + 1) != p[1])
                return false;
            p += 2;
            i += 2;
            continue;
        }
        if (AsciiLower(c) != AsciiLower(*p))
            return false;
        ++p;
        ++i;
    }
    return true;
}

bool IsSeriesProduct(const CString& displayName)
{
    for (const char* prefix : kSeriesPrefixes) {
        if (BeginsWith(displayName, prefix))
            return true;
    }
    return false;
}

// " (V<Version> R<Revision> SP<ServicePack> <Custom>)"; missing values leave their place empty.
CString VersionSuffix(const CString& machineKey)
{
    return " (V" + CInstallProbe::GetProductValue(machineKey, PV_VERSION) + " R" +
           CInstallProbe::GetProductValue(machineKey, PV_REVISION) + " SP" +
           CInstallProbe::GetProductValue(machineKey, PV_SERVICE_PACK) + " " +
           CInstallProbe::GetProductValue(machineKey, PV_CUSTOM) + ")";
}

} // namespace

void CSeriesCleanDlg::FillProductList()
{
    m_listProducts.ResetContent();

    CInstallProbe probe;
    win32::WindowDC dc(m_listProducts.m_hWnd);
    const auto listFont = reinterpret_cast<HFONT>(m_listProducts.SendMessage(WM_GETFONT));

    m_bSeriesInstalled = 0;
    int nItem = 0;
    CObArray* entries = m_pCatalog->m_pEntries;
    for (INT_PTR i = 0; i < entries->GetSize(); ++i) {
        auto* entry = static_cast<CProductEntry*>(entries->GetAt(i));
        CString text = probe.GetUninstallDisplayName(entry->GetUninstallGuid());
        if (IsSeriesProduct(text))
            m_bSeriesInstalled = 1;
        if (text.IsEmpty())
            continue;

        const CString extraKey = entry->GetExtraMachineKey();
        if (!extraKey.IsEmpty()) {
            const CString edition = CInstallProbe::GetInstalledEditionName(extraKey);
            if (!edition.IsEmpty()) {
                text = edition;
                entry->SetDisplayName(edition);
                entry->SetProductName(edition);
                entry->SetShortcutName(edition + ".lnk");
            }
        }
        text += VersionSuffix(entry->GetMachineKey());

        m_listProducts.AddString(text);
        m_listProducts.SetItemData(nItem, reinterpret_cast<DWORD_PTR>(entry));

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

    m_btnDelete.EnableWindow(FALSE);
    m_btnCancel.EnableWindow(FALSE);
    PostMessage(UM_HIDE_PROGRESS, 0, 1);
    PostMessage(UM_HIDE_PROGRESS, 0, 2);
}
