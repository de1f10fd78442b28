#include "catalog/InstallProbe.h"

#include "catalog/ProductCatalog.h"
#include "framework/FileFind.h"
#include "framework/Platform.h"
#include "framework/Registry.h"
#include "framework/Shell.h"

#include <shlobj.h>

namespace {

// Values are read as into a zero-filled buffer of 128 bytes whose last byte stays zero.
constexpr DWORD kValueCapacity = 127;
constexpr DWORD kProgramFilesCapacity = 259;
// The edition check builds its candidate paths in buffers of MAX_PATH bytes.
constexpr int kCandidateBufferSize = MAX_PATH;

const char kCurrentVersionKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
const char kDefaultEdition[] = "マップコレクション";

struct EditionCandidate
{
    const char* folder; // below the Programs folder
    const char* name;
};

const EditionCandidate kEditions[] = {
    {"\\コラミ地図ライブラリ\\Kartix on net", "Kartix on net for PC"},
    {"\\コラミ地図ライブラリ\\LuminaGo", "LuminaGo PC"},
    {"\\コラミ地図ライブラリ\\ルミナGO", "ルミナGO PC"},
};

const char* ProductValueName(int nValueId)
{
    switch (nValueId) {
    case PV_VERSION:
        return "Version";
    case PV_REVISION:
        return "Revision";
    case PV_SERVICE_PACK:
        return "ServicePack";
    case PV_CUSTOM:
        return "Custom";
    case PV_INSTALL_PATH:
        return "InstallPath";
    case PV_APP:
        return "KartixNetApp";
    case PV_CACHE_PATH:
        return "CachePath";
    default:
        return nullptr;
    }
}

// A value's text, or "" when the key or value is missing or the value does not fit the capacity
// whole: a cut-off path could name a parent folder of the real one.
CString ReadValue(HKEY root, const CString& keyPath, const char* valueName, DWORD capacity)
{
    win32::RegKey key;
    if (key.Open(root, keyPath, KEY_READ | (root == HKEY_LOCAL_MACHINE ? kProductMachineView : 0)) !=
        ERROR_SUCCESS)
        return CString();
    CString text;
    if (key.QueryAnsiValue(valueName, capacity, text) != ERROR_SUCCESS)
        return CString();
    return text;
}

bool PathExists(const CString& path)
{
    CFileFind find;
    return find.FindFile(path) != FALSE;
}

} // namespace

CString UninstallKeyPath(const CString& strUninstallGuid)
{
    return "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + strUninstallGuid;
}

bool GetProductProgramsFolder(CString& strPath)
{
    return win32::GetSpecialFolderPath(IsWindowsNT() == 1 ? CSIDL_COMMON_PROGRAMS : CSIDL_PROGRAMS, strPath);
}

bool GetProductDesktopFolder(CString& strPath)
{
    return win32::GetSpecialFolderPath(
        IsWindowsNT() == 1 ? CSIDL_COMMON_DESKTOPDIRECTORY : CSIDL_DESKTOPDIRECTORY, strPath);
}

CString CInstallProbe::GetUninstallDisplayName(CString strUninstallGuid)
{
    return ReadValue(HKEY_LOCAL_MACHINE, UninstallKeyPath(strUninstallGuid), "DisplayName", kValueCapacity);
}

CString CInstallProbe::GetProductValue(CString strKeyPath, int nValueId)
{
    if (nValueId < PV_VERSION || nValueId > PV_APP)
        return CString();
    return ReadValue(HKEY_LOCAL_MACHINE, strKeyPath, ProductValueName(nValueId), kValueCapacity);
}

CString CInstallProbe::GetUserProductValue(CString strKeyPath, int nValueId)
{
    return GetUserProductValue(HKEY_CURRENT_USER, strKeyPath, nValueId);
}

CString CInstallProbe::GetUserProductValue(HKEY userRoot, CString strKeyPath, int nValueId)
{
    if (nValueId != PV_CACHE_PATH)
        return CString();
    return ReadValue(userRoot, strKeyPath, ProductValueName(nValueId), kValueCapacity);
}

CString CInstallProbe::GetProgramFilesDir()
{
    return ReadValue(HKEY_LOCAL_MACHINE, kCurrentVersionKey, "ProgramFilesDir", kProgramFilesCapacity);
}

CString CInstallProbe::GetInstalledEditionName(CString strKeyPath)
{
    win32::RegKey key;
    if (key.Open(HKEY_LOCAL_MACHINE, strKeyPath, KEY_READ | kProductMachineView) != ERROR_SUCCESS)
        return CString();
    CString ignored;
    if (key.QueryAnsiValue("data", kValueCapacity, ignored) != ERROR_SUCCESS)
        return CString();

    CString programs;
    if (!GetProductProgramsFolder(programs))
        return kDefaultEdition;
    for (const EditionCandidate& edition : kEditions) {
        const CString candidate = programs + edition.folder;
        // A candidate that would not fit its buffer counts as not present.
        if (candidate.GetLength() + 1 > kCandidateBufferSize)
            continue;
        if (PathExists(candidate))
            return edition.name;
    }
    return kDefaultEdition;
}
