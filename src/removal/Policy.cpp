#include "removal/Policy.h"

#include "framework/FileIdentity.h"
#include "framework/Platform.h"
#include "framework/Text.h"
#include "framework/UserText.h"
#include "removal/RegistryRemoval.h"

#include <string>
#include <vector>

namespace {

std::wstring Folded(std::wstring path)
{
    CharLowerBuffW(path.data(), static_cast<DWORD>(path.size()));
    return path;
}

bool LiesInside(const std::wstring& program, const std::wstring& folder)
{
    return !folder.empty() && program.size() > folder.size() + 1 && program[folder.size()] == L'\\' &&
           program.compare(0, folder.size(), folder) == 0;
}

} // namespace

bool LacksAdministratorRights()
{
    return IsWindowsNT() == 1 && IsAdministrator() != 1;
}

bool IsProductRunning(const CProductEntry& entry)
{
    return win32::FindTopLevelWindow(entry.GetDisplayName()) != nullptr;
}

bool IsRunningFromFolder(const CString& appFolder)
{
    if (appFolder.IsEmpty())
        return false;
    // The folder as the survey spelled it, and as the system resolves it (a short name, or a link on
    // the way, in the registry value).
    std::vector<std::wstring> folders = {Folded(win32::Widen(appFolder))};
    win32::KernelHandle handle;
    std::wstring finalPath;
    if (win32::OpenForIdentity(appFolder, handle) && win32::GetFinalPath(handle.Get(), finalPath))
        folders.push_back(Folded(finalPath));
    for (const std::wstring& program : RunningProgramPaths()) {
        const std::wstring folded = Folded(program);
        for (const std::wstring& folder : folders) {
            if (LiesInside(folded, folder))
                return true;
        }
    }
    return false;
}

bool OffersSettingsRemoval(int seriesInstalled, HKEY userRoot)
{
    return seriesInstalled != 1 && SeriesSettingsExist(userRoot);
}
