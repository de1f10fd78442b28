// The command line of an unattended run. Started without arguments the program shows its dialog;
// with arguments it is driven by a deployment tool (or an administrator) and answers with an exit
// code in the conventions of Windows Installer.
#pragma once

#include <string>
#include <vector>

enum class CommandAction
{
    Dialog,  // no arguments: the dialog, exactly as always
    Usage,   // /?
    List,    // /list
    Remove,  // /quiet /remove <product>
    Invalid, // anything else: exit 1639
};

struct CommandLine
{
    CommandAction action = CommandAction::Dialog;
    bool quiet = false;
    bool purge = false;
    bool whatIf = false;  // a dry run: what a removal would delete, nothing deleted
    std::wstring product; // a name as the list shows it, a GUID with braces, or "all"
    std::wstring logPath; // empty: the default log
};

// The arguments of commandLine (as GetCommandLineW gives it) after the program's own name.
std::vector<std::wstring> SplitArguments(const wchar_t* commandLine);

// Switches start with '/' or '-' and are compared without regard to ASCII case. A switch given
// twice, a value that is missing, or a combination other than the four forms gives Invalid.
CommandLine ParseCommandLine(const std::vector<std::wstring>& args);

// Whether text equals other, ASCII letters compared without regard to case (other characters,
// Japanese ones among them, exactly).
bool EqualsIgnoringAsciiCase(const std::wstring& text, const std::wstring& other);

// The usage text of the /? box.
extern const char kUsageText[];
