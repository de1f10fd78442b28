#include "catalog/ProductCatalog.h"
#include "support/DialogHarness.h"
#include "support/Fixtures.h"
#include "support/MessageBoxRecorder.h"
#include "support/PlatformSeam.h"
#include "testkit/ProgramWindows.h"
#include "testkit/Products.h"

#include <gtest/gtest.h>
#include <shlobj.h>

#include <memory>

namespace {

class ProductListTest : public DialogTest
{
protected:
    std::vector<std::wstring> Items() const { return drive::ListItems(m_dialog->Control(IDC_PRODUCT_LIST)); }

    // The catalog row (1 to 9) that list item index points at.
    int RowOfItem(int index) const
    {
        auto* entry = reinterpret_cast<const CProductEntry*>(
            SendMessageW(m_dialog->Control(IDC_PRODUCT_LIST), LB_GETITEMDATA, static_cast<WPARAM>(index), 0));
        const CProductCatalog& catalog = m_dialog->Dialog().m_catalog;
        for (int i = 0; i < catalog.GetCount(); ++i) {
            if (&catalog.GetEntry(i) == entry)
                return i + 1;
        }
        return 0;
    }

    const CProductEntry& Row(int row) const { return m_dialog->Dialog().m_catalog.GetEntry(row - 1); }

    products::Clean m_clean;
};

} // namespace

TEST_F(ProductListTest, NothingInstalledGivesAnEmptyIdleList)
{
    Start();
    EXPECT_TRUE(Items().empty());
    EXPECT_EQ(m_dialog->Dialog().m_bSeriesInstalled, 0);
    EXPECT_FALSE(IsWindowEnabled(m_dialog->Control(IDC_DELETE)));
    EXPECT_FALSE(IsWindowEnabled(m_dialog->Control(IDC_CANCEL_REMOVAL)));
}

TEST_F(ProductListTest, InstalledRowsInCatalogOrderWithTheirVersionLabels)
{
    products::Install(8);
    products::Install(7);
    products::Install(3);
    products::SetVersion(3, L"3", L"1", L"2", L"A");
    // Values without an uninstall display name do not make a product installed.
    products::SetVersion(4, L"9", L"9", L"9", L"Z");
    Start();

    const std::vector<std::wstring> expected = {L"茶房ガイド (V3 R1 SP2 A)", L"公園ガイド (V R SP )",
                                                L"キャンプ場ガイド (V R SP )"};
    EXPECT_EQ(Items(), expected);
    EXPECT_EQ(RowOfItem(0), 3);
    EXPECT_EQ(RowOfItem(1), 7);
    EXPECT_EQ(RowOfItem(2), 8);
    EXPECT_EQ(m_dialog->Dialog().m_bSeriesInstalled, 0) << "none of these is of the series";
}

TEST_F(ProductListTest, RowsSharingAMachineKeyShowTheSameVersion)
{
    products::Install(5);
    products::Install(1, L"Kartix on net for PC");
    products::SetVersion(1, L"2", L"0", L"1", L"");
    Start();
    const std::vector<std::wstring> expected = {L"Kartix on net for PC (V2 R0 SP1 )",
                                                L"Kartix on net for AUTOHAUS (V2 R0 SP1 )"};
    EXPECT_EQ(Items(), expected);
    EXPECT_EQ(m_dialog->Dialog().m_bSeriesInstalled, 1);
}

