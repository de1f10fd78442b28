#include "removal/ProtectedFolders.h"
#include "support/Fixtures.h"

#include <gtest/gtest.h>
#include <knownfolders.h>

using fixture::ToCp932;

TEST(ProtectedFoldersTest, FoldersAboveProtectedOnesAreKnownByIdentityThroughLinks)
{
    fixture::TempFolder root;
    const std::wstring documents = fixture::KnownFolder(FOLDERID_PublicDocuments);
    const std::wstring users = fixture::KnownFolder(FOLDERID_UserProfiles);
    fixture::MakeFolder(root / L"plain");
    // Above Public\Documents, and above every profile: nothing in their text says so.
    fixture::MakeDirectoryLink(root / L"public", documents.substr(0, documents.find_last_of(L'\\')));
    fixture::MakeDirectoryLink(root / L"users", users);
    fixture::MakeDirectoryLink(root / L"drive", L"C:\\");
    fixture::MakeDirectoryLink(root / L"toplain", root / L"plain");

    const CProtectedFolders folders;
    EXPECT_TRUE(folders.IsProtected(ToCp932(root / L"public")));
    EXPECT_TRUE(folders.IsProtected(ToCp932(root / L"users")));
    EXPECT_TRUE(folders.IsProtected(ToCp932(root / L"drive")));
    EXPECT_TRUE(folders.IsProtected("C:\\"));
    EXPECT_TRUE(folders.IsProtected("C:"));
    EXPECT_TRUE(folders.IsProtected(""));
    EXPECT_TRUE(folders.IsProtected("\\\\.\\C:\\sctest"));
    EXPECT_TRUE(folders.IsProtected(ToCp932(root / L"drive\\users")));
    // Ordinary folders, by their own path or through a link, and paths that name nothing.
    EXPECT_FALSE(folders.IsProtected(ToCp932(root / L"plain")));
    EXPECT_FALSE(folders.IsProtected(ToCp932(root / L"toplain")));
    EXPECT_FALSE(folders.IsProtected(ToCp932(root / L"missing")));
    EXPECT_FALSE(folders.IsProtected(ToCp932(documents + L"\\SeriesCleanMissing")));
}
