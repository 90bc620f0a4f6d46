#include "scanner/GibbsDP.h"

bool CGibbsDP::ModuleScan()
{
    errorText = "sequence driver not built yet";
    return false;
}

bool CGibbsDP::DataAugmentation(double, const double*, const MatrixSet&) { return true; }
