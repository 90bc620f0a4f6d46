// The result formats, in one place: the files' names, their headings, a
// record's lines in each kind of file, the totals lines, and the strict
// reader of the same lines that merge reads parts through. Pure functions
// on values (the reader only reads): the writer, merge and the run report
// all take their text from here, so that no other file holds the text of
// a heading or a totals line.
//
//   <base>_module.txt     "\n\n" banner "\n" echo "\n\n" once per run (when
//                         it has records), one line per module,
//                         "\n# modules = N\n"
//   <base>_motif<k>.txt   "\n\nmotif k\n\n" once per run (when it has
//                         records), two lines per site,
//                         "\n # of sites for motif k = N\n"
//   <base>_modules.bed    with --bed: one BED line per module
//   <base>_sites.bed      with --bed: one BED line per site
//   <base>_records.tsv    with --summary: the header line when the file is
//                         new, then one line per record
//
// Stored texts (the command-line echo, sequence names, site bases) go out
// byte for byte: a '%' in a name never reaches a format string.
//
// BED lines are 0-based with the end excluded. A module ends at start + the
// window length its record's scan used (the module file's interval end); a
// site at start + its motif's width. Scores are printed as the module and
// motif files print them (%.6f). Module names run module1, module2, ...
// through the run. Within one record the site lines are ordered by start
// (motif number, then position order, on ties). The BED sequence name is
// the first word of the FASTA header (BedName.h).
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "scanner/results/Results.h"
#include "scanner/write/BedName.h"

std::string ModuleFileName(const std::string& base);            // base + "_module.txt"
std::string MotifFileName(const std::string& base, int motif);  // base + "_motif<k>.txt", k = 1..K
std::string ModulesBedFileName(const std::string& base);        // base + "_modules.bed"
std::string SitesBedFileName(const std::string& base);          // base + "_sites.bed"
std::string RecordsFileName(const std::string& base);           // base + "_records.tsv"

// The headings a run writes before its first record: the banner and the
// command-line echo (every word typed, each followed by one blank) in the
// module file, the motif's number in motif file k.
std::string ModuleHeading(std::string_view commandLine);
std::string MotifHeading(int motif);
// The header line of the records file.
extern const char* const kRecordsHeader;
// A run scored against one background model (--background) says which, as
// "; background: <description>" after the command-line echo and as a line
// "##background: <description>" before the records file's header.
extern const char* const kEchoBackgroundHead;
extern const char* const kRecordsBackgroundHead;
// The records file's header, after its background line when there is a
// shared background ("" for none).
std::string RecordsHeader(const std::string& background);

// How the totals lines begin (the count follows), and the banner line of
// the module file's headings (the version follows).
extern const char* const kModuleTotalHead;
std::string MotifTotalHead(int motif);
extern const char* const kBannerHead;
// The totals lines that end a run's module and motif files.
std::string ModuleTotal(long long modules);
std::string MotifTotal(int motif, long long sites);

// A p- or q-value as the result files print it (six significant digits),
// and an E-value likewise.
std::string PValueText(double p);
std::string EValueText(double e);

// A module's site string: one piece per site in position order, "+%d(%d)"
// for a forward-strand site and "-%d(%d)" for a reverse-strand one, with the
// motif number (1..K) and the site's start; "NULL" when there is none.
std::string SiteString(const std::vector<SITEINFO>& sites);

// A record's lines in the module file, and in the file of motif k (1..K).
std::string ModuleLines(const RECORDRESULT& record);
std::string MotifLines(const RECORDRESULT& record, int motif);

// The motifs as the BED files name them: one label per motif in matrix
// order (no blanks), and their widths.
struct BEDMOTIFS {
    std::vector<std::string> labels;
    std::vector<int> widths;
};
// Labels for the BED files from the matrices' names: blanks become '_', an
// empty or missing label becomes motif<k>; one per width.
BEDMOTIFS MakeBedMotifs(std::vector<std::string> labels, std::vector<int> widths);

// A record's lines in the modules BED file: bed6+2 (the score 0 to 1000 as
// 100 times the module score, then the exact score and its sites), and
// bed6+4 with null scores (the module's empirical p-value and its E-value). *number is the
// last module number used in the run so far; it grows by the record's.
std::string BedModuleLines(const RECORDRESULT& record, const BEDNAME& name, const BEDMOTIFS& motifs, bool withP,
                           long long* number);
// A record's lines in the sites BED file: bed6+3 (the motif's name, the
// site's probability as 0 to 1000, the strand on chrom; then the exact
// probability, the motif number and the site's bases), in chrom order.
std::string BedSiteLines(const RECORDRESULT& record, const BEDNAME& name, const BEDMOTIFS& motifs);

// A record's name in the records file: the header's first word, without
// its '>' (the BED files' name of a record), and the rest of the header,
// tabs made blanks.
struct RECORDNAME {
    std::string name;
    std::string description;
};
RECORDNAME SplitRecordName(std::string_view header);

// A record's line of the records file up to its q-value (its last tab
// included), for motifs of these widths and modules of moduleLength bases.
// Its best window gets two p-values with null scores: the empirical one and
// that of a Gumbel distribution fitted to the null scores, which resolves
// p far below 1 / (N + 1); where no fit can be trusted (a record shorter
// than L, too few distinct null scores) the second is the first, and the
// note says so. *p is set to the second as printed, over which the
// q-values are taken (NaN without one; 1 where no motif fits in the record).
// *note is set to the note column: why a record was not scanned, why it has
// no evidence (no motif fits in it), or why its fitted p-value is the
// empirical one; "" for any other.
std::string RecordLine(const RECORDRESULT& record, const std::vector<int>& widths, int moduleLength, double* p,
                       std::string* note);
// The rest of the line: the q-value ("" without one), the note, the line end.
std::string RecordLineEnd(const std::string& q, const std::string& note);

// ---------------------------------------------------------------------------
// Reading result files back

// The module number a run appending to the modules BED file at path goes
// on from: that of its last line ("module12" gives 12), or, where the last
// line names no module so, the number of its lines. 0 for no file.
long long LastBedModuleNumber(const std::string& path);

enum class RESULTKIND { Module, Motif, ModulesBed, SitesBed, Records };

// What a file of one run is expected to be.
struct RESULTSHAPE {
    RESULTKIND kind = RESULTKIND::Module;
    int motif = 0;       // Motif: its number k
    int motifNum = 0;    // Records, SitesBed: K
    bool withP = false;  // ModulesBed: the p-value column of null scores
};

// What a file of one run holds beyond its body lines.
struct RESULTFILEINFO {
    bool headings = false;  // module and motif files: the run had records
    std::string echo;       // module file: the command-line echo under the banner
    long long total = 0;    // module and motif files: the count of the totals line
};

// Told of each body line (its text without the line end, and its number
// in the file); returns false to stop, with the error set.
using ResultLineSink = std::function<bool(std::string& line, long long number)>;

// Reads a result file of one run as its writer left it, strictly: every
// line whole (the last one too) and well formed for its kind, headings
// where they belong, the totals line present and last, the records file's
// header first. Body lines go to body (when given). False with *error
// naming the file, and the line where one is at fault:
//   "result file 'x' is not a complete result file of one run"
//   "result file 'x' holds more than one run: merge takes the results of
//    one run per part"
//   "result file 'x', line N: ..." (cut short, or what is wrong with it)
bool ReadResultFile(const std::string& path, const RESULTSHAPE& shape, const ResultLineSink& body, RESULTFILEINFO* info,
                    std::string* error);
