#include "removal/RegistryBackup.h"

#include "framework/FileSystem.h"
#include "framework/Registry.h"

#include <algorithm>
#include <cstring>
#include <deque>

namespace {

constexpr wchar_t kFileHeader[] = L"Windows Registry Editor Version 5.00\r\n\r\n";
constexpr wchar_t kSoftware[] = L"SOFTWARE";
constexpr wchar_t kWow64Node[] = L"WOW6432Node";
// Only the 64-bit build sees two views: the 32-bit one runs on 32-bit Windows alone.
constexpr bool kTwoViews = sizeof(void*) == 8;

// regedit breaks a line of hex bytes after the comma that takes it to this many characters, and
// goes on after two blanks.
constexpr size_t kHexLineLength = 77;
constexpr wchar_t kHexContinuation[] = L"\\\r\n  ";

// How many names "<name> (n).reg" are tried before the folder counts as full.
constexpr int kMaxFileNumber = 1000;

bool EqualsNoCase(const std::wstring& text, size_t offset, size_t length, const wchar_t* word)
{
    const size_t wordLength = std::wcslen(word);
    return length == wordLength && CompareStringOrdinal(text.c_str() + offset, static_cast<int>(length), word,
                                                        static_cast<int>(wordLength), TRUE) == CSTR_EQUAL;
}

// A line of the file ends at CR or LF wherever it stands, and NUL ends a name: a name with one of
// them cannot be written.
bool IsWritableName(const std::wstring& name)
{
    return name.find_first_of(std::wstring(L"\r\n\0", 3)) == std::wstring::npos;
}

void AppendHexDigits(std::wstring& text, unsigned long value, int minDigits)
{
    static const wchar_t kDigits[] = L"0123456789abcdef";
    wchar_t digits[16];
    int count = 0;
    do {
        digits[count++] = kDigits[value & 0xF];
        value >>= 4;
    } while (value != 0);
    while (count < minDigits)
        digits[count++] = L'0';
    while (count > 0)
        text += digits[--count];
}

// "\" and '"' escaped, everything else as it is.
void AppendQuoted(std::wstring& text, const std::wstring& value)
{
    text += L'"';
    for (const wchar_t c : value) {
        if (c == L'\\' || c == L'"')
            text += L'\\';
        text += c;
    }
    text += L'"';
}

// Only a string that the quoted form gives back byte for byte is written so: the quoted form always
// ends in exactly one NUL and can hold no other, nor CR or LF.
bool IsPlainString(const std::vector<BYTE>& data, std::wstring& text)
{
    if (data.size() < sizeof(wchar_t) || data.size() % sizeof(wchar_t) != 0)
        return false;
    text.assign(data.size() / sizeof(wchar_t), L'\0');
    std::memcpy(text.data(), data.data(), data.size());
    if (text.back() != L'\0')
        return false;
    text.pop_back();
    return text.find_first_of(std::wstring(L"\r\n\0", 3)) == std::wstring::npos;
}

// "hex:" or "hex(<type>):" and the bytes, wrapped as regedit wraps them; lineLength is what the
// line already holds.
void AppendHexData(std::wstring& text, DWORD type, const std::vector<BYTE>& data, size_t lineLength)
{
    const size_t start = text.size();
    if (type == REG_BINARY) {
        text += L"hex:";
    } else {
        text += L"hex(";
        AppendHexDigits(text, type, 1);
        text += L"):";
    }
    lineLength += text.size() - start;
    for (size_t i = 0; i < data.size(); ++i) {
        AppendHexDigits(text, data[i], 2);
        if (i + 1 == data.size())
            break;
        text += L',';
        lineLength += 3;
        if (lineLength >= kHexLineLength) {
            text += kHexContinuation;
            lineLength = 2;
        }
    }
}

void AppendValue(std::wstring& text, const win32::RegValue& value)
{
    const size_t lineStart = text.size();
    if (value.name.empty())
        text += L'@';
    else
        AppendQuoted(text, value.name);
    text += L'=';
    std::wstring plain;
    if (value.type == REG_SZ && IsPlainString(value.data, plain)) {
        AppendQuoted(text, plain);
    } else if (value.type == REG_DWORD && value.data.size() == sizeof(DWORD)) {
        DWORD number = 0;
        std::memcpy(&number, value.data.data(), sizeof(number));
        text += L"dword:";
        AppendHexDigits(text, number, 8);
    } else {
        AppendHexData(text, value.type, value.data, text.size() - lineStart);
    }
    text += L"\r\n";
}

// A key on the walk: its handle, its name in the file and the sub-keys still to visit.
struct WalkedKey
{
    win32::RegKey key;
    std::wstring name;
    std::vector<std::wstring> subKeys;
    size_t nextSubKey = 0;
};

// Reads the key's values and sub-key names and adds its section to text. 0 or the error.
DWORD AddSection(WalkedKey& walked, std::wstring& text)
{
    std::vector<win32::RegValue> values;
    LONG result = walked.key.EnumValues(values);
    if (result == ERROR_SUCCESS)
        result = walked.key.EnumSubKeyNames(walked.subKeys);
    if (result != ERROR_SUCCESS)
        return static_cast<DWORD>(result);
    if (!IsWritableName(walked.name))
        return ERROR_INVALID_DATA;
    text += L'[';
    text += walked.name;
    text += L"]\r\n";
    for (const win32::RegValue& value : values) {
        if (!IsWritableName(value.name))
            return ERROR_INVALID_DATA;
        AppendValue(text, value);
    }
    text += L"\r\n";
    return 0;
}

// Every key is opened with REG_OPTION_OPEN_LINK, so a registry link is written as the link key
// itself: its one value (the target, REG_LINK) and no sub-keys. What it leads to is not deleted with
// the tree; following it could copy any part of the registry, or an ancestor of the key without
// end, and a restore would write that back over whatever is there then. (Restored, the link is an
// ordinary key holding that value: the format cannot make links.)
DWORD AddKeyTree(const BackupKey& top, std::wstring& text)
{
    if (top.exportName.empty())
        return ERROR_INVALID_PARAMETER;
    const REGSAM access = KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS | top.view;
    // A deque keeps its elements where they are while it grows at the back.
    std::deque<WalkedKey> walk(1);
    LONG result = walk.back().key.Open(top.root, top.path, REG_OPTION_OPEN_LINK, access);
    if (result == ERROR_FILE_NOT_FOUND)
        return 0;
    if (result != ERROR_SUCCESS)
        return static_cast<DWORD>(result);
    walk.back().name = top.exportName;
    DWORD error = AddSection(walk.back(), text);
    while (error == 0 && !walk.empty()) {
        WalkedKey& parent = walk.back();
        if (parent.nextSubKey == parent.subKeys.size()) {
            walk.pop_back();
            continue;
        }
        const std::wstring& subKey = parent.subKeys[parent.nextSubKey++];
        WalkedKey& child = walk.emplace_back();
        result = child.key.Open(parent.key.Get(), subKey, REG_OPTION_OPEN_LINK, access);
        if (result == ERROR_FILE_NOT_FOUND) {
            // Deleted since its parent was listed: nothing of it to restore.
            walk.pop_back();
            continue;
        }
        if (result != ERROR_SUCCESS)
            return static_cast<DWORD>(result);
        child.name = parent.name + L'\\' + subKey;
        error = AddSection(child, text);
    }
    return error;
}

// Makes the first free name of folder\<fileName>[ (n)].reg and writes content there. 0 or the
// error, and then no file.
DWORD WriteNewFile(const std::wstring& folder, const std::wstring& fileName, const std::wstring& content,
                   std::wstring& filePath)
{
    if (folder.empty() || fileName.empty() || fileName.find_first_of(L"\\/:") != std::wstring::npos)
        return ERROR_INVALID_NAME;
    std::wstring base = folder;
    if (base.back() != L'\\' && base.back() != L'/')
        base += L'\\';
    base += fileName;
    for (int number = 1; number <= kMaxFileNumber; ++number) {
        filePath = number == 1 ? base + L".reg" : base + L" (" + std::to_wstring(number) + L").reg";
        win32::NewFile file;
        DWORD error = file.Create(filePath);
        if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS)
            continue;
        if (error == 0) {
            error = file.Write(content.data(), content.size() * sizeof(wchar_t));
            if (error == 0)
                return 0;
            file.Discard();
        }
        filePath.clear();
        return error;
    }
    filePath.clear();
    return ERROR_FILE_EXISTS;
}

} // namespace

