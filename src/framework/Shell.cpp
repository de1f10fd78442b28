#include "framework/Shell.h"

#include "framework/Handles.h"
#include "framework/Text.h"

namespace win32 {

bool GetSpecialFolderPath(int csidl, CString& path)
{
    ShellIdList list;
    if (FAILED(SHGetSpecialFolderLocation(nullptr, csidl, list.Receive())) || !list.Get())
        return false;
    wchar_t buffer[MAX_PATH] = {};
    if (!SHGetPathFromIDListW(list.Get(), buffer))
        return false;
    path = Narrow(buffer);
    return true;
}

} // namespace win32
