#include "removal/RegistryBackup.h"
#include "support/Fixtures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

using namespace std::string_literals;

namespace {

const std::wstring kBase = L"Software\\SeriesCleanBackupTests";
const std::wstring kUserName = L"HKEY_CURRENT_USER\\Software\\SeriesCleanBackupTests";
const std::wstring kLinkTarget = L"Software\\SeriesCleanBackupTarget";

// UTF-16 code units as the registry stores them, every NUL of text included.
std::vector<BYTE> Bytes(const std::wstring& text)
{
    const auto* bytes = reinterpret_cast<const BYTE*>(text.data());
    return std::vector<BYTE>(bytes, bytes + text.size() * sizeof(wchar_t));
}

std::vector<BYTE> Counting(size_t count)
{
    std::vector<BYTE> bytes(count);
    for (size_t i = 0; i < count; ++i)
        bytes[i] = static_cast<BYTE>(i);
    return bytes;
}

struct Entry
{
    std::wstring key; // below kBase
    std::wstring name;
    DWORD type;
    std::vector<BYTE> data;
};

// Every kind of value, data and name the file has to carry.
const std::vector<Entry>& Content()
{
    static const std::vector<Entry> content = {
        {L"", L"", REG_SZ, Bytes(L"既定の値\0"s)},
        {L"", L"Plain", REG_SZ, Bytes(L"C:\\Program Files\\\"地図\"\0"s)},
        {L"", L"Crlf", REG_SZ, Bytes(L"line 1\r\nline 2\0"s)},
        {L"", L"LoneLf", REG_SZ, Bytes(L"a\nb\0"s)},
        {L"", L"LoneCr", REG_SZ, Bytes(L"a\rb\0"s)},
        {L"", L"EmbeddedNul", REG_SZ, Bytes(L"before\0after\0"s)},
        {L"", L"NoTerminator", REG_SZ, Bytes(L"abc"s)},
        {L"", L"TwoTerminators", REG_SZ, Bytes(L"abc\0\0"s)},
        {L"", L"OddLength", REG_SZ, {'A', 0, 'B'}},
        {L"", L"EmptyString", REG_SZ, {}},
        {L"Types", L"Expand", REG_EXPAND_SZ, Bytes(L"%ProgramFiles%\\地図\0"s)},
        {L"Types", L"Multi", REG_MULTI_SZ, Bytes(L"one\0two\0\0"s)},
        {L"Types", L"Qword", REG_QWORD, {1, 2, 3, 4, 5, 6, 7, 8}},
        {L"Types", L"EmptyNone", REG_NONE, {}},
        {L"Types", L"None", REG_NONE, {0, 0xFF, 7}},
        {L"Types", L"Binary", REG_BINARY, Counting(300)},
        {L"Types", L"Dword", REG_DWORD, {0x78, 0x56, 0x34, 0x12}},
        {L"Types", L"ShortDword", REG_DWORD, {1, 2}},
        {L"Types", L"Type0x11", 0x11, {0xAB, 0}},
        {L"Names", L"say \"hi\"", REG_SZ, Bytes(L"x\0"s)},
        {L"Names", L"back\\slash\\", REG_SZ, Bytes(L"y\0"s)},
        {L"Names", L"地図キャッシュ", REG_DWORD, {1, 0, 0, 0}},
        {L"Names\\日本語のキー\\한국어😀", L"값😀", REG_SZ, Bytes(L"한😀\0"s)},
    };
    return content;
}

std::wstring FileText(const std::wstring& path)
{
    const std::string bytes = fixture::ReadBytes(path);
    if (bytes.size() < 2)
        return std::wstring();
    std::wstring text((bytes.size() - 2) / sizeof(wchar_t), L'\0');
    std::memcpy(text.data(), bytes.data() + 2, text.size() * sizeof(wchar_t));
    return text;
}

std::vector<std::wstring> Lines(const std::wstring& text)
{
    std::vector<std::wstring> lines;
    for (size_t start = 0; start < text.size();) {
        const size_t end = std::min(text.find(L"\r\n", start), text.size());
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

class RegistryBackupTest : public testing::Test
{
protected:
    void SetUp() override { DeleteTrees(); }
    void TearDown() override
    {
        DeleteTrees();
        fixture::DeleteKey(HKEY_LOCAL_MACHINE, kLinkTarget);
    }

    static void DeleteTrees()
    {
        fixture::RemoveRegistryLink(HKEY_CURRENT_USER, kBase + L"\\Link");
        fixture::DeleteKey(HKEY_LOCAL_MACHINE, kBase, KEY_WOW64_32KEY);
        fixture::DeleteKey(HKEY_LOCAL_MACHINE, kBase, KEY_WOW64_64KEY);
        fixture::DeleteKey(HKEY_CURRENT_USER, kBase);
    }

    // Writes Content() below root\kBase and returns what the tree then holds.
    static fixture::RegistryTree WriteContent(HKEY root, REGSAM view)
    {
        fixture::RegistryTree tree;
        for (const Entry& entry : Content()) {
            const std::wstring key = entry.key.empty() ? kBase : kBase + L"\\" + entry.key;
            fixture::SetRawValue(root, key, entry.name, entry.type, entry.data, view);
            tree[entry.key][entry.name] = {entry.type, entry.data};
        }
        fixture::CreateKey(root, kBase + L"\\EmptyKey", view);
        tree[L"EmptyKey"];
        tree[L"Names\\日本語のキー"];
        return tree;
    }

    static BackupKey MachineKey()
    {
        return {HKEY_LOCAL_MACHINE, kBase, KEY_WOW64_32KEY,
                ExportName(HKEY_LOCAL_MACHINE, kBase, KEY_WOW64_32KEY)};
    }
    static BackupKey UserKey() { return {HKEY_CURRENT_USER, kBase, 0, kUserName}; }

    std::wstring BackUp(const std::vector<BackupKey>& keys, const std::wstring& name = L"backup")
    {
        std::wstring path;
        DWORD error = 0;
        EXPECT_TRUE(WriteRegistryBackup(keys, m_folder.Path(), name, path, error)) << "error " << error;
        return path;
    }

    static void Import(const std::wstring& file)
    {
        DWORD exitCode = 1;
        ASSERT_TRUE(
            fixture::RunAndWait(L"C:\\windows\\system32\\reg.exe import \"" + file + L"\"", exitCode));
        EXPECT_EQ(exitCode, 0u);
    }

    fixture::TempFolder m_folder;
};

class RegistryBackupFileTest : public RegistryBackupTest
{
};

class RegistryBackupFailureTest : public RegistryBackupTest
{
protected:
    // The backup of the user tree under name fails with expected and leaves no file.
    void ExpectFailure(const std::wstring& folder, const std::wstring& name, DWORD expected)
    {
        std::wstring path = L"unchanged";
        DWORD error = 0;
        EXPECT_FALSE(WriteRegistryBackup({UserKey()}, folder, name, path, error)) << path;
        EXPECT_EQ(error, expected);
        EXPECT_EQ(path, L"");
        EXPECT_EQ(fixture::CountFiles(m_folder.Path()), 0);
    }
};

} // namespace

TEST_F(RegistryBackupTest, ImportBringsBackEveryKeyValueTypeAndByte)
{
    const fixture::RegistryTree machine = WriteContent(HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY);
    const fixture::RegistryTree user = WriteContent(HKEY_CURRENT_USER, 0);
    fixture::RegistryTree read;
    ASSERT_TRUE(fixture::ReadRegistryTree(HKEY_LOCAL_MACHINE, kBase, KEY_WOW64_32KEY, read));
    ASSERT_EQ(read, machine) << "the fixture wrote the tree";

    const std::wstring file = BackUp({MachineKey(), UserKey()});
    DeleteTrees();
    ASSERT_FALSE(fixture::KeyExists(HKEY_LOCAL_MACHINE, kBase, KEY_WOW64_32KEY));
    ASSERT_FALSE(fixture::KeyExists(HKEY_CURRENT_USER, kBase));
    Import(file);

    // reg import ends string data that does not end in a NUL character with one, where the last
    // byte of an odd length stood; the file holds their exact bytes (WritesValuesAsRegeditDoes).
    const auto imported = [](fixture::RegistryTree tree) {
        tree[L""][L"NoTerminator"].data = Bytes(L"abc\0"s);
        tree[L""][L"OddLength"].data = {'A', 0, 0, 0, 0};
        return tree;
    };
    EXPECT_TRUE(fixture::ReadRegistryTree(HKEY_LOCAL_MACHINE, kBase, KEY_WOW64_32KEY, read));
    EXPECT_EQ(read, imported(machine));
    EXPECT_TRUE(fixture::ReadRegistryTree(HKEY_CURRENT_USER, kBase, 0, read));
    EXPECT_EQ(read, imported(user));
}

TEST_F(RegistryBackupTest, MachineKeysComeBackInThe32BitView)
{
    EXPECT_EQ(ExportName(HKEY_LOCAL_MACHINE, kBase, KEY_WOW64_32KEY),
              L"HKEY_LOCAL_MACHINE\\SOFTWARE\\WOW6432Node\\SeriesCleanBackupTests");
    EXPECT_EQ(ExportName(HKEY_CURRENT_USER, L"\\" + kBase + L"\\", 0), kUserName);
    fixture::SetRawValue(HKEY_LOCAL_MACHINE, kBase + L"\\Sub", L"v", REG_DWORD, {1, 0, 0, 0},
                         KEY_WOW64_32KEY);

    const std::wstring file = BackUp({MachineKey()});
    DeleteTrees();
    Import(file);

    fixture::RegistryTree read;
    EXPECT_TRUE(fixture::ReadRegistryTree(HKEY_LOCAL_MACHINE, kBase, KEY_WOW64_32KEY, read));
    EXPECT_EQ(read[L"Sub"][L"v"], (fixture::RegistryValue{REG_DWORD, {1, 0, 0, 0}}));
    EXPECT_FALSE(fixture::KeyExists(HKEY_LOCAL_MACHINE, kBase, KEY_WOW64_64KEY));
}

TEST_F(RegistryBackupTest, ALinkIsWrittenAsItselfWithoutWhatItLeadsTo)
{
    const std::wstring target = L"\\Registry\\Machine\\" + kLinkTarget;
    fixture::SetString(HKEY_LOCAL_MACHINE, kLinkTarget + L"\\Inside", L"Outside", L"x");
    fixture::SetString(HKEY_CURRENT_USER, kBase, L"v", L"1");
    ASSERT_TRUE(fixture::MakeRegistryLink(HKEY_CURRENT_USER, kBase + L"\\Link", target));

    const std::wstring file = BackUp({UserKey()});
    const std::wstring text = FileText(file);
    EXPECT_NE(text.find(L"[" + kUserName + L"\\Link]\r\n\"SymbolicLinkValue\"=hex(6):5c,00,52,00"), text.npos)
        << text;
    EXPECT_EQ(text.find(L"Inside"), text.npos);
    EXPECT_EQ(text.find(L"Outside"), text.npos);

    DeleteTrees();
    Import(file);
    fixture::RegistryTree read;
    EXPECT_TRUE(fixture::ReadRegistryTree(HKEY_CURRENT_USER, kBase, 0, read));
    EXPECT_EQ(read[L"Link"][L"SymbolicLinkValue"], (fixture::RegistryValue{REG_LINK, Bytes(target)}));
    EXPECT_TRUE(fixture::ValueExists(HKEY_LOCAL_MACHINE, kLinkTarget + L"\\Inside", L"Outside"));
}

TEST_F(RegistryBackupFileTest, IsUtf16WithByteOrderMarkHeaderAndCrlfOnly)
{
    WriteContent(HKEY_CURRENT_USER, 0);
    const std::wstring file = BackUp({UserKey()});
    EXPECT_EQ(fixture::ReadBytes(file).substr(0, 2), "\xFF\xFE");
    const std::wstring text = FileText(file);
    EXPECT_EQ(text.substr(0, 40), L"Windows Registry Editor Version 5.00\r\n\r\n");
    EXPECT_EQ(text.substr(text.size() - 4), L"\r\n\r\n");
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'\n') {
            EXPECT_TRUE(i > 0 && text[i - 1] == L'\r') << "a lone LF at " << i;
        }
        if (text[i] == L'\r') {
            EXPECT_TRUE(i + 1 < text.size() && text[i + 1] == L'\n') << "a lone CR at " << i;
        }
    }
}

