#include "framework/Registry.h"

#include "framework/Text.h"

#include <vector>

namespace win32 {

LONG RegKey::Open(HKEY root, const CString& path, REGSAM access)
{
    Close();
    return RegOpenKeyExW(root, Widen(path).c_str(), 0, access, &m_hKey);
}

void RegKey::Close()
{
    if (m_hKey)
        RegCloseKey(m_hKey);
    m_hKey = nullptr;
}

LONG RegKey::QueryAnsiValue(const CString& name, DWORD capacity, CString& text) const
{
    text.Empty();
    const std::wstring valueName = Widen(name);
    DWORD type = 0;
    DWORD size = 0;
    LONG result = RegQueryValueExW(m_hKey, valueName.c_str(), nullptr, &type, nullptr, &size);
    if (result != ERROR_SUCCESS)
        return result;
    std::vector<BYTE> data(size + sizeof(wchar_t));
    result = RegQueryValueExW(m_hKey, valueName.c_str(), nullptr, &type, data.data(), &size);
    if (result != ERROR_SUCCESS)
        return result;

    std::string bytes;
    if (type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ) {
        bool lossy = false;
        const CString converted =
            Narrow(reinterpret_cast<const wchar_t*>(data.data()), size / sizeof(wchar_t), &lossy);
        if (lossy)
            return ERROR_NO_UNICODE_TRANSLATION;
        bytes = converted.Bytes();
    } else {
        bytes.assign(reinterpret_cast<const char*>(data.data()), size);
    }
    // A string stored without its terminating zero still gets one in the caller's buffer.
    const bool terminated = !bytes.empty() && bytes.back() == '\0';
    if (bytes.size() + (terminated ? 0 : 1) > capacity)
        return ERROR_MORE_DATA;
    text = CString(bytes.c_str());
    return ERROR_SUCCESS;
}

LONG DeleteKeyTree(HKEY root, const CString& path, REGSAM view)
{
    const std::wstring name = Widen(path);
    {
        RegKey key;
        // RegDeleteTree with no sub-key name empties the key: its values and sub-keys go, the key stays.
        LONG result =
            key.Open(root, path, DELETE | KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE | KEY_SET_VALUE | view);
        if (result != ERROR_SUCCESS)
            return result;
        result = RegDeleteTreeW(key.Get(), nullptr);
        if (result != ERROR_SUCCESS)
            return result;
    }
    return RegDeleteKeyExW(root, name.c_str(), view, 0);
}

} // namespace win32
