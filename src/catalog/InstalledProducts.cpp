#include "catalog/InstalledProducts.h"

#include "catalog/InstallProbe.h"

namespace {

// Display names of the series' own products begin with one of these.
const char* const kSeriesPrefixes[] = {"ルミナGO", "LuminaGo", "Kartix on net"};

bool IsSeriesProduct(const CString& displayName)
{
    for (const char* prefix : kSeriesPrefixes) {
        if (displayName.BeginsWithNoCase(prefix))
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
    for (int i = 0; i < catalog.GetCount(); ++i) {
        CProductEntry* entry = &catalog.GetEntry(i);
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
