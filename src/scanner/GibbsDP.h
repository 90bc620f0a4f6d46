// The module scanner: one CGibbsDP does the whole work of a run. It reads the
// weight matrices and the FASTA file, scores every position of each sequence
// under the matrices and a first-order background model, splits the sequence
// into background and modules, traces the binding sites inside each module
// and appends modules, sites and run totals to the result files.
//
// Conventions used throughout the scanner:
//   - positions are 0-based indexes into the current sequence `seq`;
//   - motifs are numbered j = 0..K-1 in matrix-file order (1..K in output);
//   - probabilities are natural logarithms held in doubles;
//   - base codes are A = 0, C = 1, G = 2, T = 3, every other letter 0.
#pragma once

#include <array>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "scanner/MatrixReader.h"
#include "support/MyString.h"

// ---------------------------------------------------------------------------
// Sequence and numeric helpers

// Base-4 code of a word, first character most significant.
int WordCode(const CString& word);
// Reverse complement (A-T, C-G, R-Y; S, W and every other character, lower
// case included, copied unchanged).
CString Reverse(const CString& word);

// log(exp(a) + exp(b)). The exact form hi + log(exp(lo - hi) + 1) and the
// cut-off at a difference of -300 decide ties further on, so this must not
// be rewritten (no log1p).
inline double LogSum(double a, double b)
{
    double hi = a;
    double lo = b;
    if (b > a) {
        hi = b;
        lo = a;
    }
    const double diff = lo - hi;
    if (diff > -300)
        return hi + std::log(std::exp(diff) + 1);
    return hi;
}

int intpow(int a, int n);
int Sum(const int* v, int n);
double logGamma(int n);
int Minimum(const int* v, int n);
int Maximum(const double* v, int n);

// Lookup tables for the per-position loops: code(c), and code of the
// complement of c (A->3, C->2, G->1, T->0, everything else 0).
extern const std::array<unsigned char, 256> kBaseCode;
extern const std::array<unsigned char, 256> kComplementCode;

// Score of a site that cannot be there (window before the sequence start,
// window holding N, reverse strand when only the forward one is searched).
inline constexpr double kImpossibleScore = -2000.0;
// Background score of a base whose pair holds N: the decimal -1.386, not log(0.25).
inline constexpr double kBackgroundAtN = -1.386;

// ---------------------------------------------------------------------------
// Result records. Every list starts with a head node that carries no result;
// new nodes go directly after the head, so tracebacks that run from the end
// of a sequence towards its start leave the lists in ascending order.

struct SITEINFO {
    CString site;          // the site's bases as read on its own strand
    int pos = 0;           // leftmost base on the forward strand
    bool forward = true;   // forward-strand site
    double prob = 0.0;     // probability of the traceback step that took it
    std::unique_ptr<SITEINFO> next;

    SITEINFO() = default;
    SITEINFO(const SITEINFO&) = delete;
    SITEINFO& operator=(const SITEINFO&) = delete;
    ~SITEINFO();  // releases the tail iteratively: lists can be millions long
};

struct MODULEINFO {
    CString sites;         // site string, e.g. "+1(105)-2(130)"
    int start = -1;        // first base of the module window
    double score = 0.0;
    std::unique_ptr<MODULEINFO> next;

    MODULEINFO() = default;
    MODULEINFO(const MODULEINFO&) = delete;
    MODULEINFO& operator=(const MODULEINFO&) = delete;
    ~MODULEINFO();
};

// Weight matrices (Matrix, of MatrixFormat.h) in motif order.
using MatrixSet = std::vector<Matrix>;

// Tuning of the streamed scan (CGibbsDP::StreamScanCurSeq). Neither value
// changes any result; tests shrink both to reach every border case.
struct StreamScanOptions {
    // Rows scored and stepped at a time: the scan holds this many table
    // rows, never the whole table.
    int blockSize = 4096;
    // Positions between saved states of the forward recursion, from which
    // the traceback recomputes the forward values it needs. Each state is
    // the widest motif's width in doubles.
    int checkpointInterval = 1024;
};

class CGibbsDP {
public:
    CGibbsDP();
    virtual ~CGibbsDP();
    CGibbsDP(const CGibbsDP&) = delete;
    CGibbsDP& operator=(const CGibbsDP&) = delete;

    double moduleRate = 0.0;
    int motifNum = 1;
    int moduleLength = 200;
    int moduleCount = 0;                          // run-wide modules taken by the traceback
    std::vector<int> motifWidth;                  // K widths
    std::vector<int> siteCount;                   // K + 1 counters, the first K used
    std::vector<std::unique_ptr<SITEINFO>> siteList;  // per motif, current sequence
    std::unique_ptr<MODULEINFO> moduleList;       // current sequence
    CString seq;                                  // current sequence, letters 'A'..'Z'
    CString seqName;                              // header line without its line end
    CString pwmFile;
    CString outFile;
    CString seqFile;
    int seqLength = 0;
    double bgFreq[4] = {};                        // A, C, G, T
    double bgTrans[16] = {};                      // [4 * preceding + following]
    bool firstSeq = false;
    bool bothStrands = true;
    CString cmdLine;
    // --bed: also append the modules and sites to BED files (BedFiles.h).
    bool bedOutput = false;
    // Module lines written to the modules BED file so far in this run; the
    // BED names run module1, module2, ...
    long long bedModuleNumber = 0;

