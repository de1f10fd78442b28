// One catalog product installed with all five of its pieces and its four keys, each with a canary
// beside it that a removal must leave alone. Everything is removed again at the end of the test.
#pragma once

#include "support/Products.h"

#include <windows.h>

#include <string>
#include <vector>

class InstalledProduct
{
public:
    // Writes the product's keys (uninstall entry, machine key with version values and InstallPath,
    // extra machine key with "data" where the row has one, user key with CachePath) and the
    // canaries, but no file: add the pieces that a test needs.
    explicit InstalledProduct(int row);
    ~InstalledProduct();
    InstalledProduct(const InstalledProduct&) = delete;
    InstalledProduct& operator=(const InstalledProduct&) = delete;

    // All five pieces.
    InstalledProduct& WithAllPieces();
    // Programs\<group>\<product folder>\<shortcut> (in the Programs folder of the platform).
    InstalledProduct& WithStartMenu(bool allUsers = true);
    InstalledProduct& WithDesktopLink(bool allUsers = true);
    InstalledProduct& WithSetupInfo();
    InstalledProduct& WithCacheFolder();
    InstalledProduct& WithAppFolder(int files = 12);

    int Row() const { return m_row; }
    const products::Row& Catalog() const { return products::At(m_row); }

    // The paths of the pieces as the program finds them.
    std::wstring ProgramsFolder() const { return m_programs; }
    std::wstring StartMenuGroup() const { return m_programs + L"\\" + m_group; }
    std::wstring StartMenuFolder() const { return StartMenuGroup() + L"\\" + m_productFolder; }
    std::wstring DesktopLink() const { return m_desktop + L"\\" + Catalog().shortcut; }
    std::wstring SetupInfoFolder() const;
    std::wstring CacheBase() const { return m_cacheBase; }
    std::wstring CacheFolder() const { return m_cacheBase + Catalog().dataFolder; }
    std::wstring AppFolder() const { return m_appFolder; }

    // Every canary folder, file and key still in place.
    bool CanariesIntact() const;
    // Whether any of the product's four keys is still there.
    bool MachineKeyExists() const;
    bool ExtraKeyExists() const;
    bool UninstallKeyExists() const;
    bool UserKeyExists() const;
    bool AnyPieceOnDisk() const;

    // Overrides where a test needs it.
    void SetInstallPath(const std::wstring& path);
    void SetCachePath(const std::wstring& path);
    void SetStartMenuFolderName(const std::wstring& name) { m_productFolder = name; }

private:
    int m_row;
    std::wstring m_programs;
    std::wstring m_desktop;
    std::wstring m_group = L"コラミ地図ライブラリ";
    std::wstring m_productFolder;
    std::wstring m_cacheBase;
    std::wstring m_appFolder;
    std::vector<std::wstring> m_canaryFiles;
    std::vector<std::wstring> m_cleanup;
};
