// The result files of a run, and the one writer that owns them.
//
//   <base>_module.txt       the command-line echo once per run, one line per
//                           module, the module total
//   <base>_motif<k>.txt     per motif k = 1..K: a heading once per run, two
//                           lines per site, the site total
//   <base>_modules.bed      with --bed: one BED line per module
//   <base>_sites.bed        with --bed: one BED line per site
//   <base>_records.tsv      with --summary: a header line when the file is
//                           new, then one line per record
//
// All of them are appended to, so a later run with the same base name adds
// to what earlier runs left. The writer checks them all before the first
// record, holds them open for the whole run, and writes each record's
// lines to each file with one write, so a record is never half in a file
// while the run goes on. It is the only code that formats result lines.
// Stored texts (the command-line echo, sequence names, site bases) go out
// byte for byte: a '%' in a name never reaches a format string.
//
// BED lines are 0-based with the end excluded. A module ends at start + the
// window length its record's scan used (the module file's interval end); a
// site at start + its motif's width. Scores are printed as the module and
// motif files print them (%.6f). Module names run module1, module2, ...
// through the run. Within one record the site lines are ordered by start
// (motif number, then position order, on ties). The BED sequence name is
// the first word of the FASTA header (BedSequenceName).
#pragma once

#include <csignal>

#include <string>
#include <string_view>
#include <vector>

#include "scanner/results/Results.h"

std::string ModuleFileName(const std::string& base);            // base + "_module.txt"
std::string MotifFileName(const std::string& base, int motif);  // base + "_motif<k>.txt", k = 1..K
std::string ModulesBedFileName(const std::string& base);        // base + "_modules.bed"
std::string SitesBedFileName(const std::string& base);          // base + "_sites.bed"
std::string RecordsFileName(const std::string& base);           // base + "_records.tsv"

// The header line of the records file.
extern const char* const kRecordsHeader;
// A p- or q-value as the result files print it (six significant digits).
std::string PValueText(double p);

// A module's site string: one piece per site in position order, "+%d(%d)"
// for a forward-strand site and "-%d(%d)" for a reverse-strand one, with the
// motif number (1..K) and the site's start; "NULL" when there is none.
std::string SiteString(const std::vector<SITEINFO>& sites);

// The BED sequence name of a FASTA header line ('>' included): its first
// word after '>' and any blanks ("unnamed" when there is none). A word of
// the form chrom:start-end, as bedtools getfasta names an interval, with
// whole-number start and end, stands for that interval of chrom: the BED
// lines then name chrom and carry genomic coordinates (positions shifted by
// start).
struct BEDNAME {
    std::string chrom;     // the BED sequence name
    long long offset = 0;  // where the record starts on chrom (0-based)
    long long end = 0;     // where it ends (exclusive), for a minus-strand record
    bool minus = false;    // the record is the reverse complement of chrom's interval

    // The interval on chrom of `length` bases from record position pos, and
    // a strand on the record ('+', '-' or '.') as it is on chrom.
    long long Start(long long pos, long long length) const { return minus ? end - pos - length : offset + pos; }
    char Strand(char strand) const { return !minus || strand == '.' ? strand : strand == '+' ? '-' : '+'; }
};
// The BED sequence name and coordinates of a record from its header: the
// first word, without the '>'. Read as an interval of a genome sequence when
// it is one of
//   chrom:start-end           bedtools getfasta (0-based, end exclusive)
//   name::chrom:start-end     getfasta -name
//   chrom:start-end(+), (-)   getfasta -s; (-) is the reverse complement
// and, with oneBased, the samtools faidx form chrom:start-end (1-based, end
// inclusive). Anything else is a sequence name with positions from 0.
BEDNAME BedSequenceName(std::string_view header, bool oneBased = false);

// An input file of the run, by identity: a result file that is the same
// file (through a link or a symlink) would be read while it grows, or
// spoilt by the results.
struct INPUTID {
    std::string label;  // "sequence file 'x.fa'", for the message
    unsigned long long device = 0;
    unsigned long long inode = 0;
};
// The identity of the file at path ("-": standard input); false when there
// is none to compare.
bool InputIdentity(const std::string& path, bool dashIsStdin, std::string label, INPUTID* id);

// An output path a run may write: none there yet, or a regular file that
// is none of the inputs (through a link or not). False with *error set
// otherwise: "cannot write <kind> 'x': ...", or "<input> is also the <kind>
// 'x': choose another <option>".
bool OutputPathUsable(const std::string& path, const std::string& kind, const std::string& option,
                      const std::vector<INPUTID>& inputs, std::string* error);

