// CGibbsDP's way into the matrix reader (MatrixReader.h): the matrices of
// the -M file, one for each of the -K motifs, with their widths.
#include <string>
#include <utility>

#include "scanner/GibbsDP.h"
#include "scanner/MatrixReader.h"

bool CGibbsDP::ReadInputPWM(MatrixSet& pwm)
{
    if (motifNum < 1) {
        errorText = "-K must be at least 1, got " + std::to_string(motifNum);
        return false;
    }
    pwm.assign(static_cast<std::size_t>(motifNum), Matrix());
    MATRIXSET set;
    if (!ReadMatrixFile(pwmFile.str(), motifNum, &set, &errorText))
        return false;
    motifWidth = std::move(set.widths);
    for (std::size_t k = 0; k < set.matrices.size(); ++k)
        pwm[k] = std::move(set.matrices[k]);
    return true;
}
