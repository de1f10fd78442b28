#include "framework/DllSearch.h"

#include <windows.h>

namespace win32 {

bool RestrictDllSearchToSystem()
{
    // Looked up rather than imported: a static import would stop the program from starting at all
    // on a Windows 7 that lacks the function.
    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
    const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    const auto setDefault = kernel ? reinterpret_cast<SetDefaultDllDirectoriesFn>(reinterpret_cast<void*>(
                                         GetProcAddress(kernel, "SetDefaultDllDirectories")))
                                   : nullptr;
    if (setDefault && setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32))
        return true;
    SetDllDirectoryW(L"");
    return false;
}

} // namespace win32
