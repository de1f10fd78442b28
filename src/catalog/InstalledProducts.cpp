#include "catalog/InstalledProducts.h"

#include "catalog/InstallProbe.h"

namespace {

// Display names of the series' own products begin with one of these.
const char* const kSeriesPrefixes[] = {"ルミナGO", "LuminaGo", "Kartix on net"};

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

InstalledSurvey FindInstalledProducts(CProductCatalog& catalog)
{
    InstalledSurvey survey;
    CInstallProbe probe;
    CObArray* entries = catalog.m_pEntries;
    for (INT_PTR i = 0; i < entries->GetSize(); ++i) {
        auto* entry = static_cast<CProductEntry*>(entries->GetAt(i));
        CString name = probe.GetUninstallDisplayName(entry->GetUninstallGuid());
        if (IsSeriesProduct(name))
            survey.bSeriesInstalled = 1;
        if (name.IsEmpty())
            continue;

        const CString extraKey = entry->GetExtraMachineKey();
        if (!extraKey.IsEmpty()) {
            const CString edition = CInstallProbe::GetInstalledEditionName(extraKey);
            if (!edition.IsEmpty()) {
                name = edition;
                entry->SetDisplayName(edition);
                entry->SetProductName(edition);
                entry->SetShortcutName(edition + ".lnk");
            }
        }
        survey.entries.push_back({entry, name + VersionSuffix(entry->GetMachineKey())});
    }
    return survey;
}
