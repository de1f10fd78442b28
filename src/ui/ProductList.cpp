#include "ui/SeriesCleanDlg.h"

void CSeriesCleanDlg::FillProductList()
{
    m_listProducts.ResetContent();
    m_bSeriesInstalled = 0;

    m_btnDelete.EnableWindow(FALSE);
    m_btnCancel.EnableWindow(FALSE);
    PostMessage(UM_HIDE_PROGRESS, 0, 1);
    PostMessage(UM_HIDE_PROGRESS, 0, 2);
}
