// Read-only probes that tell whether and where a product is installed. They write nothing and
// report nothing: a missing key or value, or a failed call, gives the empty string. Keys under
// HKEY_LOCAL_MACHINE are read in the products' 32-bit registry view (kProductMachineView).
#pragma once

#include "framework/String.h"

#include <windows.h>

// The product values that GetProductValue and GetUserProductValue read. 6 to 15 are unassigned.
enum ProductValueId : int
{
    PV_VERSION = 0,      // "Version", under the machine key
    PV_REVISION = 1,     // "Revision"
    PV_SERVICE_PACK = 2, // "ServicePack"
    PV_CUSTOM = 3,       // "Custom"
    PV_INSTALL_PATH = 4, // "InstallPath": the application folder
    PV_APP = 5,          // "KartixNetApp"
    PV_CACHE_PATH = 16,  // "CachePath", under the user key: the base of the map cache folder
};

// "SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\<guid>", under HKEY_LOCAL_MACHINE.
CString UninstallKeyPath(const CString& strUninstallGuid);

// The Start menu's Programs folder that the products' installers use: the all-users one on the NT
// platform, the user's own otherwise. False when the shell cannot give it.
[[nodiscard]] bool GetProductProgramsFolder(CString& strPath);
// The desktop folder that holds the products' shortcuts, chosen the same way.
[[nodiscard]] bool GetProductDesktopFolder(CString& strPath);

class CInstallProbe
{
public:
    CInstallProbe() = default;
    virtual ~CInstallProbe() = default;

    // "DisplayName" of HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\<guid>. A product
    // counts as installed exactly when this is not empty.
    CString GetUninstallDisplayName(CString strUninstallGuid);
    // A value of ids 0 to 5 under HKLM\<strKeyPath>; any other id gives "" without a look.
    static CString GetProductValue(CString strKeyPath, int nValueId);
    // "CachePath" (id 16) under HKCU\<strKeyPath>; any other id gives "" without a look.
    static CString GetUserProductValue(CString strKeyPath, int nValueId);
    // The same under another user's hive, whose root is userRoot.
    static CString GetUserProductValue(HKEY userRoot, CString strKeyPath, int nValueId);
    // "ProgramFilesDir" of HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion, which the 32-bit view
    // gives as the x86 Program Files folder on 64-bit Windows.
    static CString GetProgramFilesDir();
    // When HKLM\<strKeyPath> has a value "data": the name of the edition whose folder exists in
    // the Start menu's Programs folder, or "マップコレクション" when none does. "" otherwise.
    static CString GetInstalledEditionName(CString strKeyPath);
};
