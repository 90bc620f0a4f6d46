// A scanner over a short text with fresh list heads and a hand-made position
// score table: every background cell bgScore, every motif cell impossible,
// for tests to set the cells they need.
#pragma once

#include <cmath>
#include <memory>
#include <vector>

#include "scanner/GibbsDP.h"

struct HandTable {
    CGibbsDP dp;
    std::vector<double> table;
    std::vector<double> prior;
    int cols;

    HandTable(const char* text, const std::vector<int>& widths, int moduleLength, bool both,
              std::vector<double> priorWeight, double bgScore = std::log(0.25))
        : prior(std::move(priorWeight)), cols(2 * static_cast<int>(widths.size()) + 1)
    {
        dp.seq = text;
        dp.seqLength = dp.seq.GetLength();
        dp.motifNum = static_cast<int>(widths.size());
        dp.motifWidth = widths;
        dp.moduleLength = moduleLength;
        dp.bothStrands = both;
        dp.siteCount.assign(widths.size() + 1, 0);
        for (std::size_t j = 0; j < widths.size(); ++j)
            dp.siteList.push_back(std::make_unique<SITEINFO>());
        dp.moduleList = std::make_unique<MODULEINFO>();
        table.assign(static_cast<std::size_t>(dp.seqLength * cols), kImpossibleScore);
        for (int r = 0; r < dp.seqLength; ++r)
            Cell(r, cols - 1) = bgScore;
    }
    double& Cell(int row, int col) { return table[static_cast<std::size_t>(row * cols + col)]; }
};
