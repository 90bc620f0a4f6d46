#include "scanner/GibbsDP.h"

bool CGibbsDP::ReadInputPWM(MatrixSet& pwm)
{
    pwm.assign(static_cast<std::size_t>(motifNum), Matrix());
    errorText = "matrix reader not built yet";
    return false;
}
