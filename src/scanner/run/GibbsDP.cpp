// The run driver: the model from the matrices and the options, then every
// FASTA record in turn, then the run totals.
#include <chrono>
#include <climits>
#include <cstdio>
#include <new>
#include <string>
#include <utility>

#include "scanner/read/FastaReader.h"
#include "scanner/read/MatrixReader.h"
#include "scanner/run/GibbsDP.h"
#include "scanner/run/RecordPool.h"
#include "scanner/write/ResultWriter.h"
#include "scanner/write/SvgPicture.h"
#include "support/Cores.h"
#include "support/InputSource.h"
#include "support/LineReader.h"
#include "support/Messages.h"
#include "support/WholeFile.h"

namespace {

// where: "sequence file '<path>'" (or its standard-input form).
std::string TooShortWarning(const std::string& where, const FASTARECORD& record)
{
    const auto n = static_cast<std::size_t>(record.letters.GetLength());
    if (!record.named) {
        if (n == 0)
            return where + " holds no sequence: nothing to scan";
        return where + " has no '>' header and 1 letter: too short to scan (at least 2 needed)";
    }
    return where + ", line " + std::to_string(record.line) + ": record " + QuoteForMessage(record.name) + " has " +
           std::to_string(n) + (n == 1 ? " base" : " bases") + ": too short to scan (at least 2 needed)";
}

std::string RecordLabel(const std::string& name)
{
    return name.empty() ? std::string("without a header") : QuoteForMessage(name);
}

std::string Plural(long long n, const char* one, const char* many)
{
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

}  // namespace

std::string CGibbsDP::RunReport(const RUNTOTALS& totals, long long records, long long bases,
                                std::chrono::steady_clock::duration took) const
{
    const std::string& base = m_settings.outFile.str();
    std::string sites;
    for (std::size_t j = 0; j < totals.sites.size(); ++j)
        sites += (j > 0 ? "/" : "") + std::to_string(totals.sites[j]);
    char seconds[32];
    (void)std::snprintf(seconds, sizeof seconds, "%.2f s", std::chrono::duration<double>(took).count());
    const auto K = static_cast<int>(totals.sites.size());
    std::string files = ModuleFileName(base) + ", " + MotifFileName(base, 1);
    if (K > 1)
        files += (K > 2 ? " to " : ", ") + MotifFileName(base, K);
    if (m_settings.bedOutput)
        files += ", " + ModulesBedFileName(base) + ", " + SitesBedFileName(base);
    if (m_settings.RecordsFile())
        files += ", " + RecordsFileName(base);
    // The motifs once, by number, name and ID, where the file gives them.
    std::string motifs;
    for (std::size_t j = 0; j < m_labels.size(); ++j) {
        if (m_labels[j].empty())
            continue;
        motifs += (motifs.empty() ? "; motifs " : ", ") + std::to_string(j + 1) + " " + m_labels[j];
        if (j < m_ids.size() && !m_ids[j].empty() && m_ids[j] != m_labels[j])
            motifs += " (" + m_ids[j] + ")";
    }
    std::string nulls;
    if (m_settings.nulls > 0)
        nulls = ", p-values from " + Plural(m_settings.nulls, "null sequence", "null sequences") +
                " per record (seed " + std::to_string(m_settings.seed) + ")";
    const std::string background =
        m_background ? ", background " + m_background->Description() + " for every record" : std::string();
    return "done: " + Plural(records, "record", "records") + ", " + Plural(bases, "base", "bases") + ", " +
           Plural(totals.modules, "module", "modules") + ", sites per motif " + sites + nulls + background + ", " +
           seconds + "; " + (m_settings.overwrite ? "written to " : "appended to ") + files + motifs +
           NotOfThisRun("; ", ", ") +
           (totals.modules == 0 && records > 0
                ? "; no module found: a higher -x lowers the bar, and --summary ranks every record by its best "
                  "window score"
                : "");
}

std::string CGibbsDP::NotOfThisRun(const std::string& before, const std::string& between) const
{
    if (m_others.empty())
        return {};
    std::string text = before + "not of this run: ";
    for (std::size_t i = 0; i < m_others.size(); ++i)
        text += (i > 0 ? between : "") + m_others[i];
    return text;
}

bool BackgroundWeightLeft(int motifNum, int moduleLength) { return 1 - 0.8 * motifNum / moduleLength > 0; }

CGibbsDP::CGibbsDP(RUNSETTINGS settings) : m_settings(std::move(settings)) {}

bool CGibbsDP::ModuleScan(CConsole& console)
{
    // Memory running out anywhere (a record too large for the machine, a
    // gzip bomb) is one message, with every result file cut back.
    try {
        return Run(console);
    } catch (const std::bad_alloc& e) {
        const auto* text = dynamic_cast<const CTextTooLarge*>(&e);
        m_error = "out of memory " + m_doing +
                  (text ? ": " + std::to_string(text->Bytes()) + " bytes could not be held" : std::string());
        if (m_writer)
            m_error += m_writer->CutBack();
        return false;
    }
}

bool CGibbsDP::Run(CConsole& console)
{
    const auto started = std::chrono::steady_clock::now();
    std::optional<SCANMODEL> model;
    if (!ReadModel(&model))
        return false;
    const std::string path = m_settings.seqFile.str();
    std::string why;
    // "-" is standard input; gzip data is decompressed on the fly.
    auto source = OpenInput(path, true, &why);
    if (!source) {
        m_error = "cannot open sequence file " + InputLabel(path, true) + ": " + why;
        return false;
    }
    if (!OpenOutputs(*model, console))
        return false;
    CLineReader lines(std::move(source));
    RUNTOTALS totals(model->motifNum);
    long long records = 0;
    long long bases = 0;
    if (!ScanRecords(*model, lines, console, &totals, &records, &bases) || !FinishOutputs(totals, console)) {
        m_error += m_writer->CutBack();
        return false;
    }
    console.Finish();
    console.Note(RunReport(totals, records, bases, std::chrono::steady_clock::now() - started));
    return true;
}

bool CGibbsDP::ReadModel(std::optional<SCANMODEL>* model)
{
    const RUNSETTINGS& s = m_settings;
    m_doing = "while reading matrix file " + QuotePath(s.pwmFile.view());
    MATRIXSET matrices;
    const bool picking = !s.motifs.empty();
    if (!ReadMatrixFile(s.pwmFile.str(), s.motifNumGiven && !picking ? s.motifNum : 0, &matrices, &m_error))
        return false;
    if (picking) {
        if (!SelectMatrices(&matrices, s.motifs, s.pwmFile.str(), &m_error))
            return false;
        if (s.motifNumGiven && s.motifNum != static_cast<int>(s.motifs.size())) {
            m_error = "-K " + std::to_string(s.motifNum) + " does not match the " + std::to_string(s.motifs.size()) +
                      " matrices --motifs names";
            return false;
        }
    }
    for (std::size_t j = 0; j < matrices.matrices.size(); ++j) {
        const std::string id = j < matrices.ids.size() ? matrices.ids[j] : std::string();
        const std::string name = j < matrices.names.size() ? matrices.names[j] : std::string();
        m_labels.push_back(name.empty() ? id : name);
        m_ids.push_back(id);
    }
    // Without -K the file says how many factors there are.
    const int motifNum = static_cast<int>(matrices.matrices.size());
    if ((!s.motifNumGiven || picking) && !BackgroundWeightLeft(motifNum, s.moduleLength)) {
        m_error =
            (picking ? std::string("--motifs picks ") : "matrix file " + QuotePath(s.pwmFile.view()) + " holds ") +
            std::to_string(motifNum) + " matrices: with -L " + std::to_string(s.moduleLength) +
            " they leave no weight for background bases (0.8 * K must be below L): use a longer -L or " +
            (picking ? "fewer motifs" : "pick fewer with --motifs");
        return false;
    }
    model->emplace(MakeScanModel(std::move(matrices.widths), std::move(matrices.matrices), s.moduleLength,
                                 s.bothStrands != 0, s.moduleRate));
    (*model)->bestWindow = s.RecordsFile();
    if (!s.background.empty()) {
        m_doing = "while reading the background model";
        m_background.emplace();
        if (!LoadBackground(s.background, s.seqFile.str(), &*m_background, &m_error))
            return false;
        (*model)->sharedBackground = m_background->model;
    }
    return true;
}

bool CGibbsDP::OpenOutputs(const SCANMODEL& model, CConsole& console)
{
    // Both inputs are open and the matrices are good: make sure every result
    // file can be written, and is none of the inputs, before the first line
    // goes into any of them.
    const RUNSETTINGS& s = m_settings;
    const std::string path = s.seqFile.str();
    std::vector<INPUTID> inputs;
    INPUTID id;
    if (InputIdentity(path, true, "sequence file " + InputLabel(path, true), &id))
        inputs.push_back(id);
    if (InputIdentity(s.pwmFile.str(), false, "matrix file " + QuotePath(s.pwmFile.view()), &id))
        inputs.push_back(id);
    const bool backgroundFile = m_background && s.background != kPooledBackground;
    if (backgroundFile && InputIdentity(s.background, true, "background file " + InputLabel(s.background, true), &id))
        inputs.push_back(id);
    m_writer.emplace(s.outFile.str(), model.widths, s.bedOutput, s.cmdLine.str(), s.overwrite);
    CResultWriter& writer = *m_writer;
    if (m_background)
        writer.SetBackground(m_background->Description());
    writer.SetBedNames(m_labels, s.oneBased);
    writer.SetSummary(s.RecordsFile(), s.nulls > 0);
    writer.SetModuleLength(s.moduleLength);
    // The picture is written whole at the end, but it is one of the run's
    // files: a path it cannot take is found out now.
    writer.SetPicture(s.svgFile.str());
    if (!writer.Open(inputs, &m_error))
        return false;
    if (!s.svgFile.str().empty())
        m_picture.emplace(m_labels, model.widths);
    // Result files of the base name that this run does not write (more
    // motifs, BED or records files of an earlier run) would read as one
    // set with the new ones. They may hold hours of work: they are named,
    // never removed.
    if (s.overwrite) {
        m_others = writer.FilesNotOfThisRun();
        if (!m_others.empty())
            console.Warning(
                std::string(m_others.size() == 1 ? "result file " : "result files ") + QuotePath(m_others.front()) +
                (m_others.size() > 1 ? " and " + std::to_string(m_others.size() - 1) + " more" : "") +
                " of the base name " + (m_others.size() == 1 ? "is" : "are") + " not of this run: --overwrite leaves " +
                (m_others.size() == 1 ? "it" : "them") + " as " + (m_others.size() == 1 ? "it is" : "they are"));
    }
    // Appending is the tool's way, but a second run on the same base name
    // is easily a mistake: say so.
    const std::vector<std::string> held = writer.FilesWithContent();
    if (!held.empty())
        console.Warning(std::string(held.size() == 1 ? "result file " : "result files ") + QuotePath(held.front()) +
                        (held.size() > 1 ? " and " + std::to_string(held.size() - 1) + " more" : std::string()) +
                        (held.size() == 1 ? " already holds" : " already hold") +
                        " results: this run adds its own after them (--overwrite starts afresh)");
    return true;
}

std::unique_ptr<RECORDJOB> CGibbsDP::MakeJob(FASTARECORD& record, const std::string& where) const
{
    const std::string at = where + ", line " + std::to_string(record.line) + ": ";
    auto job = std::make_unique<RECORDJOB>();
    if (record.ignored > 0)
        job->warnings.push_back(where + ", line " + std::to_string(record.ignoredLine) + ": " +
                                std::to_string(record.ignored) + (record.ignored == 1 ? " character" : " characters") +
                                " after the letters of the line ignored (record " + RecordLabel(record.name) + ")");
    if (record.letters.GetLength() < 2)
        job->warnings.push_back(TooShortWarning(where, record));
    const std::size_t other = OtherLetters(record.letters.view());
    if (other * 2 > static_cast<std::size_t>(record.letters.GetLength()))
        job->warnings.push_back(at + "record " + RecordLabel(record.name) + " has " + std::to_string(other) + " of " +
                                std::to_string(record.letters.GetLength()) +
                                " letters other than A, C, G, T and N: a protein sequence? The scan "
                                "reads them as A");
    job->label = "record " + RecordLabel(record.name) + " of " + where + " (" +
                 std::to_string(record.letters.GetLength()) + " bases)";
    job->name = std::move(record.name);
    job->letters = std::move(record.letters);
    return job;
}

bool CGibbsDP::ScanRecords(const SCANMODEL& model, CLineReader& lines, CConsole& console, RUNTOTALS* totals,
                           long long* records, long long* bases)
{
    const RUNSETTINGS& s = m_settings;
    CFastaReader fasta(lines);
    const std::string where = "sequence file " + InputLabel(s.seqFile.str(), true);
    // Records are written in input order, each with the warnings found
    // while reading it, whichever thread scanned it and when.
    auto write = [&](RECORDJOB& job) {
        for (const std::string& warning : job.warnings)
            console.Warning(warning);
        if (!job.failure.empty()) {
            m_error = job.failure;
            return false;
        }
        if (job.result.unscorable)
            console.Warning(where + ": record " + RecordLabel(job.result.name) +
                            " not scanned: " + (m_background ? "the background model" : "its background model") +
                            " gives one of its bases probability 0");
        totals->Add(job.result);
        if (!m_writer->WriteRecord(job.result, &m_error))
            return false;
        if (const std::string warning = m_writer->TakeWarning(); !warning.empty())
            console.Warning(where + ": " + warning);
        if (m_picture)
            m_picture->Add(job.result);
        console.RecordDone();
        // An input without a header or a letter holds no record: its
        // files get their headings, but the report counts none.
        if (!job.result.name.empty() || job.result.length > 0)
            ++*records;
        *bases += job.result.length;
        return true;
    };
    CRecordPool pool(
        model, s.threads > 0 ? s.threads : UsableCores(),
        [&console](long long scanned, long long nullScans) {
            if (scanned > 0)
                console.Bases(scanned);
            if (nullScans > 0)
                console.NullScansDone(nullScans);
        },
        NULLSETTINGS {s.nulls, s.seed});
    // A reading error comes after the records before it, as with one
    // thread: those are scanned and written (and then cut back) first.
    auto failAfterEarlierRecords = [&](std::string text) {
        while (const auto job = pool.Next())
            if (!write(*job))
                return false;
        m_error = std::move(text);
        return false;
    };
    while (!fasta.Done()) {
        while (const auto job = pool.WaitForRoom())
            if (!write(*job))
                return false;
        // One record at a time: its letters go to the pool before the next
        // record is gathered, and the pool takes one only when a thread is
        // free for it.
        FASTARECORD record;
        m_doing = "while reading " + where + " from line " + std::to_string(lines.LineNumber() + 1);
        if (!fasta.Next(&record)) {
            if (!fasta.Problem().empty())
                return failAfterEarlierRecords(where + ", " + fasta.Problem());
            break;
        }
        if (lines.Failed())
            return failAfterEarlierRecords("cannot read " + where + ": " + ReadErrorText(lines.Error()));
        if (record.tooLong)
            return failAfterEarlierRecords(where + ", line " + std::to_string(record.line) + ": record " +
                                           QuoteForMessage(record.name) + " is longer than " + std::to_string(INT_MAX) +
                                           " bases");
        pool.Submit(MakeJob(record, where));
    }
    while (const auto job = pool.Next())
        if (!write(*job))
            return false;
    return true;
}

bool CGibbsDP::FinishOutputs(const RUNTOTALS& totals, CConsole& console)
{
    if (!m_writer->WriteSummary(totals, &m_error))
        return false;
    if (m_picture) {
        if (!m_writer->WritePicture(m_picture->Text(), &m_error))
            return false;
        if (m_picture->Left() > 0)
            console.Warning("picture file " + QuotePath(m_settings.svgFile.view()) + " shows the first " +
                            std::to_string(CSvgPicture::kMostRecords) + " records with modules; " +
                            std::to_string(m_picture->Left()) + " more are not drawn");
    }
    return m_writer->Close(&m_error);
}
