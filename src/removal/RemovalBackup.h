// The way back for every key the program deletes: before a removal (or the settings key's
// deletion) goes, its keys are written into one new .reg file in the program's Backup folder, which
// a double click or `reg import` reads back.
#pragma once

#include "framework/String.h"
#include "removal/RemovalReport.h"

#include <string>
#include <vector>

// What regedit calls the key: the products' machine keys read in the 32-bit view are
// "HKEY_LOCAL_MACHINE\SOFTWARE\WOW6432Node\..." on 64-bit Windows, a profile's keys
// "HKEY_USERS\<SID>\...". A restore of the file writes them where the products look for them.
std::wstring RegeditName(const RemovalKey& key);

// Backs up keys (those that exist, with all their values and sub-keys) into one new file in the
// Backup folder (made when missing), named after the date, the time and what: "2026-12-09 15.30.12
// 茶房ガイド.reg". True with the file's path; false, with why in words and the Windows error, when
// it cannot be written completely: then nothing is to be deleted.
[[nodiscard]] bool BackUpKeys(const std::vector<RemovalKey>& keys, const std::wstring& what,
                              std::wstring& file, std::wstring& why, DWORD& error);