TEST_F(RegistryBackupFileTest, HasOneSectionPerKeyParentsFirstAndSkipsAMissingKey)
{
    fixture::CreateKey(HKEY_CURRENT_USER, kBase + L"\\1\\x");
    fixture::CreateKey(HKEY_CURRENT_USER, kBase + L"\\2\\y");
    const std::wstring copy = L"HKEY_USERS\\S-1-5-21-1\\Software\\Copy";
    const std::wstring file = BackUp({UserKey(),
                                      {HKEY_CURRENT_USER, kBase + L"\\Missing", 0, kUserName + L"\\Missing"},
                                      {HKEY_CURRENT_USER, kBase + L"\\2", 0, copy}});

    std::vector<std::wstring> sections;
    for (const std::wstring& line : Lines(FileText(file)))
        if (!line.empty() && line[0] == L'[')
            sections.push_back(line);
    const std::vector<std::wstring> expected = {
        L"[" + kUserName + L"]",    L"[" + kUserName + L"\\1]",    L"[" + kUserName + L"\\1\\x]",
        L"[" + kUserName + L"\\2]", L"[" + kUserName + L"\\2\\y]", L"[" + copy + L"]",
        L"[" + copy + L"\\y]",
    };
    EXPECT_EQ(sections, expected);
}

