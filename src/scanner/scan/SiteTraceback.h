// The tracebacks: the binding sites inside one module window, and the walk
// back over a record's module-end marks that takes the modules, shared by
// the streamed scan and the whole-table scan.
#pragma once

#include <algorithm>
#include <cstddef>
#include <string_view>
#include <utility>
#include <vector>

#include "scanner/results/Results.h"
#include "scanner/scan/ScanModel.h"

namespace scansteps {

// The binding sites of the module window end-len+1..end of the record seq:
// its own forward pass over the window (WindowForwardStep), then a walk
// back from the window's last offset that takes, at each step, the first
// largest of the option probabilities (motif/strand options in column
// order, background last). rows holds the row of position firstRow and
// those after it (firstRow <= end - len + 1); nothing before it is read.
// Returns the sites in ascending position order; none when the window lies
// outside seq.
std::vector<SITEINFO> SampleSitesIn(const SCANMODEL& mm, std::string_view seq, const double* rows, int firstRow,
                                    int end, int len);

// What the traceback needs of the module ending at a position: the table
// rows of its window and its module score.
struct ModuleWindow {
    const double* rows;  // the row of position firstRow; the window's rows follow it
    int firstRow;        // at or before the window's first position
    double moduleScore;  // moduleLogPr of the window
};

// Traceback of the maximizing scan from position n-1 towards 0, shared by
// the whole-table scan and the streamed scan (which differ only in where
// marks, rows and module scores come from).
//   marks.Previous(pos)  the largest marked position <= pos, or -1.
//   windows.At(pos)      the ModuleWindow of the module ending at pos.
// Every visited mark counts in result->moduleCount and has its window's
// sites traced; a window without sites (site string "NULL") adds no
// module. A module's score is moduleLogPr[pos] minus the window's
// background sum (from 0.0, in increasing position order). After a module
// the traceback resumes L positions back; result->modules ends up in
// ascending start order.
template <class Marks, class Windows>
void TraceModules(const SCANMODEL& mm, std::string_view seq, int n, int L, Marks& marks, Windows& windows,
                  RECORDRESULT* result)
{
    const std::size_t bgCol = mm.bgColumn;
    const std::size_t cols = mm.columns;
    const std::size_t firstNew = result->modules.size();
    int pos = n - 1;
    while (pos >= L - 1) {
        pos = marks.Previous(pos);
        if (pos < L - 1)
            break;
        ++result->moduleCount;
        const ModuleWindow window = windows.At(pos);
        std::vector<SITEINFO> sites = SampleSitesIn(mm, seq, window.rows, window.firstRow, pos, L);
        if (!sites.empty()) {
            double bgSum = 0.0;
            for (int r = pos - L + 1; r <= pos; ++r)
                bgSum += window.rows[static_cast<std::size_t>(r - window.firstRow) * cols + bgCol];
            MODULEINFO module;
            module.start = pos - L + 1;
            module.score = window.moduleScore - bgSum;
            module.sites = std::move(sites);
            result->modules.push_back(std::move(module));
        }
        pos -= L;
    }
    std::reverse(result->modules.begin() + static_cast<std::ptrdiff_t>(firstNew), result->modules.end());
}

}  // namespace scansteps
