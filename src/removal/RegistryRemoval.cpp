#include "removal/RegistryRemoval.h"

#include "framework/Registry.h"

int DeleteRegistryKey(HKEY hRootKey, CString strKeyPath)
{
    CString trimmed = strKeyPath;
    trimmed.TrimLeft('\\');
    trimmed.TrimRight('\\');
    if (trimmed.IsEmpty())
        return 0;

    {
        // The open only tells whether there is anything to delete.
        win32::RegKey key;
        if (key.Open(hRootKey, strKeyPath, KEY_ALL_ACCESS) != ERROR_SUCCESS)
            return 1;
    }
    return win32::DeleteKeyTree(hRootKey, strKeyPath) == ERROR_SUCCESS ? 1 : 0;
}
