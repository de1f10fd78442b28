// Builds real registry states and folder trees for the tests, and reads what is left afterwards.
// Everything here uses the W functions directly with UTF-16 texts, independent of the code under
// test.
#pragma once

#include "framework/String.h"

#include <windows.h>

#include <string>

namespace fixture {

// Code page 932 bytes to UTF-16 and back, for comparing the program's texts with the platform's.
std::wstring FromCp932(const CString& text);
CString ToCp932(const std::wstring& text);

void SetString(HKEY root, const std::wstring& key, const std::wstring& name, const std::wstring& value);
void SetDword(HKEY root, const std::wstring& key, const std::wstring& name, DWORD value);
void CreateKey(HKEY root, const std::wstring& key);
bool KeyExists(HKEY root, const std::wstring& key);
bool ValueExists(HKEY root, const std::wstring& key, const std::wstring& name);
void DeleteKey(HKEY root, const std::wstring& key);

void MakeFolder(const std::wstring& path); // with its missing parents
void MakeFile(const std::wstring& path, const std::string& content = "data");
bool Exists(const std::wstring& path);
// Removes a tree without following links (a link is removed, never its target).
void RemoveTree(const std::wstring& path);
std::wstring LongPath(const std::wstring& path); // the "\\?\" form of an absolute path

// A folder of the test's own under C:\sctest, removed with its content at the end of the test.
class TempFolder
{
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::wstring& Path() const { return m_path; }
    std::wstring operator/(const std::wstring& relative) const { return m_path + L"\\" + relative; }

private:
    std::wstring m_path;
};

// A directory link at link that points to target, made as a Unix symbolic link (how Wine shows a
// junction: a directory with the reparse-point attribute). Never make links to files: Wine shows
// them as plain files and deleting one deletes its target.
void MakeDirectoryLink(const std::wstring& link, const std::wstring& target);
// Moves folder to movedTo and puts a directory link to target in its place, from the Unix side
// (Wine cannot swap a folder for a link itself). False when the link did not appear.
[[nodiscard]] bool SwapForDirectoryLink(const std::wstring& folder, const std::wstring& movedTo,
                                        const std::wstring& target);

// A registry link at key (under root) to target, an NT registry path such as
// "\\Registry\\Machine\\Software\\X". A key that holds a link cannot be deleted whole.
void MakeRegistryLink(HKEY root, const std::wstring& key, const std::wstring& target);
void RemoveRegistryLink(HKEY root, const std::wstring& key);

// Waits until the condition holds; false after the timeout.
template <class Condition> bool WaitUntil(Condition condition, DWORD timeoutMs = 10000)
{
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    while (!condition()) {
        if (GetTickCount64() > deadline)
            return false;
        Sleep(2);
    }
    return true;
}

// A shell folder's path (SHGetFolderPathW), for placing fixtures in the Start menu or desktop.
std::wstring ShellFolder(int csidl);

// A file or folder held open with share mode 0: another process's open file, as the deletion
// meets it. A folder so held cannot be opened for listing.
class LockedFile
{
public:
    explicit LockedFile(const std::wstring& path);
    ~LockedFile() { Release(); }
    LockedFile(const LockedFile&) = delete;
    LockedFile& operator=(const LockedFile&) = delete;
    void Release();

private:
    HANDLE m_handle;
};

} // namespace fixture
