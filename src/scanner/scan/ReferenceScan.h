// The scans over a whole-record position score table: the reference that
// the streamed scan (RecordScan.h) must match to the last bit, and the
// posterior decoding, which no run uses. Tests and benchmarks call these;
// a run does not. Each table row holds model.columns doubles (the layout of
// PositionScorer.h): row p at p * columns.
#pragma once

#include <string_view>
#include <vector>

#include "scanner/results/Results.h"
#include "scanner/scan/Background.h"
#include "scanner/scan/ScanModel.h"

// The position score table of seq: seq.size() rows.
std::vector<double> CalLogPrPos(const SCANMODEL& model, std::string_view seq, const BACKGROUND& background);

// Log-likelihood of word under one matrix (row k meets word[k]); no N test.
// The empty word gives 0.
double CalLogMotifPr(std::string_view word, const double* matrix);
// Sum of the background column over rows start..start+num-1, in increasing
// row order from 0.0; 0 when num <= 0.
double CalLogBgPr(const SCANMODEL& model, int start, int num, const double* table);

// Forward recursion of the module model over the stretch end-len+1..end.
//   out  caller-owned, >= len doubles; out[m] gets the log-probability of
//        bases start..start+m, every base either background or the last
//        base of a whole site inside the stretch.
// Returns out[len-1]. The stretch must lie inside the table and len >= 1
// (nothing is done otherwise, and 0 is returned).
double CalModuleLogPr(const SCANMODEL& model, int end, int len, const double* table, double* out);

// The per-position passes of the two scans, without their tracebacks, over
// positions 0..n-1 with module windows of L bases (1 <= L <= n): from the
// forward values they fill moduleLogPr (entries L-1..n-1) and the best
// (maximizing) or total (posterior, LogSum of both candidates) value of
// every prefix, and the maximizing pass the module-end marks (resized to
// n; a tie or a non-number goes to the module). Arrays are caller-owned, n
// entries each.
void MaximizePass(const SCANMODEL& model, int n, int L, const double* table, const double* fwdLogPr,
                  double* moduleLogPr, double* bestLogPr, std::vector<bool>& moduleEnd);
void PosteriorPass(const SCANMODEL& model, int n, int L, const double* table, const double* fwdLogPr,
                   double* moduleLogPr, double* totalLogPr);

// The maximizing module scan of seq from its table: adds to
// result->moduleCount and result->modules, sets result->window.
void ApproxScanCurSeq(const SCANMODEL& model, std::string_view seq, const double* table, RECORDRESULT* result);
// Its traceback (TraceModules over the table's marks and scores).
void MaximizeModule(const SCANMODEL& model, std::string_view seq, const double* moduleLogPr, int n, const double* table,
                    const std::vector<bool>& moduleEnd, RECORDRESULT* result);

// The posterior decoding: a module wherever the log posterior of a module
// end, d = ((log(rate) + moduleLogPr[pos]) + totalLogPr[pos-L]) -
// totalLogPr[pos] (without the prefix term at pos = L-1), is above -0.6931,
// scanning from the end and jumping back L after each; the module's score
// is exp(d), and it is kept even without sites.
void ApproxSampleCurSeq(const SCANMODEL& model, std::string_view seq, const double* table, RECORDRESULT* result);
void SampleModule(const SCANMODEL& model, std::string_view seq, const double* moduleLogPr, const double* totalLogPr,
                  int n, const double* table, RECORDRESULT* result);

// The sites of the window end-len+1..end from the whole table.
std::vector<SITEINFO> SampleSites(const SCANMODEL& model, std::string_view seq, const double* table, int end, int len);