TEST_F(RegistryBackupFileTest, WritesValuesAsRegeditDoes)
{
    fixture::SetRawValue(HKEY_CURRENT_USER, kBase, L"", REG_SZ, Bytes(L"既定\0"s));
    fixture::SetRawValue(HKEY_CURRENT_USER, kBase, L"q\"b\\s", REG_SZ, Bytes(L"v\\x\"y\0"s));
    fixture::SetRawValue(HKEY_CURRENT_USER, kBase, L"Dword", REG_DWORD, {0xCD, 0xAB, 0, 0});
    fixture::SetRawValue(HKEY_CURRENT_USER, kBase, L"Empty", REG_SZ, {});
    fixture::SetRawValue(HKEY_CURRENT_USER, kBase, L"Qword", REG_QWORD, {1, 0, 0, 0, 0, 0, 0, 0xF0});
    fixture::SetRawValue(HKEY_CURRENT_USER, kBase, L"Type0x11", 0x11, {1, 2});
    fixture::SetRawValue(HKEY_CURRENT_USER, kBase, L"Blob", REG_BINARY, Counting(50));
    fixture::SetRawValue(HKEY_CURRENT_USER, kBase, L"Crlf", REG_SZ, Bytes(L"a\r\nb\0"s));
    fixture::SetRawValue(HKEY_CURRENT_USER, kBase, L"Nul", REG_SZ, Bytes(L"a\0b\0"s));
    fixture::SetRawValue(HKEY_CURRENT_USER, kBase, L"NoTerminator", REG_SZ, Bytes(L"ab"s));
    fixture::SetRawValue(HKEY_CURRENT_USER, kBase, L"Odd", REG_SZ, {'A', 0, 'B'});
    fixture::SetRawValue(HKEY_CURRENT_USER, kBase, L"Expand", REG_EXPAND_SZ, Bytes(L"%a%\0"s));

    const std::vector<std::wstring> lines = Lines(FileText(BackUp({UserKey()})));
    for (const wchar_t* line :
         {L"@=\"既定\"", L"\"q\\\"b\\\\s\"=\"v\\\\x\\\"y\"", L"\"Dword\"=dword:0000abcd",
          L"\"Empty\"=hex(1):", L"\"Qword\"=hex(b):01,00,00,00,00,00,00,f0", L"\"Type0x11\"=hex(11):01,02",
          L"\"Crlf\"=hex(1):61,00,0d,00,0a,00,62,00,00,00", L"\"Nul\"=hex(1):61,00,00,00,62,00,00,00",
          L"\"NoTerminator\"=hex(1):61,00,62,00", L"\"Odd\"=hex(1):41,00,42",
          L"\"Expand\"=hex(2):25,00,61,00,25,00,00,00"})
        EXPECT_NE(std::find(lines.begin(), lines.end(), line), lines.end()) << line;
    const auto blob =
        std::find(lines.begin(), lines.end(),
                  L"\"Blob\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,\\");
    ASSERT_GE(std::distance(blob, lines.end()), 3);
    EXPECT_EQ(blob[1], L"  16,17,18,19,1a,1b,1c,1d,1e,1f,20,21,22,23,24,25,26,27,28,29,2a,2b,2c,2d,2e,\\");
    EXPECT_EQ(blob[2], L"  2f,30,31");
}

