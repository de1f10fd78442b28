#include "removal/RegistryRemoval.h"
#include "support/Fixtures.h"

#include <gtest/gtest.h>

namespace {

const wchar_t kBase[] = L"Software\\SeriesCleanTests";

class DeleteRegistryKeyTest : public testing::Test
{
protected:
    void SetUp() override { TearDown(); }
    void TearDown() override
    {
        fixture::DeleteKey(HKEY_CURRENT_USER, kBase);
        fixture::DeleteKey(HKEY_LOCAL_MACHINE, kBase);
    }
};

} // namespace

TEST_F(DeleteRegistryKeyTest, MissingKeyCountsAsDeleted)
{
    EXPECT_EQ(DeleteRegistryKey(HKEY_CURRENT_USER, "Software\\SeriesCleanTests\\Missing"), 1);
}

TEST_F(DeleteRegistryKeyTest, DeletesTheWholeSubtreeAndNothingBeside)
{
    const std::wstring target = std::wstring(kBase) + L"\\Product";
    fixture::SetString(HKEY_CURRENT_USER, target, L"Version", L"3");
    fixture::SetString(HKEY_CURRENT_USER, target + L"\\Sub\\Deeper", L"x", L"1");
    fixture::SetString(HKEY_CURRENT_USER, std::wstring(kBase) + L"\\ProductCanary", L"x", L"1");

    EXPECT_EQ(DeleteRegistryKey(HKEY_CURRENT_USER, fixture::ToCp932(target)), 1);
    EXPECT_FALSE(fixture::KeyExists(HKEY_CURRENT_USER, target));
    EXPECT_TRUE(fixture::KeyExists(HKEY_CURRENT_USER, std::wstring(kBase) + L"\\ProductCanary"));
    EXPECT_TRUE(fixture::KeyExists(HKEY_CURRENT_USER, kBase));
}

TEST_F(DeleteRegistryKeyTest, KeyNamesCompareWithoutCase)
{
    fixture::CreateKey(HKEY_CURRENT_USER, std::wstring(kBase) + L"\\KORAMI\\PC");
    EXPECT_EQ(DeleteRegistryKey(HKEY_CURRENT_USER, "Software\\SeriesCleanTests\\Korami\\PC"), 1);
    EXPECT_FALSE(fixture::KeyExists(HKEY_CURRENT_USER, std::wstring(kBase) + L"\\KORAMI\\PC"));
}

TEST_F(DeleteRegistryKeyTest, RefusesAPathThatNamesTheRoot)
{
    fixture::CreateKey(HKEY_CURRENT_USER, kBase);
    EXPECT_EQ(DeleteRegistryKey(HKEY_CURRENT_USER, ""), 0);
    EXPECT_EQ(DeleteRegistryKey(HKEY_CURRENT_USER, "\\"), 0);
    EXPECT_EQ(DeleteRegistryKey(HKEY_CURRENT_USER, "\\\\\\"), 0);
    EXPECT_TRUE(fixture::KeyExists(HKEY_CURRENT_USER, kBase));
    EXPECT_TRUE(fixture::KeyExists(HKEY_CURRENT_USER, L"Software"));
}

// Whoever can write in a key the program deletes (a user's own hive, a product key an installer
// opened to users) can put a registry link in it, to a tree anywhere in the registry. The deletion
// never follows one: a link goes as itself, and a path that leads through one deletes nothing.
TEST_F(DeleteRegistryKeyTest, RegistryLinksAreDeletedAsThemselvesAndNeverFollowed)
{
    const std::wstring base = kBase;
    const std::wstring elsewhere = base + L"\\Elsewhere";
    const std::wstring ntElsewhere = L"\\Registry\\Machine\\" + elsewhere;
    fixture::SetString(HKEY_LOCAL_MACHINE, elsewhere + L"\\Services", L"Start", L"2");
    auto elsewhereKept = [&] { return fixture::KeyExists(HKEY_LOCAL_MACHINE, elsewhere + L"\\Services"); };

    // A link inside the tree, from a user's hive to the machine's.
    fixture::SetString(HKEY_CURRENT_USER, base + L"\\Product\\Sub", L"x", L"1");
    ASSERT_TRUE(fixture::MakeRegistryLink(HKEY_CURRENT_USER, base + L"\\Product\\Sub\\Link", ntElsewhere));
    EXPECT_EQ(DeleteRegistryKey(HKEY_CURRENT_USER, fixture::ToCp932(base + L"\\Product")), 1);
    EXPECT_FALSE(fixture::KeyExists(HKEY_CURRENT_USER, base + L"\\Product"));
    EXPECT_TRUE(elsewhereKept());

    // The key itself is a link.
    ASSERT_TRUE(fixture::MakeRegistryLink(HKEY_CURRENT_USER, base + L"\\Product", ntElsewhere));
    DWORD error = 0;
    EXPECT_EQ(DeleteRegistryKeyStrictly(HKEY_CURRENT_USER, fixture::ToCp932(base + L"\\Product"), 0, error),
              KeyRemoval::Deleted);
    EXPECT_TRUE(elsewhereKept());

    // A link on the way: what the path names lies elsewhere, and stays.
    ASSERT_TRUE(fixture::MakeRegistryLink(HKEY_CURRENT_USER, base + L"\\Way", ntElsewhere));
    EXPECT_EQ(
        DeleteRegistryKeyStrictly(HKEY_CURRENT_USER, fixture::ToCp932(base + L"\\Way\\Services"), 0, error),
        KeyRemoval::Failed);
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_CANT_RESOLVE_FILENAME));
    EXPECT_EQ(DeleteRegistryKey(HKEY_CURRENT_USER, fixture::ToCp932(base + L"\\Way\\Services")), 0);
    EXPECT_TRUE(elsewhereKept());
    fixture::RemoveRegistryLink(HKEY_CURRENT_USER, base + L"\\Way");
}
