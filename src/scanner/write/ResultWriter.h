// The one writer of a run's result files: it takes each record's result in
// input order and appends its lines to every file, with one write per file,
// so a record is never half in a file while the run goes on. The lines
// come from the formats (ResultFormat.h); the files belong to a file set
// (FileSet.h), which checks, locks and, after a failure or a signal, cuts
// them back.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "scanner/results/Results.h"
#include "scanner/write/FileSet.h"
#include "scanner/write/ResultFormat.h"

// Result files of base that a run (or merge) writing K motif files, BED
// files only with bed and a records file only with records does not write,
// but which exist: an earlier run's, which read as one set with the new ones.
std::vector<std::string> ResultFilesNotWritten(const std::string& base, std::size_t K, bool bed, bool records);

class CResultWriter {
public:
    // commandLine: every word typed, each followed by one blank; it goes
    // under the banner at the top of the module file.
    // overwrite: the run's files replace the result files when it succeeds,
    // and leave them untouched when it fails.
    CResultWriter(std::string base, std::vector<int> widths, bool bed, std::string commandLine, bool overwrite = false);
    CResultWriter(const CResultWriter&) = delete;
    CResultWriter& operator=(const CResultWriter&) = delete;

    // What the BED files call the motifs (one label per motif, in matrix
    // order; see MakeBedMotifs), and whether interval names are 1-based
    // (samtools faidx). Before Open.
    void SetBedNames(std::vector<std::string> labels, bool oneBased);
    // A records file too, and whether the records come with null scores
    // (p-values in it, in the modules BED file). Before Open. With null
    // scores the records file's lines wait for the end of the run: their
    // q-values are taken over every record of it.
    void SetSummary(bool summary, bool nulls);
    // The module length L, against which a record's p-value fit is judged.
    void SetModuleLength(int moduleLength) { m_moduleLength = moduleLength; }
    // A picture file too, written whole with WritePicture. Before Open.
    void SetPicture(std::string path);
    // The one background model every record is scored against, as the
    // module file's echo and the records file name it. Before Open.
    void SetBackground(std::string description) { m_background = std::move(description); }

    // Opens the result files (see CFileSet::Open); on failure *error names
    // the file and the reason, and nothing is left behind.
    bool Open(const std::vector<INPUTID>& inputs, std::string* error);
    // After Open: the result files that already held something, which
    // this run appends to (none with overwrite).
    std::vector<std::string> FilesWithContent() const { return m_files.FilesWithContent(); }
    // After Open: files of the base name that this run does not write
    // (motif files beyond K, BED or records files it was not asked for).
    std::vector<std::string> FilesNotOfThisRun() const;
    // A record's lines (with the headings before the first record).
    bool WriteRecord(const RECORDRESULT& record, std::string* error);
    // A warning about the records written so far, once ("" when there is
    // none): a header that names a genome interval of another length.
    std::string TakeWarning() { return std::exchange(m_warning, {}); }
    // The run totals (and the held records-file lines).
    bool WriteSummary(const RUNTOTALS& totals, std::string* error);
    // The picture's text; it takes its name at Close.
    bool WritePicture(std::string_view text, std::string* error);
    // Closes the files; false if closing reports an error.
    bool Close(std::string* error) { return m_files.Close(error); }
    // Takes the run's lines back out after a failure (CFileSet::CutBack).
    std::string CutBack() { return m_files.CutBack(); }

private:
    bool WriteRecordsLine(const RECORDRESULT& record, std::string* error);
    // False, with *error set, when the records file this run appends to was
    // begun by a run with another background (or none where this run has
    // one, or the other way round).
    bool SameBackgroundAsRecordsFile(std::string* error) const;

    struct HELDLINE {
        std::string text;  // up to the q-value
        double p;          // NaN: no p-value, no q-value
        std::string note;
    };

    std::string m_base;
    std::string m_commandLine;
    std::string m_background;  // shared background model: its description
    BEDMOTIFS m_motifs;        // labels and widths
    CFileSet m_files;          // module file, K motif files, the two BED files, the records file, the picture
    std::size_t m_modulesBed = 0;
    std::size_t m_sitesBed = 0;
    std::size_t m_recordsFile = 0;
    std::size_t m_picture = 0;
    std::string m_picturePath;
    std::vector<HELDLINE> m_held;     // records-file lines waiting for their q-values
    long long m_bedModuleNumber = 0;  // module lines in the modules BED file so far
    int m_moduleLength = 0;
    bool m_bed;
    bool m_oneBased = false;
    bool m_summary = false;
    bool m_nulls = false;
    bool m_open = false;
    bool m_recordsHeaderDue = false;  // the records file was empty at Open
    bool m_headingsWritten = false;
    bool m_misfitTold = false;
    std::string m_warning;
};
