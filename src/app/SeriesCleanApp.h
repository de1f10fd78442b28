// The application object: runs the main dialog once, modally, and then lets the process end.
#pragma once

#include "framework/WinApp.h"

class CSeriesCleanApp : public CWinApp
{
public:
    CSeriesCleanApp() = default;

    BOOL InitInstance() override;
};

extern CSeriesCleanApp theApp;
