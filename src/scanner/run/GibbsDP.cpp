// The run driver: the model from the matrices and the options, then every
// FASTA record in turn, then the run totals.
#include <chrono>
#include <cstdio>
#include <new>
#include <string>
#include <utility>

#include "scanner/read/MatrixReader.h"
#include "scanner/run/GibbsDP.h"
#include "scanner/run/RecordPool.h"
#include "scanner/run/RecordStream.h"
#include "scanner/write/ResultWriter.h"
#include "scanner/write/SvgPicture.h"
#include "support/Cores.h"
#include "support/InputSource.h"
#include "support/Messages.h"
#include "support/WholeFile.h"

namespace {

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
    if (!m_settings.svgFile.str().empty())
        files += ", picture " + m_settings.svgFile.str();
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
    RUNTOTALS totals(model->motifNum);
    long long records = 0;
    long long bases = 0;
    if (!ScanRecords(*model, std::move(source), console, &totals, &records, &bases) ||
        !FinishOutputs(totals, console)) {
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
    // The known regions are read whole now: a malformed line stops the run
    // before any file is written.
    std::vector<BEDREGION> known;
    const bool drawKnown = !s.svgFile.str().empty() && !s.svgBed.empty();
    if (drawKnown) {
        if (!ReadBedRegions(s.svgBed, &known, &m_error))
            return false;
        if (InputIdentity(s.svgBed, false, "regions file " + QuotePath(s.svgBed), &id))
            inputs.push_back(id);
    }
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
    if (!s.svgFile.str().empty()) {
        m_picture.emplace(m_labels, model.widths, s.oneBased);
        if (s.svgRegion)
            m_picture->SetRegion(*s.svgRegion);
        if (drawKnown) {
            const std::size_t slash = s.svgBed.find_last_of('/');
            m_picture->SetKnown(std::move(known), slash == std::string::npos ? s.svgBed : s.svgBed.substr(slash + 1));
        }
    }
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

bool CGibbsDP::ScanRecords(const SCANMODEL& model, std::unique_ptr<CByteSource> source, CConsole& console,
                           RUNTOTALS* totals, long long* records, long long* bases)
{
    const RUNSETTINGS& s = m_settings;
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
    CRecordStream stream(
        model, std::move(source), where, s.threads > 0 ? s.threads : UsableCores(),
        [&console](long long scanned, long long nullScans) {
            if (scanned > 0)
                console.Bases(scanned);
            if (nullScans > 0)
                console.NullScansDone(nullScans);
        },
        NULLSETTINGS {s.nulls, s.seed}, &m_doing);
    while (const auto job = stream.Next())
        if (!write(*job))
            return false;
    m_error = stream.Error();
    return m_error.empty();
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
