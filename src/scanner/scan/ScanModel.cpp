#include "scanner/scan/ScanModel.h"

#include <cmath>
#include <utility>

std::vector<double> PriorWeights(int motifNum, int moduleLength)
{
    std::vector<double> weight(static_cast<std::size_t>(motifNum) + 1);
    for (int k = 0; k < motifNum; ++k)
        weight[static_cast<std::size_t>(k)] = 0.8 / moduleLength;
    // Written exactly so: (0.8 * K) / L, then subtracted from 1.
    weight[static_cast<std::size_t>(motifNum)] = 1 - 0.8 * motifNum / moduleLength;
    return weight;
}

SCANMODEL MakeScanModel(std::vector<int> widths, MatrixSet matrices, int moduleLength, bool bothStrands,
                        double moduleRate, std::vector<double> priorWeight)
{
    SCANMODEL m;
    m.motifNum = static_cast<int>(widths.size());
    m.motifCount = widths.size();
    m.bgColumn = 2 * m.motifCount;
    m.columns = m.bgColumn + 1;
    m.bothStrands = bothStrands;
    m.moduleLength = moduleLength;
    m.moduleRate = moduleRate;
    if (priorWeight.size() != m.motifCount + 1)
        priorWeight = PriorWeights(m.motifNum, moduleLength);
    m.priorWeight = std::move(priorWeight);
    m.logPrior.resize(m.motifCount);
    for (std::size_t j = 0; j < m.motifCount; ++j)
        m.logPrior[j] = std::log(m.priorWeight[j]);
    m.logBg = std::log(m.priorWeight[m.motifCount]);
    m.logHalf = std::log(0.5);
    m.logRate = std::log(moduleRate);
    m.logStay = std::log(1 - moduleRate);
    // A width below 1 (which the matrix reader does not produce) would make
    // the site traceback's loop bound meaningless; such motifs never fit.
    int wmin = 0;
    int wmax = 1;
    for (std::size_t j = 0; j < widths.size(); ++j) {
        if (j == 0 || widths[j] < wmin)
            wmin = widths[j];
        wmax = std::max(wmax, widths[j]);
    }
    m.minWidth = std::max(wmin, 1);
    m.maxWidth = wmax;
    m.logMatrices.resize(m.motifCount);
    m.usable.assign(m.motifCount, false);
    for (std::size_t j = 0; j < m.motifCount && j < matrices.size(); ++j) {
        // A matrix shorter than its width cannot score anything.
        const std::size_t need = static_cast<std::size_t>(std::max(widths[j], 0)) * 4;
        if (matrices[j].size() < need)
            continue;
        m.usable[j] = true;
        m.logMatrices[j].resize(need);
        for (std::size_t e = 0; e < need; ++e)
            m.logMatrices[j][e] = std::log(matrices[j][e]);
    }
    m.widths = std::move(widths);
    m.matrices = std::move(matrices);
    return m;
}
