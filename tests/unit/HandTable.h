// A record over a short text with a hand-made position score table: every
// background cell bgScore, every motif cell impossible, for tests to set
// the cells they need. The model has the given widths and prior weights
// and no matrices.
#pragma once

#include <cmath>
#include <string>
#include <vector>

#include "scanner/ReferenceScan.h"
#include "scanner/ResultWriter.h"

struct HandTable {
    std::string seq;
    std::vector<int> widths;
    int moduleLength;
    bool both;
    std::vector<double> prior;
    std::vector<double> table;
    int cols;
    RECORDRESULT result;

    HandTable(const char* text, const std::vector<int>& motifWidths, int length, bool bothStrands,
              std::vector<double> priorWeight, double bgScore = std::log(0.25))
        : seq(text),
          widths(motifWidths),
          moduleLength(length),
          both(bothStrands),
          prior(std::move(priorWeight)),
          cols(2 * static_cast<int>(motifWidths.size()) + 1)
    {
        table.assign(seq.size() * static_cast<std::size_t>(cols), kImpossibleScore);
        for (std::size_t r = 0; r < seq.size(); ++r)
            Cell(static_cast<int>(r), cols - 1) = bgScore;
    }
    double& Cell(int row, int col) { return table[static_cast<std::size_t>(row * cols + col)]; }
    SCANMODEL Model(double rate = 0.5) const { return MakeScanModel(widths, {}, moduleLength, both, rate, prior); }

    // The two whole-table decodings into result.
    void Maximize(double rate) { ApproxScanCurSeq(Model(rate), seq, table.data(), &result); }
    void Posterior(double rate) { ApproxSampleCurSeq(Model(rate), seq, table.data(), &result); }
    int L() const { return std::min(moduleLength, static_cast<int>(seq.size())); }

    // "start:sites" of every module, in order.
    std::vector<std::string> Modules() const
    {
        std::vector<std::string> out;
        for (const MODULEINFO& m : result.modules)
            out.push_back(std::to_string(m.start) + ":" + SiteString(m.sites));
        return out;
    }
    // The sites of motif j over all modules, in order.
    std::vector<SITEINFO> SitesOf(int j) const
    {
        std::vector<SITEINFO> out;
        for (const MODULEINFO& m : result.modules)
            for (const SITEINFO& s : m.sites)
                if (s.motif == j)
                    out.push_back(s);
        return out;
    }
};
