#include "framework/Registry.h"

#include "framework/Handles.h"
#include "framework/Text.h"

#include <algorithm>
#include <vector>

namespace win32 {

namespace {

// The backup and restore privileges on the calling thread while the object lives. The thread
// wears a duplicate of the token it acts with (its own when it impersonates, else the process's)
// with both enabled, and gets its previous token, or none, back at the end.
class BackupRestorePrivileges
{
public:
    BackupRestorePrivileges() : m_nError(Wear()) {}
    ~BackupRestorePrivileges()
    {
        if (m_nError == ERROR_SUCCESS)
            SetThreadToken(nullptr, m_previous.Get());
    }
    BackupRestorePrivileges(const BackupRestorePrivileges&) = delete;
    BackupRestorePrivileges& operator=(const BackupRestorePrivileges&) = delete;

    // ERROR_SUCCESS, or why the privileges could not be put on.
    LONG Error() const { return m_nError; }

private:
    LONG Wear()
    {
        HANDLE handle = nullptr;
        KernelHandle process;
        if (OpenThreadToken(GetCurrentThread(), TOKEN_DUPLICATE | TOKEN_IMPERSONATE, TRUE, &handle))
            m_previous.Reset(handle);
        else if (GetLastError() == ERROR_NO_TOKEN &&
                 OpenProcessToken(GetCurrentProcess(), TOKEN_DUPLICATE, &handle))
            process.Reset(handle);
        else
            return static_cast<LONG>(GetLastError());
        if (!DuplicateTokenEx(m_previous.IsValid() ? m_previous.Get() : process.Get(),
                              TOKEN_QUERY | TOKEN_IMPERSONATE | TOKEN_ADJUST_PRIVILEGES, nullptr,
                              SecurityImpersonation, TokenImpersonation, &handle))
            return static_cast<LONG>(GetLastError());
        const KernelHandle copy(handle);
        if (!Enable(copy.Get(), L"SeBackupPrivilege") || !Enable(copy.Get(), L"SeRestorePrivilege") ||
            !SetThreadToken(nullptr, copy.Get()))
            return static_cast<LONG>(GetLastError());
        return ERROR_SUCCESS;
    }

    // A token that lacks the privilege is no failure here: the registry call then says what the
    // caller may not do.
    static bool Enable(HANDLE token, const wchar_t* name)
    {
        TOKEN_PRIVILEGES privileges = {};
        privileges.PrivilegeCount = 1;
        privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
        return LookupPrivilegeValueW(nullptr, name, &privileges.Privileges[0].Luid) &&
               AdjustTokenPrivileges(token, FALSE, &privileges, sizeof(privileges), nullptr, nullptr);
    }

    KernelHandle m_previous;
    LONG m_nError;
};

// Bounds of the retries: no registry name is longer than a counted string holds (32,767
// characters and the terminating zero), and RegEnumValueW counts data in a DWORD.
constexpr size_t kMaxNameLength = 32768;
constexpr size_t kMaxDataSize = MAXDWORD / 2;

// The longest sub-key name and value name (in characters, without the terminating zero) and the
// largest value data (in bytes) of a key.
struct KeyMaxima
{
    DWORD subKeyName = 0;
    DWORD valueName = 0;
    DWORD valueData = 0;
};

LONG QueryMaxima(HKEY key, KeyMaxima& maxima)
{
    return RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, &maxima.subKeyName, nullptr, nullptr,
                            &maxima.valueName, &maxima.valueData, nullptr, nullptr);
}

// Grows buffer after ERROR_MORE_DATA to what the key reports now and at least to twice its size,
// so that retries end; never beyond limit. False when it holds limit already.
template <class T> bool Grow(std::vector<T>& buffer, size_t reported, size_t limit)
{
    if (buffer.size() >= limit)
        return false;
    buffer.resize(std::min(limit, std::max(reported, buffer.size() * 2)));
    return true;
}

} // namespace

LONG RegKey::Open(HKEY root, const CString& path, REGSAM access)
{
    return Open(root, Widen(path), 0, access);
}

LONG RegKey::Open(HKEY root, const std::wstring& path, REGSAM access)
{
    return Open(root, path, 0, access);
}

LONG RegKey::Open(HKEY parent, const std::wstring& path, DWORD options, REGSAM access)
{
    const LONG result = RegOpenKeyExW(parent, path.c_str(), options, access, m_key.Receive());
    if (result != ERROR_SUCCESS)
        m_key.Release(); // not a key: nothing to close
    return result;
}

void RegKey::Close()
{
    m_key.Close();
}