TEST_F(RegistryBackupFileTest, ASecondBackupOfTheSameNameGetsANumber)
{
    fixture::SetString(HKEY_CURRENT_USER, kBase, L"v", L"1");
    const std::wstring first = BackUp({UserKey()}, L"製品");
    const std::string firstBytes = fixture::ReadBytes(first);
    fixture::SetString(HKEY_CURRENT_USER, kBase, L"v", L"2");
    const std::wstring second = BackUp({UserKey()}, L"製品");
    fixture::MakeFolder(m_folder / L"製品 (3).reg");

    EXPECT_EQ(first, m_folder / L"製品.reg");
    EXPECT_EQ(second, m_folder / L"製品 (2).reg");
    EXPECT_EQ(BackUp({UserKey()}, L"製品"), m_folder / L"製品 (4).reg")
        << "a folder by that name is passed over";
    EXPECT_EQ(fixture::ReadBytes(first), firstBytes);
    EXPECT_NE(FileText(second).find(L"\"v\"=\"2\""), std::wstring::npos);
}

TEST_F(RegistryBackupFailureTest, AFolderThatDoesNotExist)
{
    fixture::CreateKey(HKEY_CURRENT_USER, kBase);
    ExpectFailure(m_folder / L"missing", L"backup", ERROR_PATH_NOT_FOUND);
    EXPECT_FALSE(fixture::Exists(m_folder / L"missing"));
}

