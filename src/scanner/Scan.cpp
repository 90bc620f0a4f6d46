#include "scanner/GibbsDP.h"

double CGibbsDP::CalModuleLogPr(int, int, const double*, const double*, double*) { return 0.0; }
void CGibbsDP::ApproxScanCurSeq(double, const double*, const MatrixSet&, const double*) {}
void CGibbsDP::MaximizeModule(const double*, double, const double*, int, const double*,
                              const std::vector<bool>&) {}
CString CGibbsDP::SampleSites(const double*, const double*, int, int) { return CString("NULL"); }
void CGibbsDP::ApproxSampleCurSeq(double, const double*, const MatrixSet&, const double*) {}
void CGibbsDP::SampleModule(const double*, const double*, double, const double*, int,
                            const double*, const double*) {}
