#include "ui/SeriesCleanDlg.h"

void CSeriesCleanDlg::OnDelete() {}
