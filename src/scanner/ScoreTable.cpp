#include "scanner/GibbsDP.h"

void CGibbsDP::BuildBackground() {}
void CGibbsDP::CalLogPrPos(double*, int, const MatrixSet&) {}
double CGibbsDP::CalLogMotifPr(CString, const double*) { return 0.0; }
double CGibbsDP::CalLogBgPr(int, int, const double*) { return 0.0; }
