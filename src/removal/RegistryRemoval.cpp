#include "removal/RegistryRemoval.h"

#include "catalog/ProductCatalog.h"
#include "framework/Registry.h"

int DeleteRegistryKey(HKEY hRootKey, CString strKeyPath, REGSAM view)
{
    CString trimmed = strKeyPath;
    trimmed.TrimLeft('\\');
    trimmed.TrimRight('\\');
    if (trimmed.IsEmpty())
        return 0;

    {
        // The open only tells whether there is anything to delete.
        win32::RegKey key;
        if (key.Open(hRootKey, strKeyPath, KEY_ALL_ACCESS | view) != ERROR_SUCCESS)
            return 1;
    }
    return win32::DeleteKeyTree(hRootKey, strKeyPath, view) == ERROR_SUCCESS ? 1 : 0;
}

KeyRemoval DeleteRegistryKeyStrictly(HKEY hRootKey, CString strKeyPath, REGSAM view, DWORD& error)
{
    CString trimmed = strKeyPath;
    trimmed.TrimLeft('\\');
    trimmed.TrimRight('\\');
    error = ERROR_INVALID_PARAMETER;
    if (trimmed.IsEmpty())
        return KeyRemoval::Failed;
    {
        win32::RegKey key;
        error = static_cast<DWORD>(key.Open(hRootKey, strKeyPath, KEY_QUERY_VALUE | view));
        if (error == ERROR_FILE_NOT_FOUND)
            return KeyRemoval::Absent;
    }
    // Whatever fails from here on, the key was there: an error inside the tree (a sub-key that went
    // meanwhile, a link) is no "absent".
    const DWORD deletion = static_cast<DWORD>(win32::DeleteKeyTree(hRootKey, strKeyPath, view));
    win32::RegKey key;
    const LONG after = key.Open(hRootKey, strKeyPath, KEY_QUERY_VALUE | view);
    if (deletion == ERROR_SUCCESS && after == ERROR_FILE_NOT_FOUND)
        return KeyRemoval::Deleted;
    error = deletion != ERROR_SUCCESS ? deletion
            : after == ERROR_SUCCESS  ? ERROR_ACCESS_DENIED
                                      : static_cast<DWORD>(after);
    return KeyRemoval::Failed;
}

bool SeriesSettingsExist(HKEY userRoot)
{
    win32::RegKey key;
    return key.Open(userRoot, kSeriesSettingsKey, KEY_ALL_ACCESS) == ERROR_SUCCESS;
}

int DeleteSeriesSettings()
{
    return DeleteRegistryKey(HKEY_CURRENT_USER, kSeriesSettingsKey);
}
