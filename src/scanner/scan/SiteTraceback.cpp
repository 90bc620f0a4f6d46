#include "scanner/scan/SiteTraceback.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

#include "scanner/scan/ScanSteps.h"
#include "support/Bases.h"

namespace scansteps {

std::vector<SITEINFO> SampleSitesIn(const SCANMODEL& mm, std::string_view seq, const double* rows, int firstRow,
                                    int end, int len)
{
    std::vector<SITEINFO> sites;
    const int start = end - len + 1;
    if (len < 1 || start < 0 || start < firstRow || end >= static_cast<int>(seq.size()) || mm.motifNum < 1)
        return sites;
    // Offset m of the window is the row start + m, stored at index
    // first + m of rows.
    const int first = start - firstRow;
    const std::size_t cols = mm.columns;
    auto row = [&](int m) { return rows + static_cast<std::size_t>(first + m) * cols; };
    const bool both = mm.bothStrands;

    std::vector<double> F(static_cast<std::size_t>(len));
    F[0] = row(0)[mm.bgColumn];
    for (int m = 1; m < len; ++m)
        F[static_cast<std::size_t>(m)] = WindowForwardStep(mm, row(m), m + 1, F.data() + m);

    const int options = both ? 2 * mm.motifNum : mm.motifNum;
    std::vector<double> P(static_cast<std::size_t>(options) + 1);
    int m = len - 1;
    while (m >= mm.minWidth - 1) {
        const double* r = row(m);
        const double Fm = F[static_cast<std::size_t>(m)];
        double background = 1;
        for (int o = 0; o < options; ++o) {
            const int j = both ? o / 2 : o;
            const int w = mm.widths[static_cast<std::size_t>(j)];
            const int c = both ? o : 2 * j;
            double p = 0.0;  // a motif of no width has no site
            if (w >= 1) {
                double x = mm.logPrior[static_cast<std::size_t>(j)] + r[c];
                if (both)
                    x = x + mm.logHalf;
                double d;
                if (m >= w)
                    d = x + F[static_cast<std::size_t>(m - w)];
                else if (m == w - 1)
                    d = x;
                else
                    d = Fm - 2000;
                const double diff = d - Fm;
                p = diff < -200 ? 0.0 : std::exp(diff);
            }
            P[static_cast<std::size_t>(o)] = p;
            background = background - p;
        }
        P[static_cast<std::size_t>(options)] = background;
        int chosen = 0;
        for (int e = 1; e <= options; ++e)
            if (P[static_cast<std::size_t>(e)] > P[static_cast<std::size_t>(chosen)])
                chosen = e;
        if (chosen == options) {
            --m;
            continue;
        }
        const int j = both ? chosen / 2 : chosen;
        const int w = mm.widths[static_cast<std::size_t>(j)];
        SITEINFO site;
        site.motif = j;
        site.pos = start + m - w + 1;
        site.forward = !both || chosen % 2 == 0;
        site.prob = P[static_cast<std::size_t>(chosen)];
        const std::string_view bases = seq.substr(static_cast<std::size_t>(site.pos), static_cast<std::size_t>(w));
        site.site = site.forward ? std::string(bases) : Reverse(bases);
        sites.push_back(std::move(site));
        m -= w;
    }
    // Found from the window's end towards its start.
    std::reverse(sites.begin(), sites.end());
    return sites;
}

}  // namespace scansteps