std::wstring ExportName(HKEY root, const std::wstring& path, REGSAM view)
{
    std::wstring name;
    if (root == HKEY_LOCAL_MACHINE)
        name = L"HKEY_LOCAL_MACHINE";
    else if (root == HKEY_CURRENT_USER)
        name = L"HKEY_CURRENT_USER";
    else if (root == HKEY_USERS)
        name = L"HKEY_USERS";
    else
        return std::wstring();

    const size_t first = path.find_first_not_of(L'\\');
    if (first == std::wstring::npos)
        return name;
    std::wstring rest = path.substr(first, path.find_last_not_of(L'\\') + 1 - first);
    if (kTwoViews && root == HKEY_LOCAL_MACHINE && (view & KEY_WOW64_32KEY)) {
        // The 32-bit view of SOFTWARE is the 64-bit view's SOFTWARE\WOW6432Node; the rest of the
        // machine hive is the same in both views.
        const size_t end = std::min(rest.find(L'\\'), rest.size());
        if (EqualsNoCase(rest, 0, end, kSoftware)) {
            const size_t next = std::min(rest.find(L'\\', end + 1), rest.size());
            const bool redirected =
                end < rest.size() && EqualsNoCase(rest, end + 1, next - end - 1, kWow64Node);
            if (!redirected)
                rest = std::wstring(kSoftware) + L'\\' + kWow64Node + rest.substr(end);
        }
    }
    return name + L'\\' + rest;
}

bool WriteRegistryBackup(const std::vector<BackupKey>& keys, const std::wstring& folder,
                         const std::wstring& fileName, std::wstring& filePath, DWORD& error)
{
    filePath.clear();
    std::wstring content = L"\xFEFF";
    content += kFileHeader;
    for (const BackupKey& key : keys) {
        error = AddKeyTree(key, content);
        if (error != 0)
            return false;
    }
    error = WriteNewFile(folder, fileName, content, filePath);
    return error == 0;
}