LONG RegKey::QueryAnsiValue(const CString& name, DWORD capacity, CString& text) const
{
    text.Empty();
    const std::wstring valueName = Widen(name);
    DWORD type = 0;
    DWORD size = 0;
    LONG result = RegQueryValueExW(m_key.Get(), valueName.c_str(), nullptr, &type, nullptr, &size);
    if (result != ERROR_SUCCESS)
        return result;
    std::vector<BYTE> data(size + sizeof(wchar_t));
    result = RegQueryValueExW(m_key.Get(), valueName.c_str(), nullptr, &type, data.data(), &size);
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

LONG RegKey::EnumSubKeyNames(std::vector<std::wstring>& names) const
{
    names.clear();
    KeyMaxima maxima;
    LONG result = QueryMaxima(m_key.Get(), maxima);
    if (result != ERROR_SUCCESS)
        return result;
    std::vector<wchar_t> name(maxima.subKeyName + 1);
    for (DWORD index = 0;;) {
        DWORD length = static_cast<DWORD>(name.size());
        result = RegEnumKeyExW(m_key.Get(), index, name.data(), &length, nullptr, nullptr, nullptr, nullptr);
        if (result == ERROR_NO_MORE_ITEMS)
            return ERROR_SUCCESS;
        if (result == ERROR_MORE_DATA) {
            result = QueryMaxima(m_key.Get(), maxima);
            if (result != ERROR_SUCCESS)
                break;
            if (!Grow(name, maxima.subKeyName + 1, kMaxNameLength)) {
                result = ERROR_MORE_DATA;
                break;
            }
            continue;
        }
        if (result != ERROR_SUCCESS)
            break;
        names.emplace_back(name.data(), length);
        ++index;
    }
    names.clear();
    return result;
}

LONG RegKey::EnumValues(std::vector<RegValue>& values) const
{
    values.clear();
    KeyMaxima maxima;
    LONG result = QueryMaxima(m_key.Get(), maxima);
    if (result != ERROR_SUCCESS)
        return result;
    std::vector<wchar_t> name(maxima.valueName + 1);
    // Never a null data pointer: given one, RegEnumValueW reports the size and copies nothing.
    std::vector<BYTE> data(std::max<DWORD>(maxima.valueData, 1));
    for (DWORD index = 0;;) {
        DWORD nameLength = static_cast<DWORD>(name.size());
        DWORD dataSize = static_cast<DWORD>(data.size());
        DWORD type = REG_NONE;
        result = RegEnumValueW(m_key.Get(), index, name.data(), &nameLength, nullptr, &type, data.data(),
                               &dataSize);
        if (result == ERROR_NO_MORE_ITEMS)
            return ERROR_SUCCESS;
        if (result == ERROR_MORE_DATA) {
            // The name or the data is longer than the key reported; which one is not said.
            result = QueryMaxima(m_key.Get(), maxima);
            if (result != ERROR_SUCCESS)
                break;
            const bool grewName = Grow(name, maxima.valueName + 1, kMaxNameLength);
            const bool grewData = Grow(data, std::max(maxima.valueData, dataSize), kMaxDataSize);
            if (!grewName && !grewData) {
                result = ERROR_MORE_DATA;
                break;
            }
            continue;
        }
        if (result != ERROR_SUCCESS)
            break;
        RegValue value;
        value.name.assign(name.data(), nameLength);
        value.type = type;
        value.data.assign(data.begin(), data.begin() + dataSize);
        values.push_back(std::move(value));
        ++index;
    }
    values.clear();
    return result;
}

LONG RegKey::QueryString(const std::wstring& name, std::wstring& text, bool& expandable) const
{
    DWORD type = 0;
    DWORD size = 0;
    LONG result = RegQueryValueExW(m_key.Get(), name.c_str(), nullptr, &type, nullptr, &size);
    // The value may grow between the two calls.
    std::vector<wchar_t> data;
    while (result == ERROR_SUCCESS || result == ERROR_MORE_DATA) {
        data.assign(size / sizeof(wchar_t) + 1, L'\0');
        result = RegQueryValueExW(m_key.Get(), name.c_str(), nullptr, &type,
                                  reinterpret_cast<BYTE*>(data.data()), &size);
        if (result == ERROR_SUCCESS)
            break;
    }
    if (result != ERROR_SUCCESS)
        return result;
    if (type != REG_SZ && type != REG_EXPAND_SZ)
        return ERROR_UNSUPPORTED_TYPE;
    text.assign(data.data(), size / sizeof(wchar_t));
    text.resize(wcsnlen(text.c_str(), text.size()));
    expandable = type == REG_EXPAND_SZ;
    return ERROR_SUCCESS;
}

LONG RegKey::EnumKeyName(DWORD index, std::wstring& name) const
{
    // A key name has at most 255 characters.
    wchar_t buffer[256] = {};
    DWORD length = ARRAYSIZE(buffer);
    const LONG result =
        RegEnumKeyExW(m_key.Get(), index, buffer, &length, nullptr, nullptr, nullptr, nullptr);
    if (result == ERROR_SUCCESS)
        name.assign(buffer, length);
    return result;
}

namespace {

// NtDeleteKey deletes the key a handle stands for: a link opened as itself goes as the link, where
// RegDeleteKeyExW would open the name again and follow it.
LONG DeleteOpenKey(HKEY key)
{
    using NtDeleteKeyCall = LONG(WINAPI*)(HANDLE);
    using StatusToErrorCall = ULONG(WINAPI*)(LONG);
    static const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    static const auto deleteKey = reinterpret_cast<NtDeleteKeyCall>(
        reinterpret_cast<void*>(ntdll ? GetProcAddress(ntdll, "NtDeleteKey") : nullptr));
    static const auto statusToError = reinterpret_cast<StatusToErrorCall>(
        reinterpret_cast<void*>(ntdll ? GetProcAddress(ntdll, "RtlNtStatusToDosError") : nullptr));
    if (!deleteKey || !statusToError)
        return ERROR_PROC_NOT_FOUND;
    const LONG status = deleteKey(key);
    return status >= 0 ? ERROR_SUCCESS : static_cast<LONG>(statusToError(status));
}

constexpr REGSAM kTreeAccess = DELETE | KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE;

} // namespace

bool RegKey::IsLink() const
{
    DWORD type = REG_NONE;
    return RegQueryValueExW(m_key.Get(), L"SymbolicLinkValue", nullptr, &type, nullptr, nullptr) ==
               ERROR_SUCCESS &&
           type == REG_LINK;
}

LONG DeleteKeyTree(HKEY root, const CString& path, REGSAM view)
{
    // The path one name at a time, each opened as itself.
    std::vector<std::wstring> names;
    const std::wstring wide = Widen(path);
    for (size_t start = 0; start <= wide.size();) {
        const size_t end = std::min(wide.find(L'\\', start), wide.size());
        if (end > start)
            names.push_back(wide.substr(start, end - start));
        start = end + 1;
    }
    if (names.empty())
        return ERROR_INVALID_PARAMETER;
    std::vector<RegKey> keys;
    for (size_t i = 0; i < names.size(); ++i) {
        RegKey key;
        const bool last = i + 1 == names.size();
        const LONG result = key.Open(keys.empty() ? root : keys.back().Get(), names[i], REG_OPTION_OPEN_LINK,
                                     (last ? kTreeAccess : KEY_READ) | view);
        if (result != ERROR_SUCCESS)
            return result;
        if (key.IsLink() && !last)
            return ERROR_CANT_RESOLVE_FILENAME;
        keys.push_back(std::move(key));
    }

    // Depth first with a stack of open keys: a key goes once its last sub-key has gone.
    std::vector<RegKey> stack;
    stack.push_back(std::move(keys.back()));
    while (!stack.empty()) {
        std::wstring name;
        LONG result = stack.back().IsLink() ? ERROR_NO_MORE_ITEMS : stack.back().EnumKeyName(0, name);
        if (result == ERROR_NO_MORE_ITEMS) {
            result = DeleteOpenKey(stack.back().Get());
            if (result != ERROR_SUCCESS)
                return result;
            stack.pop_back();
            continue;
        }
        if (result != ERROR_SUCCESS)
            return result;
        RegKey child;
        result = child.Open(stack.back().Get(), name, REG_OPTION_OPEN_LINK, kTreeAccess | view);
        if (result != ERROR_SUCCESS)
            return result;
        stack.push_back(std::move(child));
    }
    return ERROR_SUCCESS;
}

bool ExpandEnvironment(const std::wstring& text, std::wstring& expanded)
{
    DWORD size = static_cast<DWORD>(text.size()) + 1;
    std::wstring buffer;
    for (;;) {
        buffer.assign(size, L'\0');
        const DWORD needed = ExpandEnvironmentStringsW(text.c_str(), buffer.data(), size);
        if (needed == 0)
            return false;
        if (needed <= size) {
            buffer.resize(needed - 1);
            break;
        }
        size = needed;
    }
    expanded = buffer;
    return true;
}

LONG LoadHive(HKEY root, const std::wstring& name, const std::wstring& file)
{
    const BackupRestorePrivileges privileges;
    if (privileges.Error() != ERROR_SUCCESS)
        return privileges.Error();
    return RegLoadKeyW(root, name.c_str(), file.c_str());
}

LONG UnloadHive(HKEY root, const std::wstring& name)
{
    const BackupRestorePrivileges privileges;
    if (privileges.Error() != ERROR_SUCCESS)
        return privileges.Error();
    return RegUnLoadKeyW(root, name.c_str());
}

} // namespace win32
