#include "ui/SeriesCleanDlg.h"

void CSeriesCleanDlg::OnExit() {}