TEST_F(RegistryBackupFailureTest, AFileNameThatCannotBeMade)
{
    fixture::CreateKey(HKEY_CURRENT_USER, kBase);
    ExpectFailure(m_folder.Path(), L"a|b", ERROR_INVALID_NAME);
    ExpectFailure(m_folder.Path(), L"..\\escaped", ERROR_INVALID_NAME);
    const std::wstring parent = m_folder.Path().substr(0, m_folder.Path().rfind(L'\\'));
    EXPECT_FALSE(fixture::Exists(parent + L"\\escaped.reg"));
    ExpectFailure(m_folder.Path(), L"file:stream", ERROR_INVALID_NAME);
    ExpectFailure(m_folder.Path(), L"NUL", ERROR_INVALID_NAME);
}

TEST_F(RegistryBackupFailureTest, AKeyThatCannotBeRead)
{
    fixture::SetString(HKEY_CURRENT_USER, kBase, L"v", L"1");
    fixture::UnreadableKey locked(HKEY_CURRENT_USER, kBase + L"\\Sub\\Locked");
    ExpectFailure(m_folder.Path(), L"backup", ERROR_ACCESS_DENIED);
}

TEST_F(RegistryBackupFailureTest, ANameTheFileCannotHold)
{
    fixture::SetString(HKEY_CURRENT_USER, kBase, L"two\nlines", L"1");
    ExpectFailure(m_folder.Path(), L"backup", ERROR_INVALID_DATA);
    fixture::DeleteKey(HKEY_CURRENT_USER, kBase);
    fixture::CreateKey(HKEY_CURRENT_USER, kBase + L"\\key\r\nname");
    ExpectFailure(m_folder.Path(), L"backup", ERROR_INVALID_DATA);
}
