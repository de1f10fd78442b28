#include "removal/RegistryRemoval.h"
#include "support/Fixtures.h"

#include <gtest/gtest.h>

namespace {

const wchar_t kBase[] = L"Software\\SeriesCleanTests";

class DeleteRegistryKeyTest : public testing::Test
{
protected:
    void SetUp() override { fixture::DeleteKey(HKEY_CURRENT_USER, kBase); }
    void TearDown() override { fixture::DeleteKey(HKEY_CURRENT_USER, kBase); }
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
