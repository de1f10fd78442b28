#include "DemoProducts.h"

#include <windows.h>
#include <shlobj.h>

namespace demo {

namespace {

const ProductRow kRows[] = {
    {1, L"Kartix on net for PC", L"{6513270e-269e-4d37-b2a7-4de452e6b438}",
     L"Software\\Korami\\KartixNet\\PC", L"Software\\Korami\\KartixNet\\KartixWiz",
     L"Software\\Korami\\KartixNet\\PC", L"Kartix on net for PC.lnk", L"AtlasData_P2", L"KORAMI\\KartixNet",
     L"Kartix on net", L"5", L"2", L"1", L""},
    {2, L"LuminaGo PC", L"{D23F0824-128B-4F33-8C5C-7FD0A6A3A450}", L"Software\\Korami\\KartixNet\\PC",
     L"Software\\Korami\\KartixNet\\KartixWiz", L"Software\\Korami\\KartixNet\\PC", L"LuminaGo PC.lnk",
     L"AtlasData_P2", L"KORAMI\\KartixNet", L"LuminaGo", L"6", L"0", L"0", L""},
    {3, L"茶房ガイド", L"{9531985D-5D9D-49F8-9818-E811892F902B}", L"Software\\Korami\\TeaAtlas", L"",
     L"Software\\Korami\\TeaAtlas", L"茶房ガイド.lnk", L"TeaAtlasData_P2", L"NORTHSTAGE\\TeaAtlas",
     L"茶房ガイド", L"2", L"3", L"1", L""},
    {4, L"パン屋ガイド", L"{36F675CC-81E7-4EF5-A8E2-5D940ED90475}", L"Software\\Korami\\BakeryAtlas", L"",
     L"Software\\Korami\\BakeryAtlas", L"パン屋ガイド.lnk", L"BakeryAtlasData_P2", L"NORTHSTAGE\\BakeryAtlas",
     L"パン屋ガイド", L"1", L"2", L"0", L""},
    {5, L"Kartix on net for AUTOHAUS", L"{6B0D549B-6F03-475A-9600-A35A099950D8}",
     L"Software\\Korami\\KartixNet\\PC", L"", L"Software\\Korami\\KartixNet\\PC",
     L"Kartix on net for AUTOHAUS.lnk", L"AtlasData_P2", L"KORAMI\\KartixNet", L"Kartix on net for AUTOHAUS",
     L"5", L"1", L"2", L"AH"},
    {6, L"北欧旅行ガイド", L"{8D116ECE-1738-47D9-BD9C-172411E20B8F}", L"Software\\Korami\\Nordic", L"",
     L"Software\\Korami\\Nordic", L"北欧旅行ガイド.lnk", L"NORDICAtlasData", L"NORTHSTAGE\\Nordic",
     L"北欧旅行ガイド", L"1", L"0", L"0", L""},
    {7, L"公園ガイド", L"{90C192CF-D3AC-44AF-8F21-DDB66CAD4A26}", L"Software\\Korami\\ParkAtlas", L"",
     L"Software\\Korami\\ParkAtlas", L"公園ガイド.lnk", L"ParkAtlasData_P2", L"NORTHSTAGE\\ParkAtlas",
     L"公園ガイド", L"3", L"1", L"2", L"A"},
    {8, L"キャンプ場ガイド", L"{A170B338-3926-4059-B28C-105D1FB17C23}", L"Software\\Korami\\C-Atlas", L"",
     L"Software\\Korami\\C-Atlas", L"キャンプ場ガイド.lnk", L"C-AtlasData_P2", L"KORAMI\\C-Atlas",
     L"キャンプ場ガイド", L"1", L"1", L"0", L""},
    {9, L"ルミナGO(PC)", L"{DB5B5FAB-8F4D-4E27-9DA1-494C73CF256D}", L"Software\\Korami\\KartixNet\\PC",
     L"Software\\Korami\\KartixNet\\KartixWiz", L"Software\\Korami\\KartixNet\\PC", L"ルミナGO PC.lnk",
     L"AtlasData_P2", L"KORAMI\\KartixNet", L"ルミナGO", L"7", L"0", L"1", L""},
};

const wchar_t kUninstallRoot[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
const wchar_t kLibraryFolder[] = L"コラミ地図ライブラリ";
const wchar_t kSetupInfoFolder[] = L"InstallShield Installation Information";
const wchar_t kCacheVendorFolder[] = L"KORAMI";

std::wstring ShellFolder(int csidl)
{
    wchar_t path[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path)))
        return std::wstring();
    return path;
}

std::wstring LastComponent(const std::wstring& path)
{
    const size_t slash = path.rfind(L'\\');
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

std::wstring WithoutExtension(const std::wstring& name)
{
    const size_t dot = name.rfind(L'.');
    return dot == std::wstring::npos ? name : name.substr(0, dot);
}

// Where the row's pieces go on this machine.
struct Layout
{
    std::wstring startMenuFolder;
    std::wstring startMenuLink;
    std::wstring desktopLink;
    std::wstring setupInfoFolder;
    std::wstring cachePath; // the CachePath value, ending with a backslash
    std::wstring cacheFolder;
    std::wstring appFolder;
};

Layout LayoutOf(const ProductRow& row)
{
    Layout l;
    l.startMenuFolder =
        ShellFolder(CSIDL_COMMON_PROGRAMS) + L"\\" + kLibraryFolder + L"\\" + row.startMenuFolder;
    l.startMenuLink = l.startMenuFolder + L"\\" + row.shortcutName;
    l.desktopLink = ShellFolder(CSIDL_COMMON_DESKTOPDIRECTORY) + L"\\" + row.shortcutName;
    const std::wstring programFiles = ShellFolder(CSIDL_PROGRAM_FILES);
    l.setupInfoFolder = programFiles + L"\\" + kSetupInfoFolder + L"\\" + row.guid;
    l.cachePath = ShellFolder(CSIDL_LOCAL_APPDATA) + L"\\" + kCacheVendorFolder + L"\\";
    l.cacheFolder = l.cachePath + row.dataFolder;
    l.appFolder = programFiles + L"\\" + row.appFolder;
    return l;
}

bool SetString(HKEY root, const std::wstring& key, const wchar_t* name, const std::wstring& value,
               std::wstring& error)
{
    HKEY h = nullptr;
    LONG r = RegCreateKeyExW(root, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &h, nullptr);
    if (r == ERROR_SUCCESS) {
        r = RegSetValueExW(h, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                           static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
        RegCloseKey(h);
    }
    if (r != ERROR_SUCCESS) {
        error = L"cannot write " + key + L" " + name + L" (error " + std::to_wstring(r) + L")";
        return false;
    }
    return true;
}

bool MakeFolder(const std::wstring& path, std::wstring& error)
{
    const int r = SHCreateDirectoryExW(nullptr, path.c_str(), nullptr);
    if (r != ERROR_SUCCESS && r != ERROR_ALREADY_EXISTS && r != ERROR_FILE_EXISTS) {
        error = L"cannot create the folder " + path + L" (error " + std::to_wstring(r) + L")";
        return false;
    }
    return true;
}

// A file of `size` bytes of filler, its folder made first.
bool MakeFile(const std::wstring& path, size_t size, std::wstring& error)
{
    if (!MakeFolder(path.substr(0, path.rfind(L'\\')), error))
        return false;
    const HANDLE h =
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        error = L"cannot create the file " + path + L" (error " + std::to_wstring(GetLastError()) + L")";
        return false;
    }
    std::string content(size, '\0');
    for (size_t i = 0; i < size; ++i)
        content[i] = static_cast<char>('A' + (i * 7 + size) % 26);
    DWORD written = 0;
    const BOOL ok = WriteFile(h, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
    CloseHandle(h);
    if (!ok) {
        error = L"cannot write the file " + path;
        return false;
    }
    return true;
}

std::wstring Numbered(const wchar_t* stem, int n, const wchar_t* extension)
{
    wchar_t buffer[64];
    wsprintfW(buffer, L"%s%02d%s", stem, n, extension);
    return buffer;
}

// The application folder: the program, its libraries, map data and help; 35 files in all.
bool MakeAppFolder(const ProductRow& row, const std::wstring& folder, std::wstring& error)
{
    const std::wstring app = LastComponent(row.appFolder);
    std::vector<std::pair<std::wstring, size_t>> files = {
        {app + L".exe", 48 * 1024}, {app + L"Res.dll", 16 * 1024},     {L"MapEngine.dll", 32 * 1024},
        {L"Search.dll", 12 * 1024}, {L"Route.dll", 12 * 1024},         {L"Print.dll", 8 * 1024},
        {L"License.txt", 2 * 1024}, {L"お読みください.txt", 3 * 1024},
    };
    for (int i = 1; i <= 16; ++i)
        files.emplace_back(L"Data\\Map\\" + Numbered(L"Area", i, L".dat"), 24 * 1024);
    for (int i = 1; i <= 6; ++i)
        files.emplace_back(L"Data\\Poi\\" + Numbered(L"Poi", i, L".dat"), 8 * 1024);
    files.emplace_back(L"Help\\index.html", 4 * 1024);
    for (int i = 1; i <= 4; ++i)
        files.emplace_back(L"Help\\img\\" + Numbered(L"fig", i, L".png"), 6 * 1024);
    for (const auto& file : files) {
        if (!MakeFile(folder + L"\\" + file.first, file.second, error))
            return false;
    }
    return true;
}

// The map cache: tiles of two zoom levels, the search history and an index; 19 files.
bool MakeCacheFolder(const std::wstring& folder, std::wstring& error)
{
    if (!MakeFile(folder + L"\\index.dat", 1024, error) ||
        !MakeFile(folder + L"\\Search\\history.dat", 512, error) ||
        !MakeFile(folder + L"\\Search\\お気に入り.dat", 512, error))
        return false;
    for (const wchar_t* level : {L"L10", L"L12"}) {
        for (int i = 1; i <= 8; ++i) {
            if (!MakeFile(folder + L"\\Tiles\\" + level + L"\\" + Numbered(L"tile", i, L".bin"), 4 * 1024,
                          error))
                return false;
        }
    }
    return true;
}

bool KeyExists(HKEY root, const std::wstring& key)
{
    HKEY h = nullptr;
    if (RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS)
        return false;
    RegCloseKey(h);
    return true;
}

} // namespace

const ProductRow* FindRow(int number)
{
    for (const ProductRow& row : kRows) {
        if (row.number == number)
            return &row;
    }
    return nullptr;
}

std::vector<Piece> PiecesOf(const ProductRow& row)
{
    const Layout l = LayoutOf(row);
    std::vector<Piece> pieces = {
        {L"uninstall entry", std::wstring(L"HKLM\\") + kUninstallRoot + row.guid, true},
        {L"machine key", std::wstring(L"HKLM\\") + row.machineKey, true},
    };
    if (*row.extraMachineKey)
        pieces.push_back({L"edition key", std::wstring(L"HKLM\\") + row.extraMachineKey, true});
    pieces.push_back({L"user key", std::wstring(L"HKCU\\") + row.userKey, true});
    pieces.push_back({L"Start-menu folder", l.startMenuFolder, false});
    pieces.push_back({L"desktop shortcut", l.desktopLink, false});
    pieces.push_back({L"installer information", l.setupInfoFolder, false});
    pieces.push_back({L"map cache folder", l.cacheFolder, false});
    pieces.push_back({L"application folder", l.appFolder, false});
    return pieces;
}

bool Install(const ProductRow& row, std::wstring& error)
{
    const Layout l = LayoutOf(row);
    const std::wstring uninstallKey = std::wstring(kUninstallRoot) + row.guid;
    const bool registryDone =
        SetString(HKEY_LOCAL_MACHINE, uninstallKey, L"DisplayName", row.displayName, error) &&
        SetString(HKEY_LOCAL_MACHINE, uninstallKey, L"Publisher", L"KORAMI", error) &&
        SetString(HKEY_LOCAL_MACHINE, row.machineKey, L"Version", row.version, error) &&
        SetString(HKEY_LOCAL_MACHINE, row.machineKey, L"Revision", row.revision, error) &&
        SetString(HKEY_LOCAL_MACHINE, row.machineKey, L"ServicePack", row.servicePack, error) &&
        SetString(HKEY_LOCAL_MACHINE, row.machineKey, L"Custom", row.custom, error) &&
        SetString(HKEY_LOCAL_MACHINE, row.machineKey, L"InstallPath", l.appFolder, error) &&
        (!*row.extraMachineKey || SetString(HKEY_LOCAL_MACHINE, row.extraMachineKey, L"data", L"1", error)) &&
        SetString(HKEY_CURRENT_USER, row.userKey, L"CachePath", l.cachePath, error);
    if (!registryDone)
        return false;

    return MakeFile(l.startMenuLink, 1024, error) &&
           MakeFile(l.startMenuFolder + L"\\" + WithoutExtension(row.shortcutName) + L" マニュアル.lnk", 1024,
                    error) &&
           MakeFile(l.desktopLink, 1024, error) && MakeFile(l.setupInfoFolder + L"\\setup.ini", 512, error) &&
           MakeFile(l.setupInfoFolder + L"\\layout.bin", 2048, error) &&
           MakeCacheFolder(l.cacheFolder, error) && MakeAppFolder(row, l.appFolder, error);
}

bool PieceExists(const Piece& piece)
{
    if (!piece.registry)
        return GetFileAttributesW(piece.where.c_str()) != INVALID_FILE_ATTRIBUTES;
    const std::wstring rootName = piece.where.substr(0, 4);
    const HKEY root = rootName == L"HKCU" ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
    return KeyExists(root, piece.where.substr(5));
}

int CountFiles(const std::wstring& folder)
{
    WIN32_FIND_DATAW data;
    const HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return 0;
    int count = 0;
    do {
        const std::wstring name = data.cFileName;
        if (name == L"." || name == L"..")
            continue;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            count += CountFiles(folder + L"\\" + name);
        else
            ++count;
    } while (FindNextFileW(find, &data));
    FindClose(find);
    return count;
}

} // namespace demo
