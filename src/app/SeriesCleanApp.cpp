#include "app/SeriesCleanApp.h"

#include "ui/SeriesCleanDlg.h"

CSeriesCleanApp theApp;

BOOL CSeriesCleanApp::InitInstance()
{
    CSeriesCleanDlg dlg;
    m_pMainWnd = &dlg;
    dlg.DoModal();
    m_pMainWnd = nullptr;
    // FALSE: the dialog has closed and the process ends, with no message loop of the framework.
    return FALSE;
}
