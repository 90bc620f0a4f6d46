#include "scanner/GibbsDP.h"

void CGibbsDP::BuildBackground() {}
bool CGibbsDP::BackgroundScoresEveryBase() const { return true; }
void CGibbsDP::CalLogPrPos(double*, int, const MatrixSet&) {}
double CGibbsDP::CalLogMotifPr(CString, const double*) { return 0.0; }
double CGibbsDP::CalLogBgPr(int, int, const double*) { return 0.0; }
