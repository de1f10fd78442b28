// One catalog product installed by the test kit, in places of the tests' own, with a canary beside
// every piece and key that a removal must leave alone. Everything is removed again at the end of
// the test.
#pragma once

#include "testkit/Products.h"

#include <string>
#include <vector>

class InstalledProduct : public products::Installer
{
public:
    // Writes the product's keys (version 3 1 2 A) and the canaries, but no file: add the pieces
    // that a test needs.
    explicit InstalledProduct(int row);
    ~InstalledProduct();
    InstalledProduct(const InstalledProduct&) = delete;
    InstalledProduct& operator=(const InstalledProduct&) = delete;

    InstalledProduct& WithAllPieces();
    // Programs\<group>\<product folder>\<shortcut>, in the all-users or the per-user Programs folder.
    InstalledProduct& WithStartMenu(bool allUsers = true);
    InstalledProduct& WithDesktopLink(bool allUsers = true);
    InstalledProduct& WithSetupInfo();
    InstalledProduct& WithCacheFolder();
    InstalledProduct& WithAppFolder(int files = 12);

    std::wstring ProgramsFolder() const { return m_programs; }

    // Every canary folder, file and key still in place.
    bool CanariesIntact() const;
    bool MachineKeyExists() const;
    bool ExtraKeyExists() const;
    bool UninstallKeyExists() const;
    bool UserKeyExists() const;
    bool AnyPieceOnDisk() const;

    // Overrides where a test needs it.
    void SetInstallPath(const std::wstring& path);
    void SetCachePath(const std::wstring& path);
    void SetStartMenuFolderName(const std::wstring& name) { Where().startMenuFolder = name; }

private:
    std::wstring m_programs;
    std::vector<std::wstring> m_canaryFiles;
};
