// Who may change a file, a folder or a kernel object: the owner and the access control list as
// Windows keeps them. The program runs elevated or as SYSTEM on PCs whose ordinary users may try
// to turn what it does against the PC; these answer "can someone else change this?".
#pragma once

#include "framework/Handles.h"

#include <windows.h>
#include <accctrl.h>

#include <string>

namespace win32 {

// The rights that let someone change a folder's content or the folder itself: add or remove
// entries, replace or rename it, change who may do so.
constexpr DWORD kChangeRights = FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_DELETE_CHILD | DELETE | WRITE_DAC |
                                WRITE_OWNER | GENERIC_WRITE | GENERIC_ALL;
// The rights that let someone replace or rename a folder itself (on the folder), or the entries of
// a folder (FILE_DELETE_CHILD on it).
constexpr DWORD kReplaceRights = DELETE | WRITE_DAC | WRITE_OWNER | GENERIC_ALL;

// Whether anyone but SYSTEM, the Administrators group, TrustedInstaller and the account this
// process runs as may use any of rights on what handle (opened with READ_CONTROL) is: its owner
// is someone else, or an allow entry that applies to it grants those rights to someone else. True
// also when it cannot be told (no owner or permissions can be read, a missing access control list).
[[nodiscard]] bool IsChangeableByOthers(HANDLE handle, SE_OBJECT_TYPE type, DWORD rights);

// The same for a file or folder given by its full path (FileSystemPath form), opened without
// following a link.
[[nodiscard]] bool IsChangeableByOthers(const std::wstring& path, DWORD rights);

// Creates a folder that only SYSTEM and Administrators may change and that users may read.
// False with GetLastError when it cannot be made (ERROR_ALREADY_EXISTS when something is there).
[[nodiscard]] bool CreateAdministratorsFolder(const std::wstring& path);

// A named mutex that marks a running copy of the program, held for as long as the object lives.
// It is made so that only SYSTEM and Administrators own it: an object of that name that another
// account made (anyone may create objects in the global namespace) holds nothing, and the lock is
// then taken on a file instead, fallbackFile, which only administrators can create.
class CAdministratorsLock
{
public:
    CAdministratorsLock(const wchar_t* mutexName, const std::wstring& fallbackFile);

    // Another copy of the program holds the lock.
    [[nodiscard]] bool HeldElsewhere() const { return m_bHeldElsewhere; }
    // An object of that name that another account made was found and passed over.
    [[nodiscard]] bool FoundForeignObject() const { return m_bForeign; }

private:
    KernelHandle m_mutex;
    KernelHandle m_file;
    bool m_bHeldElsewhere = false;
    bool m_bForeign = false;
};

} // namespace win32
