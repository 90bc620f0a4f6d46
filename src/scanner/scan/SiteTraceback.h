// The tracebacks: the binding sites inside one module window, and the walk
// back over a record's module-end marks that takes the modules, shared by
// the streamed scan and the whole-table scan.
#pragma once

#include <algorithm>
#include <cstddef>
#include <limits>
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

// No limit on the marks a walk visits.
constexpr long long kAllModules = std::numeric_limits<long long>::max();

// The walk of the maximizing scan's traceback over the module-end marks,
// from position `from` towards 0: the largest marked position pos <= the
// current one, while that is at least L-1, goes to visit(pos), and the
// walk resumes L positions before it; at most `most` of them. Returns the
// position the walk stands at then (below L-1 once it is over), from which
// a walk goes on as if it had never stopped.
//   marks.Previous(pos)  the largest marked position <= pos, or -1.
template <class Marks, class Visit>
int WalkModuleEnds(const Marks& marks, int L, int from, long long most, Visit&& visit)
{
    int pos = from;
    for (long long seen = 0; seen < most && pos >= L - 1; ++seen) {
        pos = marks.Previous(pos);
        if (pos < L - 1)
            break;
        visit(pos);
        pos -= L;
    }
    return pos;
}

// The modules of at most `most` marks of the walk from `from` (the last
// first), appended to *modules. Each mark's window has its sites traced; a
// window without sites (site string "NULL") adds no module. A module's
// score is moduleLogPr[pos] minus the window's background sum (from 0.0,
// in increasing position order). Returns how many marks it visited.
//   windows.At(pos)      the ModuleWindow of the module ending at pos.
template <class Marks, class Windows>
long long TraceWalk(const SCANMODEL& mm, std::string_view seq, int L, const Marks& marks, Windows& windows, int from,
                    long long most, std::vector<MODULEINFO>* modules)
{
    const std::size_t bgCol = mm.bgColumn;
    const std::size_t cols = mm.columns;
    long long visited = 0;
    WalkModuleEnds(marks, L, from, most, [&](int pos) {
        ++visited;
        const ModuleWindow window = windows.At(pos);
        std::vector<SITEINFO> sites = SampleSitesIn(mm, seq, window.rows, window.firstRow, pos, L);
        if (sites.empty())
            return;
        double bgSum = 0.0;
        for (int r = pos - L + 1; r <= pos; ++r)
            bgSum += window.rows[static_cast<std::size_t>(r - window.firstRow) * cols + bgCol];
        MODULEINFO module;
        module.start = pos - L + 1;
        module.score = window.moduleScore - bgSum;
        module.sites = std::move(sites);
        modules->push_back(std::move(module));
    });
    return visited;
}

// Traceback of the maximizing scan from position n-1 towards 0, shared by
// the whole-table scan and the streamed scan (which differ only in where
// marks, rows and module scores come from). Every visited mark counts in
// result->moduleCount; result->modules ends up in ascending start order.
template <class Marks, class Windows>
void TraceModules(const SCANMODEL& mm, std::string_view seq, int n, int L, const Marks& marks, Windows& windows,
                  RECORDRESULT* result)
{
    const std::size_t firstNew = result->modules.size();
    result->moduleCount += TraceWalk(mm, seq, L, marks, windows, n - 1, kAllModules, &result->modules);
    std::reverse(result->modules.begin() + static_cast<std::ptrdiff_t>(firstNew), result->modules.end());
}

}  // namespace scansteps