    // What went wrong when a member returns false: one line, naming the
    // file and line concerned, without the "Velmora: " prefix.
    std::string errorText;

    // --- lifecycle and lists ---
    // Reads the matrix file into pwm and sizes the per-motif arrays.
    bool Initialize(MatrixSet& pwm);
    void FreeMemery();
    static void DelSiteHead(std::unique_ptr<SITEINFO>& list);
    static void DelModHead(std::unique_ptr<MODULEINFO>& list);
    // Inserts node directly after head.
    static void AddSite(SITEINFO* head, std::unique_ptr<SITEINFO> node);
    static void AddSite(MODULEINFO* head, std::unique_ptr<MODULEINFO> node);

    // --- matrix file ---
    bool ReadInputPWM(MatrixSet& pwm);

    // --- run driver ---
    // The whole run: matrices, every FASTA record, result files, totals.
    bool ModuleScan();
    // Scans the sequence held in seq/seqName and appends its results.
    bool DataAugmentation(double rate, const double* priorWeight, const MatrixSet& pwm);

    // --- background model and position scores ---
    void BuildBackground();
    // False when the background model gives some base of seq probability 0
    // (a sequence of letters coded as A while holding no A, say): its scores
    // would be minus infinity and the module scores not numbers, so such a
    // sequence is not scanned. Call after BuildBackground.
    bool BackgroundScoresEveryBase() const;
    // Fills rows 0..rows-1 of the position score table; row i holds 2K + 1
    // doubles: forward and reverse score of each motif for the window ending
    // at i, then the background score of base i.
    void CalLogPrPos(double* table, int rows, const MatrixSet& pwm);
    double CalLogMotifPr(const CString& word, const double* matrix);
    double CalLogBgPr(int start, int num, const double* table);

    // --- module recursion, scans and site traceback ---
    double CalModuleLogPr(int end, int len, const double* table, const double* priorWeight,
                          double* out);
    void ApproxScanCurSeq(double rate, const double* priorWeight, const MatrixSet& pwm,
                          const double* table);
    void MaximizeModule(const double* moduleLogPr, double rate, const double* priorWeight, int n,
                        const double* table, const std::vector<bool>& moduleEnd);
    CString SampleSites(const double* priorWeight, const double* table, int end, int len);
    // SampleSites over a part of a table: rows holds the row of position
    // firstRow and those after it (firstRow <= end - len + 1); nothing before
    // it is read. SampleSites is SampleSitesIn with the whole table and 0.
    CString SampleSitesIn(const double* priorWeight, const double* rows, int firstRow, int end,
                          int len);
    void ApproxSampleCurSeq(double rate, const double* priorWeight, const MatrixSet& pwm,
                            const double* table);
    void SampleModule(const double* moduleLogPr, const double* totalLogPr, double rate,
                      const double* priorWeight, int n, const double* table,
                      const double* fwdLogPr);
    // ApproxScanCurSeq (maximize) and ApproxSampleCurSeq (posterior).
    void WholeTableScan(double rate, const double* priorWeight, const double* table, bool maximize);
    // The maximizing scan of ApproxScanCurSeq with the same results to the
    // last bit, without a whole-sequence table: rows are scored block by
    // block from seq (after BuildBackground) and fed to the forward
    // recursion and the maximizing step, which keep only the history they
    // read; module ends are kept as one bit per position. The traceback
    // recomputes the forward values it needs from saved recursion states
    // and rescores the rows of each module window. Memory beyond seq grows
    // with n by n/8 + n/checkpointInterval * (widest motif) * 8 bytes, and
    // with the window length L by about 32 L + (2K + 1) * 8 L bytes (plus
    // fixed buffers of (2K + 1) * 8 * (blockSize + checkpointInterval)
    // bytes). pwm is read here (the whole-table scan gets it through its
    // table).
    void StreamScanCurSeq(double rate, const double* priorWeight, const MatrixSet& pwm,
                          const StreamScanOptions& options = StreamScanOptions());
    // The per-position passes of the two scans, without their tracebacks,
    // over positions 0..n-1 with module windows of L bases (L <= n): from the
    // forward values they fill moduleLogPr (entries L-1..n-1) and the best /
    // total values of every prefix, and the maximizing pass the module-end
    // marks (resized to n). Arrays are caller-owned, n entries each.
    void MaximizePass(double rate, int n, int L, const double* table, const double* fwdLogPr,
                      double* moduleLogPr, double* bestLogPr, std::vector<bool>& moduleEnd) const;
    void PosteriorPass(double rate, int n, int L, const double* table, const double* fwdLogPr,
                       double* moduleLogPr, double* totalLogPr) const;

    // --- result files ---
    // Both also append to the BED files when bedOutput is set.
    bool OutputModules();
    bool OutputMotifs();
    // The sites BED lines of the current sequence (OutputMotifs calls it).
    bool OutputSitesBed();
    bool WriteSummary();
};