TEST_F(ProductListTest, AnEditionFolderRenamesTheRowsOfTheExtraKey)
{
    products::Install(1);
    products::Install(2);
    products::Install(5);
    products::Install(9);
    fixture::SetString(HKEY_LOCAL_MACHINE, products::At(1).extraMachineKey, L"data", L"1",
                       products::kMachineView);
    fixture::MakeFolder(fixture::ShellFolder(CSIDL_COMMON_PROGRAMS) + L"\\" + products::kEditionFolder +
                        L"\\LuminaGo");
    Start();

    const std::vector<std::wstring> expected = {L"LuminaGo PC (V R SP )", L"LuminaGo PC (V R SP )",
                                                L"Kartix on net for AUTOHAUS (V R SP )",
                                                L"LuminaGo PC (V R SP )"};
    EXPECT_EQ(Items(), expected);
    for (int row : {1, 2, 9}) {
        SCOPED_TRACE(row);
        EXPECT_EQ(Row(row).GetDisplayName(), CString("LuminaGo PC"));
        EXPECT_EQ(Row(row).GetShortcutName(), CString("LuminaGo PC.lnk"));
    }
    EXPECT_EQ(Row(5).GetDisplayName(), CString("Kartix on net for AUTOHAUS"));
    EXPECT_EQ(Row(5).GetShortcutName(), CString("Kartix on net for AUTOHAUS.lnk"));
}

TEST_F(ProductListTest, WithoutAnEditionFolderTheCollectionNameIsUsed)
{
    products::Install(9);
    fixture::SetString(HKEY_LOCAL_MACHINE, products::At(9).extraMachineKey, L"data", L"1",
                       products::kMachineView);
    Start();
    EXPECT_EQ(Items(), std::vector<std::wstring>{L"マップコレクション (V R SP )"});
    EXPECT_EQ(Row(9).GetShortcutName(), CString("マップコレクション.lnk"));
    EXPECT_EQ(m_dialog->Dialog().m_bSeriesInstalled, 1) << "the uninstall name decides, not the edition";
}

namespace {

struct PrefixCase
{
    const wchar_t* displayName;
    int seriesInstalled;
};

class SeriesPrefixTest : public ProductListTest, public testing::WithParamInterface<PrefixCase>
{
};

void PrintTo(const PrefixCase& c, std::ostream* os)
{
    *os << fixture::ToCp932(c.displayName).GetString();
}

} // namespace

TEST_P(SeriesPrefixTest, DisplayNameBeginningDecidesWhetherTheSeriesIsInstalled)
{
    products::Install(4, GetParam().displayName);
    Start();
    EXPECT_EQ(m_dialog->Dialog().m_bSeriesInstalled, GetParam().seriesInstalled);
    EXPECT_EQ(Items().size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Prefixes, SeriesPrefixTest,
                         testing::Values(PrefixCase{L"ルミナGO ナビ", 1}, PrefixCase{L"ルミナgo", 1},
                                         PrefixCase{L"LUMINAGO 2", 1}, PrefixCase{L"luminago", 1},
                                         PrefixCase{L"kARTIX ON NET x", 1}, PrefixCase{L"Kartix on ne", 0},
                                         PrefixCase{L"My LuminaGo", 0}, PrefixCase{L"ルミナ", 0},
                                         // "ナ" is 83 69 and "イ" 83 49: a trail byte is not a letter
                                         PrefixCase{L"ルミイGO", 0}));

TEST_F(ProductListTest, HorizontalExtentOnlyGrows)
{
    // The widest item there can be sets the extent unless this process showed it before.
    products::Install(3, std::wstring(126, L'W'));
    Start();
    const LRESULT wide = SendMessageW(m_dialog->Control(IDC_PRODUCT_LIST), LB_GETHORIZONTALEXTENT, 0, 0);
    EXPECT_EQ(wide > 0, !g_bWidestLabelShown);
    g_bWidestLabelShown = true;
    SendMessageW(m_dialog->Window(), WM_COMMAND, IDCANCEL, 0);
    ASSERT_TRUE(m_dialog->WaitForEnd());

    // A later, narrower list in the same process leaves the extent alone.
    products::Install(3, L"茶房");
    Start();
    EXPECT_EQ(SendMessageW(m_dialog->Control(IDC_PRODUCT_LIST), LB_GETHORIZONTALEXTENT, 0, 0), 0);
}
