// The record a removal travels in: filled by the survey on the UI thread, worked through by the
// removal worker, reported from through a CRemovalReport.
//
// Errors in the removal layer: the described functions keep their results (int 1 done, 0 stopped
// or failed); the others return bool or a value that says why (TreeOutcome, RemovalEnd,
// PieceState). What the user must hear of goes through CRemovalReport. Nothing throws.
#pragma once

#include "framework/FileIdentity.h"
#include "framework/String.h"

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

// The five pieces of a product on disk.
enum RemovalSlot : int
{
    SLOT_START_MENU = 0,   // the product's folder in the Start menu
    SLOT_DESKTOP_LINK = 1, // the product's shortcut on the desktop
    SLOT_SETUP_INFO = 2,   // its folder under "installshield installation information"
    SLOT_APP_FOLDER = 3,   // the application folder
    SLOT_CACHE_FOLDER = 4, // the map cache folder
    SLOT_COUNT = 5,
};

// The order in which the survey visits the pieces and the worker removes them: the application
// folder, the only step that reports its files, comes last.
constexpr RemovalSlot kRemovalOrder[SLOT_COUNT] = {SLOT_START_MENU, SLOT_DESKTOP_LINK, SLOT_SETUP_INFO,
                                                   SLOT_CACHE_FOLDER, SLOT_APP_FOLDER};
// The order in which the second confirmation lists them.
constexpr RemovalSlot kConfirmationOrder[SLOT_COUNT] = {SLOT_SETUP_INFO, SLOT_START_MENU, SLOT_DESKTOP_LINK,
                                                        SLOT_CACHE_FOLDER, SLOT_APP_FOLDER};

// The cancel request. The UI thread sets it while the worker's deletion engine polls it, so it is
// one atomic 32-bit word; only the value 1 means cancel.
using CancelFlag = std::atomic<int32_t>;

// What the survey made of a piece.
enum class PieceState
{
    Absent,    // nothing there, or no path that names one local thing
    Found,     // to be deleted
    Protected, // there, but a folder that must never be deleted, or one above it
};

// One user profile's own pieces, for a removal that goes through every profile of the PC (an
// unattended run): its map cache folder and its user key, both named by that profile's hive.
struct ProfilePieces
{
    std::wstring sid;
    std::wstring folder;   // the profile folder
    HKEY hive = nullptr;   // borrowed: the hive's root, open for the whole removal
    std::wstring hiveName; // "HKEY_USERS\<SID>", as regedit names it
    BOOL bCacheFound = FALSE;
    CString strCache;
    win32::FileIdentity cacheIdentity;
    PieceState cacheState = PieceState::Absent;
};

struct RemovalJob
{
    HWND m_hDlg = nullptr;         // the dialog: target of every UM_ message
    uint64_t m_nStepTotal = 0;     // file-system steps to run; range of bar 1
    uint64_t m_nStepDone = 0;      // steps finished; position of bar 1
    int64_t m_nFileTotal = 0;      // files of the application folder; range of bar 2
    uint64_t m_nFileDone = 0;      // files handled in the application step; position of bar 2
    int32_t m_nReportInterval = 0; // files between two reports of the deletion engine
    CString m_strStatus;           // text for UM_STATUS_TEXT; read by the dialog only during the send
    CancelFlag m_bCancel{0};
    BOOL m_bFound[SLOT_COUNT] = {};
    CString m_strTarget[SLOT_COUNT];
    int32_t m_nTargetFiles[SLOT_COUNT] = {};
    CString m_strUninstallKey; // under HKEY_LOCAL_MACHINE
    CString m_strMachineKey;
    CString m_strExtraMachineKey; // may be empty
    CString m_strUserKey;         // under HKEY_CURRENT_USER
    CString m_strProduct;         // the product's display name, which the registry backup is named after
    // What the survey found at each found slot's path: the deletion goes nowhere else.
    win32::FileIdentity m_identity[SLOT_COUNT];
    // Set for a removal through every profile of the PC: each profile's cache folder and user key
    // instead of the current user's (slot SLOT_CACHE_FOLDER and HKEY_CURRENT_USER are then not used).
    bool m_bPerProfile = false;
    std::vector<ProfilePieces> m_profiles;
};

static_assert(sizeof(CancelFlag) == 4 && CancelFlag::is_always_lock_free,
              "the cancel flag is one 32-bit word");
