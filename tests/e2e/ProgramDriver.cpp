#include "e2e/ProgramDriver.h"

#include "ui/resource.h"

#include <gtest/gtest.h>

namespace e2e {

Program::Program() : Program(std::wstring()) {}

Program::Program(const std::wstring& arguments, HANDLE stdOut)
{
    // SERIESCLEAN_EXE is the program's Unix path, in ASCII.
    const std::string unixPath = SERIESCLEAN_EXE;
    DWORD error = 0;
    EXPECT_TRUE(
        Start(drive::WindowsPath(std::wstring(unixPath.begin(), unixPath.end())), error, arguments, stdOut))
        << "cannot start SeriesClean.exe, error " << error;
}

HWND WaitForBoxText(const Program& program, const std::wstring& text)
{
    return WaitForBox(program, [&](const std::wstring& boxText) { return boxText == text; });
}

void SelectAndDelete(HWND dialog, int index)
{
    drive::SelectListItem(dialog, IDC_PRODUCT_LIST, index);
    Press(dialog, IDC_DELETE);
}

HWND StartToMainDialog(Program& program)
{
    HWND info = program.WaitForWindow(kBoxTitle);
    EXPECT_NE(info, nullptr) << "no information box";
    if (!info)
        return nullptr;
    EXPECT_EQ(BoxText(info), kInfoText);
    Press(info, IDOK);
    HWND dialog = program.WaitForWindow(kDialogTitle);
    EXPECT_NE(dialog, nullptr) << "no main dialog";
    return dialog;
}

} // namespace e2e
