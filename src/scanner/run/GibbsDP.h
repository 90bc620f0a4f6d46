// The run: read the matrices into the run's model, scan every FASTA record
// against it, and hand each record's result to the one result writer.
//
// Data flow of one record:
//   CFastaReader (FastaReader.h)      name and upper-case letters
//   CRecordStream (RecordStream.h)    reads a record when a thread is free
//   CRecordPool (RecordPool.h)        records scanned side by side, handed
//                                     back in input order
//   DataAugmentation (RecordScan.h)   background model, streamed scan, site
//                                     traceback: a RECORDRESULT
//   RUNTOTALS (Results.h)             the run totals grow by the record's counts
//   CResultWriter (ResultWriter.h)    the record's lines, one write per file
//
// Names a newcomer may misread: CGibbsDP drives a run and samples nothing;
// ModuleScan is the whole run; DataAugmentation scans one record; and
// SampleSitesIn takes the best path of sites through a module window, not
// a random one. CONTRIBUTING.md lists them all.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "scanner/run/RecordPool.h"
#include "scanner/run/SharedBackground.h"
#include "scanner/scan/ScanModel.h"
#include "scanner/write/ResultWriter.h"
#include "scanner/write/SvgPicture.h"
#include "support/LineReader.h"
#include "support/MyString.h"

class CConsole;

// Whether K motifs leave a module some weight for its background bases:
// 1 - 0.8 K / L above 0, the very expression the prior weights use.
bool BackgroundWeightLeft(int motifNum, int moduleLength);

// The settings of a run, as the command line gives them. Their defaults
// live here and nowhere else.
struct RUNSETTINGS {
    CString cmdLine;                     // every command-line word, each followed by one blank
    unsigned char bothStrands = 1;       // -r: search the reverse strand too
    CString seqFile;                     // -i
    CString outFile = "Output.txt";      // -o: base name of the result files
    CString pwmFile;                     // -M
    int motifNum = 3;                    // -K
    bool motifNumGiven = false;          // without -K, K is the number of matrices in the file
    int moduleLength = 200;              // -L
    double moduleRate = 0.0005;          // -x
    bool bedOutput = false;              // --bed: BED files of modules and sites too
    CString svgFile;                     // --svg: a picture of the modules
    std::optional<BEDREGION> svgRegion;  // --svg-region: the picture shows only this stretch
    std::string svgBed;                  // --svg-bed: a BED file of regions the picture shows too
    std::vector<std::string> motifs;     // --motifs: the matrices to use, by ID or name, in this order
    bool oneBased = false;               // --one-based: chrom:start-end headers are 1-based, end inclusive
    bool overwrite = false;              // --overwrite: the results replace the files instead of adding to them
    int threads = 0;                     // -t: threads that scan; 0: one per core the process may use
    bool summary = false;                // --summary: a line per record in BASE_records.tsv
    int nulls = 0;                       // --null: null sequences per record, for p-values (implies summary)
    std::uint64_t seed = 1;              // --seed: of the null sequences
    std::string background;              // --background: a FASTA or model file, or "pooled"; "": each record's own

    // A records file is written: asked for, or the home of the p-values.
    bool RecordsFile() const { return summary || nulls > 0; }
};

// The run driver. Its settings are fixed when it is made; one object drives
// one run.
class CGibbsDP {
public:
    explicit CGibbsDP(RUNSETTINGS settings);

    // The whole run: matrices, every FASTA record, result files, totals.
    // False on any failure, with ErrorText() set and every result file as
    // the run found it.
    bool ModuleScan(CConsole& console);
    // What went wrong: one line naming the file and line concerned, without
    // the "Velmora: " prefix.
    const std::string& ErrorText() const { return m_error; }

private:
    // The steps of a run: the model from the matrices and the options; the
    // result files, checked and opened; every record scanned and written in
    // input order; the totals, the picture and the files closed. Each
    // returns false with m_error set; after the files are open, Run cuts
    // them back.
    bool Run(CConsole& console);
    bool ReadModel(std::optional<SCANMODEL>* model);
    bool OpenOutputs(const SCANMODEL& model, CConsole& console);
    bool ScanRecords(const SCANMODEL& model, std::unique_ptr<CByteSource> source, CConsole& console, RUNTOTALS* totals,
                     long long* records, long long* bases);
    bool FinishOutputs(const RUNTOTALS& totals, CConsole& console);
    // The line that ends a run: records, bases, modules, sites per motif,
    // time, and the result files.
    std::string RunReport(const RUNTOTALS& totals, long long records, long long bases,
                          std::chrono::steady_clock::duration took) const;
    // The motifs as the BED files and the picture name them: a matrix's
    // name, else its ID, else empty.
    std::vector<std::string> m_labels;
    std::vector<std::string> m_ids;

    const RUNSETTINGS m_settings;
    std::string m_error;
    std::string m_doing;                           // what the run is doing, for an out-of-memory message
    std::optional<CResultWriter> m_writer;         // from the pre-run check on
    std::optional<CSvgPicture> m_picture;          // with --svg, once the files are open
    std::vector<std::string> m_others;             // with --overwrite: result files of the base this run leaves
    std::optional<SHAREDBACKGROUND> m_background;  // with --background
    // "<before>not of this run: a<between>b", or "" when there are none.
    std::string NotOfThisRun(const std::string& before, const std::string& between) const;
};
