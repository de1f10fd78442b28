#include "framework/DllSearch.h"

#include <gtest/gtest.h>

#include <windows.h>

// The build puts sc_planted.dll beside the test program, as someone could put a DLL beside the
// program in Downloads.
TEST(DllSearchTest, ADllBesideTheProgramIsFoundBeforeTheRestrictionAndNeverAfter)
{
    HMODULE planted = LoadLibraryW(L"sc_planted.dll");
    ASSERT_NE(planted, nullptr) << "the planted DLL is not beside the test program";
    FreeLibrary(planted);

    win32::RestrictDllSearchToSystem();

    EXPECT_EQ(LoadLibraryW(L"sc_planted.dll"), nullptr);
    EXPECT_NE(LoadLibraryW(L"version.dll"), nullptr) << "system DLLs must still load";
}
