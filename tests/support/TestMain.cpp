#include "testkit/Fixtures.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

int main(int argc, char** argv)
{
    // The dialog's progress bars are common controls, as in the program's own start-up.
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    fixture::SetFailureHandler([](const std::wstring& what) { ADD_FAILURE() << what; });
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