// Held by the writing thread while it starts other threads: they are born
// with the signals that cut the result files back blocked (a thread takes
// its creator's mask), so those signals are handled by the writing thread
// alone and a cut-back never races a write still under way. Blocking them
// in the new thread itself would leave a moment after its start in which a
// signal could land there. The thread's own mask comes back at the end of
// the scope; a signal that came meanwhile is handled then.
class CCutBackSignalsHeldOff {
public:
    CCutBackSignalsHeldOff();
    ~CCutBackSignalsHeldOff();
    CCutBackSignalsHeldOff(const CCutBackSignalsHeldOff&) = delete;
    CCutBackSignalsHeldOff& operator=(const CCutBackSignalsHeldOff&) = delete;

private:
    sigset_t m_before;
};

class CResultWriter {
public:
    // commandLine: every word typed, each followed by one blank; it goes
    // under the banner at the top of the module file.
    // overwrite: the run's files replace the result files when it succeeds
    // (they are written beside them and renamed over them at Close), and
    // leave them untouched when it fails.
    CResultWriter(std::string base, std::vector<int> widths, bool bed, std::string commandLine, bool overwrite = false);
    ~CResultWriter();
    CResultWriter(const CResultWriter&) = delete;
    CResultWriter& operator=(const CResultWriter&) = delete;

    // What the BED files call the motifs (one label per motif, in matrix
    // order; blanks become '_'; an empty label becomes motif<k>), and
    // whether interval names are 1-based (samtools faidx). Before Open.
    void SetBedNames(std::vector<std::string> labels, bool oneBased);
    // A records file too, and whether the records come with null scores
    // (p-values in it, in the modules BED file). Before Open. With null
    // scores the records file's lines wait for the end of the run: their
    // q-values are taken over every record of it.
    void SetSummary(bool summary, bool nulls);

    // Opens every result file for appending and notes its size. Refused,
    // before anything is created: a result path that exists but is not a
    // regular file (a FIFO would block the run for ever), and one that is
    // one of the inputs. The module file is locked for the whole run; a
    // second run on the same base name fails at once instead of tearing
    // the first one's lines or cutting them away. From here until Close or
    // CutBack, SIGINT, SIGTERM, SIGHUP and SIGPIPE cut every result file
    // back to its size before the run and then end the process by the same
    // signal; SIGXFSZ is ignored, so that a file-size limit is a write
    // error. On failure *error names the file and the reason, and every
    // file this call created is removed again.
    bool Open(const std::vector<INPUTID>& inputs, std::string* error);
    // After Open: the result files that already held something, which
    // this run appends to (none with overwrite).
    std::vector<std::string> FilesWithContent() const;
    // A record's lines (with the headings before the first record).
    bool WriteRecord(const RECORDRESULT& record, std::string* error);
    // The record's line of the records file, without its q-value and line
    // end; *p is set to its best window's p-value (NaN without one).
    std::string RecordLine(const RECORDRESULT& record, double* p) const;
    // The run totals.
    bool WriteSummary(const RUNTOTALS& totals, std::string* error);
    // Closes the files; false if closing reports an error.
    bool Close(std::string* error);
    // Takes the run's lines back out after a failure: each file is cut back
    // to its size before the run, and a file the run created is removed,
    // so that no partial results look like a finished run. Returns what
    // could not be restored ("" when everything was).
    std::string CutBack();

private:
    struct RESULTFILE {
        std::string name;
        int fd = -1;
        long long sizeBefore = -1;  // -1: created by this run; -2: another run's, left alone
        std::string target;         // with overwrite: the result file this one replaces at Close
    };
    bool Append(RESULTFILE& file, std::string_view text, std::string* error);
    bool OpenFile(RESULTFILE& file, std::string* error);
    void CloseAll();
    static void OnSignal(int signal);

    struct HELDLINE {
        std::string text;  // up to the q-value
        double p;          // NaN: no p-value, no q-value
        std::string note;
    };

    std::string m_base;
    std::vector<int> m_widths;
    std::string m_commandLine;
    std::vector<std::string> m_labels;  // the motifs in the BED files
    std::vector<RESULTFILE> m_files;    // module file, K motif files, the two BED files, the records file
    std::size_t m_recordsFile = 0;      // its index in m_files, with a summary
    std::vector<HELDLINE> m_held;       // records-file lines waiting for their q-values
    RESULTFILE m_lock;                  // with overwrite: the module file, held for its lock only
    long long m_bedModuleNumber = 0;    // module lines in the modules BED file so far
    bool m_bed;
    bool m_overwrite;
    bool m_oneBased = false;
    bool m_summary = false;
    bool m_nulls = false;
    bool m_recordsHeaderDue = false;  // the records file was empty at Open
    bool m_headingsWritten = false;
};
