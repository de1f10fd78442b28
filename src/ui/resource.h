// Resource identifiers, shared by the resource script and the code (so they are macros, which the
// resource compiler can read).
#pragma once

#define IDD_SERIESCLEAN_DIALOG 102
#define IDR_MAINFRAME 128
#define IDC_PRODUCT_LIST 1000
#define IDC_DELETE 1001
#define IDC_PROGRESS1 1002
#define IDC_PROGRESS2 1003
#define IDC_STATUS1 1004
#define IDC_STATUS2 1005
#define IDC_INFO 1006
#define IDC_CANCEL_REMOVAL 1007
#define IDC_EXIT 1008
