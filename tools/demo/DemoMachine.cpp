// Prepares the demo machine (a Wine prefix) and reports on it:
//   DemoMachine fonts            maps the dialog fonts of Japanese Windows to the IPA fonts
//   DemoMachine install 3 6 7    installs these catalog rows with all their pieces
//   DemoMachine show 3 6 7       tells where each piece of these rows is and whether it is there
//   DemoMachine summary 3 6 7    the same in one line for a row whose pieces are all there
#include "Console.h"
#include "Fixtures.h"
#include "Products.h"

#include <windows.h>

#include <algorithm>
#include <cwchar>

using namespace demo;
using namespace products;

namespace {

// The versions the demo's products report, and their folders in the library's Start-menu group,
// by catalog row. Rows 1, 2 and 9 are editions whose folder names the edition check looks for.
const wchar_t* const kDemoValues[kRowCount][5] = {
    {L"5", L"2", L"1", L"", L"Kartix on net"},
    {L"6", L"0", L"0", L"", L"LuminaGo"},
    {L"2", L"3", L"1", L"", L"茶房ガイド"},
    {L"1", L"2", L"0", L"", L"パン屋ガイド"},
    {L"5", L"1", L"2", L"AH", L"Kartix on net for AUTOHAUS"},
    {L"1", L"0", L"0", L"", L"北欧旅行ガイド"},
    {L"3", L"1", L"2", L"A", L"公園ガイド"},
    {L"1", L"1", L"0", L"", L"キャンプ場ガイド"},
    {L"7", L"0", L"1", L"", L"ルミナGO"},
};
constexpr int kAppFiles = 35;

// Japanese Windows' UI fonts, which the program's dialog and message boxes ask for, and the IPA
// fonts that stand in for them here. Wine reads this table when a process starts.
const wchar_t* const kFontReplacements[][2] = {
    {L"ＭＳ Ｐゴシック", L"IPAPGothic"}, {L"ＭＳ ゴシック", L"IPAGothic"}, {L"MS PGothic", L"IPAPGothic"},
    {L"MS Gothic", L"IPAGothic"},        {L"MS UI Gothic", L"IPAPGothic"}, {L"Meiryo UI", L"IPAPGothic"},
};

int SetFonts()
{
    HKEY key = nullptr;
    LONG r = RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Wine\\Fonts\\Replacements", 0, nullptr, 0,
                             KEY_SET_VALUE, nullptr, &key, nullptr);
    for (const auto& pair : kFontReplacements) {
        if (r != ERROR_SUCCESS)
            break;
        const std::wstring value = pair[1];
        r = RegSetValueExW(key, pair[0], 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                           static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    }
    if (key)
        RegCloseKey(key);
    if (r != ERROR_SUCCESS) {
        PrintError(L"DemoMachine: cannot write the font replacements (error " + std::to_wstring(r) + L")");
        return 1;
    }
    return 0;
}

std::wstring Padded(const std::wstring& text, size_t width)
{
    return text.size() >= width ? text + L" " : text + std::wstring(width - text.size(), L' ');
}

void PrintInstallFailure(const std::wstring& what)
{
    PrintError(L"DemoMachine: " + what);
}

Installer DemoInstaller(const Row& row)
{
    Places places = InstallerPlaces(row);
    places.startMenuFolder = kDemoValues[row.number - 1][4];
    return Installer(row.number, places);
}

int InstallRow(const Row& row)
{
    const Installer installer = DemoInstaller(row);
    const wchar_t* const* version = kDemoValues[row.number - 1];
    if (!installer.WriteKeys(version[0], version[1], version[2], version[3]) ||
        !installer.AddAllPieces(kAppFiles)) {
        PrintError(L"DemoMachine: installing " + row.displayName + L" failed");
        return 1;
    }
    PrintLine(L"  installed row " + std::to_wstring(row.number) + L": " + row.displayName);
    return 0;
}

void ShowRow(const Row& row, bool brief)
{
    const std::wstring name = L"  " + row.displayName + L" (row " + std::to_wstring(row.number) + L")";
    const std::vector<Piece> pieces = DemoInstaller(row).Pieces();
    const size_t present = static_cast<size_t>(std::count_if(pieces.begin(), pieces.end(), PieceExists));
    if (brief && present == pieces.size()) {
        PrintLine(name + L": all " + std::to_wstring(pieces.size()) + L" pieces present");
        return;
    }
    PrintLine(name);
    for (const Piece& piece : pieces) {
        const bool present = PieceExists(piece);
        std::wstring line =
            L"    " + Padded(present ? L"present" : L"gone", 9) + Padded(piece.what, 23) + piece.where;
        if (present && !piece.registry) {
            const int files = fixture::CountFiles(piece.where);
            if (files > 0)
                line += L"  (" + std::to_wstring(files) + (files == 1 ? L" file)" : L" files)");
        }
        PrintLine(line);
    }
}

int Usage()
{
    PrintError(L"usage: DemoMachine fonts | install ROW... | show ROW... | summary ROW...   (ROW: 1 to 9)");
    return 2;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc < 2)
        return Usage();
    const std::wstring command = argv[1];
    if (command == L"fonts")
        return SetFonts();
    if (command != L"install" && command != L"show" && command != L"summary")
        return Usage();

    fixture::SetFailureHandler(&PrintInstallFailure);
    std::vector<const Row*> rows;
    for (int i = 2; i < argc; ++i) {
        const Row* row = Find(static_cast<int>(std::wcstol(argv[i], nullptr, 10)));
        if (!row)
            return Usage();
        rows.push_back(row);
    }
    int status = 0;
    for (const Row* row : rows) {
        if (command == L"install")
            status |= InstallRow(*row);
        else
            ShowRow(*row, command == L"summary");
    }
    return status;
}
