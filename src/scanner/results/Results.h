// What the scan of one record yields, as plain values: its modules, each
// with the binding sites traced inside it. The result writer turns them
// into lines; the run totals are summed from them by the driver.
#pragma once

#include <string>
#include <vector>

// One predicted binding site.
struct SITEINFO {
    int motif = 0;        // 0-based motif number j
    int pos = 0;          // leftmost base on the forward strand
    bool forward = true;  // forward-strand site
    double prob = 0.0;    // probability of the traceback step that took it
    std::string site;     // the site's bases as read on its own strand
};

// One predicted module: a window of `window` bases from `start`.
struct MODULEINFO {
    int start = 0;  // first base of the module window
    double score = 0.0;
    std::vector<SITEINFO> sites;  // ascending position; none makes the site string "NULL"
};

struct RECORDRESULT {
    std::string name;                 // header line with its '>', without the line end
    int length = 0;                   // bases in the record
    int window = 0;                   // the module window the scan used: min(L, length)
    long long moduleCount = 0;        // module ends the traceback visited, "NULL" windows included
    std::vector<MODULEINFO> modules;  // ascending start
    bool unscorable = false;          // not scanned: its background gives a base probability 0
    bool scanned = false;             // the scan ran (two bases at least, every base scorable)
    long long scannedBases = 0;       // bases other than N, when scanned
    // The highest score of any window of `window` bases, as a module's
    // score is, whether or not the window became a module; when scanned.
    double bestWindow = 0.0;
    // With null sequences: their best window scores, ascending; minus
    // infinity for one that could not be scored. Empty without.
    std::vector<double> nullScores;
    // With null sequences: the scores of every module their scans took,
    // ascending, for the modules' E-values. Empty without.
    std::vector<double> nullModuleScores;
};

// Run totals, summed over the records.
struct RUNTOTALS {
    long long modules = 0;
    std::vector<long long> sites;  // per motif

    explicit RUNTOTALS(int motifNum = 0) : sites(static_cast<std::size_t>(motifNum), 0) {}
    void Add(const RECORDRESULT& record)
    {
        modules += record.moduleCount;
        for (const MODULEINFO& module : record.modules)
            for (const SITEINFO& site : module.sites)
                if (static_cast<std::size_t>(site.motif) < sites.size())
                    ++sites[static_cast<std::size_t>(site.motif)];
    }
};
