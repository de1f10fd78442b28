#include "support/Backups.h"

#include "removal/ProgramFolders.h"

#include <windows.h>

using namespace std::string_literals;

namespace {

std::vector<BYTE> Bytes(const std::wstring& text)
{
    const auto* bytes = reinterpret_cast<const BYTE*>(text.data());
    return std::vector<BYTE>(bytes, bytes + text.size() * sizeof(wchar_t));
}

} // namespace

std::set<std::wstring> BackupFiles()
{
    std::set<std::wstring> files;
    WIN32_FIND_DATAW data;
    const std::wstring folder = BackupFolderPath();
    const HANDLE find = FindFirstFileW((folder + L"\\*.reg").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return files;
    do {
        files.insert(folder + L"\\" + data.cFileName);
    } while (FindNextFileW(find, &data));
    FindClose(find);
    return files;
}

std::vector<std::wstring> NewBackupFiles(const std::set<std::wstring>& before)
{
    std::vector<std::wstring> added;
    for (const std::wstring& file : BackupFiles()) {
        if (!before.count(file))
            added.push_back(file);
    }
    return added;
}

bool ImportRegFile(const std::wstring& file)
{
    DWORD exitCode = 1;
    return fixture::RunAndWait(L"C:\\windows\\system32\\reg.exe import \"" + file + L"\"", exitCode) &&
           exitCode == 0;
}

void WriteOddValues(HKEY root, const std::wstring& key, REGSAM view)
{
    fixture::SetRawValue(root, key, L"", REG_SZ, Bytes(L"既定の値\0"s), view);
    fixture::SetRawValue(root, key, L"Lines", REG_SZ, Bytes(L"line 1\r\nline 2\0"s), view);
    fixture::SetRawValue(root, key, L"EmbeddedNul", REG_SZ, Bytes(L"before\0after\0"s), view);
    fixture::SetRawValue(root, key, L"Expand", REG_EXPAND_SZ, Bytes(L"%ProgramFiles%\\地図\0"s), view);
    fixture::SetRawValue(root, key, L"Multi", REG_MULTI_SZ, Bytes(L"one\0two\0\0"s), view);
    fixture::SetRawValue(root, key, L"Qword", REG_QWORD, {1, 2, 3, 4, 5, 6, 7, 8}, view);
    fixture::SetRawValue(root, key, L"None", REG_NONE, {0, 0xFF, 7}, view);
    std::vector<BYTE> binary(200);
    for (size_t i = 0; i < binary.size(); ++i)
        binary[i] = static_cast<BYTE>(i * 7);
    fixture::SetRawValue(root, key, L"Binary", REG_BINARY, binary, view);
    fixture::SetRawValue(root, key, L"say \"hi\" back\\slash", REG_DWORD, {1, 0, 0, 0}, view);
    fixture::SetRawValue(root, key + L"\\地図キャッシュ", L"タイル", REG_SZ, Bytes(L"東京\0"s), view);
}

fixture::RegistryTree TreeOf(HKEY root, const std::wstring& key, REGSAM view)
{
    fixture::RegistryTree tree;
    fixture::ReadRegistryTree(root, key, view, tree);
    return tree;
}

BlockedBackupFolder::BlockedBackupFolder() : m_moved(BackupFolderPath() + L"-moved")
{
    const std::wstring folder = BackupFolderPath();
    fixture::MakeFolder(ProgramHomePath());
    if (fixture::Exists(folder) && !MoveFileW(folder.c_str(), m_moved.c_str()))
        m_moved.clear();
    fixture::MakeFile(folder, "not a folder");
}

BlockedBackupFolder::~BlockedBackupFolder()
{
    const std::wstring folder = BackupFolderPath();
    DeleteFileW(folder.c_str());
    if (!m_moved.empty())
        MoveFileW(m_moved.c_str(), folder.c_str());
}
