#include "app/CommandLine.h"

#include <windows.h>
#include <shellapi.h>

namespace {

wchar_t AsciiLower(wchar_t c)
{
    return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c - L'A' + L'a') : c;
}

bool IsSwitch(const std::wstring& arg)
{
    return arg.size() > 1 && (arg[0] == L'/' || arg[0] == L'-');
}

} // namespace

const char kUsageText[] =
    "使い方:\n"
    "  SeriesClean.exe /quiet /remove <製品名|{GUID}> [/whatif] [/log <ファイル>]\n"
    "  SeriesClean.exe /quiet /remove all [/purge] [/whatif] [/log <ファイル>]\n"
    "  SeriesClean.exe /list [/log <ファイル>]\n"
    "  SeriesClean.exe /?\n\n"
    "/quiet\t画面を表示せずに削除します。\n"
    "/remove\t削除する製品 (一覧の製品名、アンインストールGUID、または all)。\n"
    "/purge\tall の削除後に製品が残っていなければ設定データも削除します。\n"
    "/whatif\t削除するものを出力するだけで、何も削除しません。\n"
    "/list\tインストールされている製品を出力します。\n"
    "/log\tログファイル (既定: %SystemRoot%\\Logs\\SeriesClean\\SeriesClean.log)。\n"
    "/?\tこの説明を表示します。\n\n"
    "終了コード: 0 成功, 3010 再起動が必要, 1618 実行中, 1605 未インストール,\n"
    "1603 失敗, 1622 ログを開けない, 1633 64ビット版Windowsでは SeriesClean.exe を使用,\n"
    "1639 コマンドラインの誤り, 5 管理者権限が必要";

bool EqualsIgnoringAsciiCase(const std::wstring& text, const std::wstring& other)
{
    if (text.size() != other.size())
        return false;
    for (size_t i = 0; i < text.size(); ++i) {
        if (AsciiLower(text[i]) != AsciiLower(other[i]))
            return false;
    }
    return true;
}

std::vector<std::wstring> SplitArguments(const wchar_t* commandLine)
{
    std::vector<std::wstring> args;
    if (!commandLine)
        return args;
    int count = 0;
    LPWSTR* argv = CommandLineToArgvW(commandLine, &count);
    if (!argv)
        return args;
    for (int i = 1; i < count; ++i)
        args.emplace_back(argv[i]);
    LocalFree(argv);
    return args;
}

CommandLine ParseCommandLine(const std::vector<std::wstring>& args)
{
    CommandLine line;
    if (args.empty())
        return line;

    // A quiet run shows nothing, not even the usage box of a command line it cannot read.
    CommandLine invalid;
    invalid.action = CommandAction::Invalid;
    for (const std::wstring& arg : args)
        invalid.quiet = invalid.quiet || (IsSwitch(arg) && EqualsIgnoringAsciiCase(arg.substr(1), L"quiet"));
    bool usage = false, list = false, remove = false, log = false;

    for (size_t i = 0; i < args.size(); ++i) {
        if (!IsSwitch(args[i]))
            return invalid;
        const std::wstring name = args[i].substr(1);
        // A switch takes the next argument as its value; another switch there means the value is
        // missing.
        auto value = [&](bool& seen, std::wstring& target) {
            if (seen || i + 1 >= args.size() || IsSwitch(args[i + 1]) || args[i + 1].empty())
                return false;
            seen = true;
            target = args[++i];
            return true;
        };
        auto flag = [](bool& seen) { return !seen && (seen = true); };

        bool ok = false;
        if (name == L"?")
            ok = flag(usage);
        else if (EqualsIgnoringAsciiCase(name, L"quiet"))
            ok = flag(line.quiet);
        else if (EqualsIgnoringAsciiCase(name, L"purge"))
            ok = flag(line.purge);
        else if (EqualsIgnoringAsciiCase(name, L"whatif"))
            ok = flag(line.whatIf);
        else if (EqualsIgnoringAsciiCase(name, L"list"))
            ok = flag(list);
        else if (EqualsIgnoringAsciiCase(name, L"remove"))
            ok = value(remove, line.product);
        else if (EqualsIgnoringAsciiCase(name, L"log"))
            ok = value(log, line.logPath);
        if (!ok)
            return invalid;
    }

    if (usage) {
        line.action = CommandAction::Usage;
        return line;
    }
    if (list && !remove && !line.quiet && !line.purge && !line.whatIf) {
        line.action = CommandAction::List;
        return line;
    }
    const bool all = EqualsIgnoringAsciiCase(line.product, L"all");
    if (remove && !list && line.quiet && (!line.purge || all)) {
        line.action = CommandAction::Remove;
        return line;
    }
    return invalid;
}
