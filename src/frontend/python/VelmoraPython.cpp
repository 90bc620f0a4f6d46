// The Python module velmora._velmora: matrices, a scanner with the run's
// settings, and records scanned one at a time, each exactly as the command
// line scans it. The settings go through the command line's own parser
// and checks, the records through the same FASTA reader, thread pool and
// scan, so a notebook gets the numbers the result files hold, and the same
// messages (as ValueError) for the same mistakes. The pure-Python part of
// the package (python/velmora/__init__.py) adds the DataFrames.
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "frontend/VelmoraU.h"
#include "scanner/read/MatrixFormat.h"
#include "scanner/read/MatrixReader.h"
#include "scanner/results/Significance.h"
#include "scanner/run/RecordStream.h"
#include "scanner/run/SharedBackground.h"
#include "scanner/scan/ScanModel.h"
#include "scanner/write/BedName.h"
#include "scanner/write/ResultFormat.h"
#include "support/Cores.h"
#include "support/InputSource.h"

namespace py = pybind11;

namespace {

// ---------------------------------------------------------------------------
// Matrices

// Width rows of four from a matrix's flat layout.
std::vector<std::vector<double>> RowsOf(const Matrix& matrix)
{
    std::vector<std::vector<double>> rows;
    rows.reserve(matrix.size() / 4);
    for (std::size_t at = 0; at + 4 <= matrix.size(); at += 4)
        rows.emplace_back(matrix.begin() + static_cast<std::ptrdiff_t>(at),
                          matrix.begin() + static_cast<std::ptrdiff_t>(at + 4));
    return rows;
}

struct PYMATRIX {
    std::string id;
    std::string name;
    int width = 0;
    Matrix counts;         // as given or read, width x 4
    Matrix probabilities;  // normalised as every matrix file's are
};

PYMATRIX MakeMatrix(const std::vector<std::vector<double>>& rows, std::string name, std::string id)
{
    if (rows.empty() || rows.size() > static_cast<std::size_t>(kMaxMotifWidth))
        throw py::value_error("a matrix needs 1 to " + std::to_string(kMaxMotifWidth) + " rows, got " +
                              std::to_string(rows.size()));
    PYMATRIX m;
    m.id = std::move(id);
    m.name = std::move(name);
    m.width = static_cast<int>(rows.size());
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const std::string row = "row " + std::to_string(r + 1);
        if (rows[r].size() != 4)
            throw py::value_error(row + " has " + std::to_string(rows[r].size()) +
                                  " numbers: a row needs four, for A, C, G and T");
        for (const double v : rows[r]) {
            if (!std::isfinite(v))
                throw py::value_error(row + " holds a number that is not finite");
            if (v < 0)
                throw py::value_error(row + " holds a negative number; counts and frequencies cannot be");
            m.counts.push_back(v);
        }
    }
    int bad = 0;
    std::string problem;
    if (!NormaliseMatrix(m.counts, m.width, &m.probabilities, &bad, &problem, "row"))
        throw py::value_error(problem);
    return m;
}

std::vector<PYMATRIX> ReadMatrices(const std::string& path, const std::optional<std::vector<std::string>>& motifs)
{
    MATRIXSET set;
    std::string error;
    {
        const py::gil_scoped_release released;
        if (!ReadMatrixFile(path, 0, &set, &error) ||
            (motifs && !motifs->empty() && !SelectMatrices(&set, *motifs, path, &error)))
            set.matrices.clear();
    }
    if (!error.empty())
        throw py::value_error(error);
    std::vector<PYMATRIX> matrices;
    for (std::size_t k = 0; k < set.matrices.size(); ++k)
        matrices.push_back(
            PYMATRIX {set.ids[k], set.names[k], set.widths[k], std::move(set.counts[k]), std::move(set.matrices[k])});
    return matrices;
}

// ---------------------------------------------------------------------------
// Results

struct PYSITE {
    int motif = 0;  // 1-based
    std::string name;
    char strand = '+';
    int start = 0;
    int end = 0;
    double probability = 0.0;
    std::string bases;
};

struct PYMODULE {
    int start = 0;
    int end = 0;
    double score = 0.0;
    std::vector<PYSITE> sites;
    std::string siteString;
    py::object p = py::none();
    py::object e = py::none();
};

// What a record's lines in the result files are made from, kept so that
// the DataFrames are those files' columns to the digit.
struct RECORDLINES {
    RECORDRESULT result;
    std::vector<int> widths;
    std::vector<std::string> labels;
    int moduleLength = 0;
};

struct PYRECORD {
    std::string name;         // the header's first word, as the result files name the record
    std::string description;  // the rest of the header
    std::string header;       // the whole header line, '>' included
    int length = 0;
    long long scannedBases = 0;
    bool scanned = false;
    std::vector<PYMODULE> modules;
    py::object bestModule = py::none();
    py::object bestModuleE = py::none();
    py::object bestWindow = py::none();
    py::object p = py::none();
    py::object pGumbel = py::none();
    int nulls = 0;
    std::string note;
    std::shared_ptr<const RECORDLINES> lines;
};

py::object Number(double v) { return std::isnan(v) ? py::object(py::none()) : py::object(py::float_(v)); }

PYRECORD ToPython(RECORDRESULT result, const std::vector<int>& widths, const std::vector<std::string>& labels,
                  int moduleLength)
{
    PYRECORD r;
    r.header = result.name;
    RECORDNAME name = SplitRecordName(result.name);
    r.name = std::move(name.name);
    r.description = std::move(name.description);
    r.length = result.length;
    r.scannedBases = result.scannedBases;
    r.scanned = result.scanned;
    r.nulls = static_cast<int>(result.nullScores.size());
    const RECORDSIGNIFICANCE s = RecordSignificance(result, widths, moduleLength);
    r.bestModule = Number(s.bestModule);
    r.bestModuleE = Number(s.bestModuleE);
    r.bestWindow = result.scanned ? Number(result.bestWindow) : py::none();
    r.p = Number(s.empirical);
    r.pGumbel = Number(s.fitted);
    r.note = s.note;
    for (const MODULEINFO& module : result.modules) {
        PYMODULE m;
        m.start = module.start;
        m.end = module.start + result.window;
        m.score = module.score;
        m.siteString = SiteString(module.sites);
        if (!result.nullScores.empty()) {
            m.p = py::float_(EmpiricalP(result.nullScores, module.score));
            m.e = py::float_(EValue(result.nullModuleScores, r.nulls, module.score));
        }
        for (const SITEINFO& site : module.sites) {
            const auto j = static_cast<std::size_t>(site.motif);
            m.sites.push_back(PYSITE {site.motif + 1, j < labels.size() ? labels[j] : std::string(),
                                      site.forward ? '+' : '-', site.pos,
                                      site.pos + (j < widths.size() ? widths[j] : 0), site.prob, site.site});
        }
        r.modules.push_back(std::move(m));
    }
    auto lines = std::make_shared<RECORDLINES>();
    lines->result = std::move(result);
    lines->widths = widths;
    lines->labels = labels;
    lines->moduleLength = moduleLength;
    r.lines = std::move(lines);
    return r;
}

// The record's lines of the modules BED, sites BED and records files (the
// last without its q-value), module names going on from *number.
py::tuple ResultLines(const PYRECORD& record, long long number, bool oneBased)
{
    const RECORDLINES& l = *record.lines;
    bool misfit = false;
    const BEDNAME name = RecordBedName(l.result.name, l.result.length, oneBased, &misfit);
    const BEDMOTIFS motifs = MakeBedMotifs(l.labels, l.widths);
    const bool withP = !l.result.nullScores.empty();
    std::string modules = BedModuleLines(l.result, name, motifs, withP, &number);
    std::string sites = BedSiteLines(l.result, name, motifs);
    double p = 0.0;
    std::string note;
    std::string line = RecordLine(l.result, l.widths, l.moduleLength, &p, &note);
    return py::make_tuple(modules, sites, line, Number(p), note, number);
}

// ---------------------------------------------------------------------------
// Scanning

// A scan in C++ with the GIL released still answers Ctrl-C: the driver's
// progress callback looks at Python's signals now and then, and a
// KeyboardInterrupt (or any exception a signal handler raises) abandons
// the scan. The pool's destructor stops its threads.
struct CInterrupted {};

class CSignalWatch {
public:
    void operator()(long long, long long)
    {
        const auto now = std::chrono::steady_clock::now();
        if (now - m_last < std::chrono::milliseconds(100))
            return;
        m_last = now;
        const py::gil_scoped_acquire held;
        if (PyErr_CheckSignals() != 0)
            throw CInterrupted {};
    }

private:
    std::chrono::steady_clock::time_point m_last = std::chrono::steady_clock::now();
};

struct SCANSETTINGS {
    std::vector<PYMATRIX> matrices;
    int moduleLength = 200;
    double rate = 0.0005;
    bool bothStrands = true;
    int threads = 0;
    std::string background;  // "" for each record's own
};

// The command line the settings stand for, read by the tool's own parser
// and checked by its own rules: the same messages for the same mistakes.
INPUTPARAMETER CheckedParameters(std::vector<std::string> words)
{
    words.insert(words.begin(), "Velmora");
    std::vector<char*> argv;
    argv.reserve(words.size());
    for (std::string& word : words)
        argv.push_back(word.data());
    INPUTPARAMETER param;
    std::string error;
    if (!ParseInputParam(&param, static_cast<int>(argv.size()), argv.data(), &error))
        throw py::value_error(error);
    if (const auto problem = ValidateParam(param))
        throw py::value_error(problem->classic ? problem->rule : problem->text);
    return param;
}

std::string DoubleText(double v)
{
    char text[40];
    (void)std::snprintf(text, sizeof text, "%.17g", v);
    return text;
}

class CPyScanner;

// The records of one FASTA source, scanned on the scanner's threads and
// handed out in input order; its model is its own (a pooled background is
// the source's).
class CPyRecords {
public:
    CPyRecords(const CPyScanner& scanner, SCANMODEL model, std::unique_ptr<CByteSource> source,
               const std::string& where, int threads, NULLSETTINGS nulls);

    PYRECORD Next();
    // Every record left, without scanning them: the threads stop.
    void Close() { m_stream.reset(); }

private:
    const std::vector<int> m_widths;
    const std::vector<std::string> m_labels;
    const int m_moduleLength;
    SCANMODEL m_model;  // before the stream, which reads it
    std::unique_ptr<CRecordStream> m_stream;
};

class CPyScanner {
public:
    CPyScanner(std::vector<PYMATRIX> matrices, const py::object& L, const py::object& rate, bool bothStrands,
               const py::object& threads, const py::object& background)
    {
        if (matrices.empty())
            throw py::value_error("a scanner needs at least one matrix");
        std::vector<std::string> words = {"-i", "-", "-M", "-", "-K", std::to_string(matrices.size())};
        const auto add = [&words](const char* option, const py::object& value, const char* what) {
            if (value.is_none())
                return;
            if (!py::isinstance<py::int_>(value) && !py::isinstance<py::float_>(value) &&
                !py::isinstance<py::str>(value))
                throw py::type_error(std::string(what) + " must be a number");
            words.emplace_back(option);
            words.push_back(py::isinstance<py::float_>(value) ? DoubleText(value.cast<double>())
                                                              : py::str(value).cast<std::string>());
        };
        add("-L", L, "L");
        add("-x", rate, "rate");
        add("-t", threads, "threads");
        if (!background.is_none()) {
            words.emplace_back("--background");
            words.push_back(py::str(background).cast<std::string>());
        }
        const INPUTPARAMETER param = CheckedParameters(words);
        m_settings.moduleLength = param.moduleLength;
        m_settings.rate = param.moduleRate;
        m_settings.bothStrands = bothStrands;
        m_settings.threads = param.threads > 0 ? param.threads : UsableCores();
        m_settings.background = param.background;
        std::vector<int> widths;
        MatrixSet probabilities;
        for (const PYMATRIX& m : matrices) {
            widths.push_back(m.width);
            probabilities.push_back(m.probabilities);
            m_labels.push_back(m.name.empty() ? m.id : m.name);
        }
        m_labels = MakeBedMotifs(m_labels, widths).labels;
        m_model =
            MakeScanModel(widths, std::move(probabilities), m_settings.moduleLength, bothStrands, m_settings.rate);
        m_model.bestWindow = true;
        if (!m_settings.background.empty() && m_settings.background != kPooledBackground) {
            std::string error;
            {
                const py::gil_scoped_release released;
                m_shared.emplace();
                if (!LoadBackground(m_settings.background, {}, &*m_shared, &error))
                    m_shared.reset();
            }
            if (!m_shared)
                throw py::value_error(error);
            m_model.sharedBackground = m_shared->model;
        }
        m_settings.matrices = std::move(matrices);
    }

    PYRECORD Scan(const py::object& sequence, const std::string& name, int nulls, const py::object& seed) const
    {
        std::string letters =
            py::isinstance<py::bytes>(sequence) ? sequence.cast<std::string>() : py::str(sequence).cast<std::string>();
        if (name.find_first_of("\r\n") != std::string::npos)
            throw py::value_error("a record's name is one line: " + name);
        // A line starting with '>' would start a second record.
        for (std::size_t at = 0;;) {
            if (at < letters.size() && letters[at] == '>')
                throw py::value_error("the sequence holds a '>' header line: scan() takes one record's bases; "
                                      "scan_fasta() reads FASTA files");
            at = letters.find('\n', at);
            if (at == std::string::npos)
                break;
            ++at;
        }
        const NULLSETTINGS ns = Nulls(nulls, seed);
        // Pooled over one record is that record's own model: the model as it is.
        SCANMODEL model = m_model;
        auto source = std::make_unique<CMemorySource>(">" + name + "\n" + letters + "\n");
        letters = std::string();
        CPyRecords records(*this, std::move(model), std::move(source), "sequence", m_settings.threads, ns);
        return records.Next();
    }

    std::unique_ptr<CPyRecords> ScanFasta(const std::string& path, int nulls, const py::object& seed) const
    {
        const NULLSETTINGS ns = Nulls(nulls, seed);
        SCANMODEL model = m_model;
        std::string error;
        std::unique_ptr<CByteSource> source;
        {
            const py::gil_scoped_release released;
            if (m_settings.background == kPooledBackground) {
                SHAREDBACKGROUND pooled;
                if (LoadBackground(kPooledBackground, path, &pooled, &error))
                    model.sharedBackground = pooled.model;
            }
            if (error.empty()) {
                std::string why;
                source = OpenInput(path, true, &why);
                if (!source)
                    error = "cannot open sequence file " + InputLabel(path, true) + ": " + why;
            }
        }
        if (!error.empty())
            throw py::value_error(error);
        return std::make_unique<CPyRecords>(*this, std::move(model), std::move(source),
                                            "sequence file " + InputLabel(path, true), m_settings.threads, ns);
    }

    const SCANSETTINGS& Settings() const { return m_settings; }
    const std::vector<std::string>& Labels() const { return m_labels; }
    const SCANMODEL& Model() const { return m_model; }

private:
    // --null and --seed as the command line reads them; null 0 is none.
    static NULLSETTINGS Nulls(int nulls, const py::object& seed)
    {
        if (nulls == 0)
            return {};
        const INPUTPARAMETER param = CheckedParameters(
            {"-i", "-", "-M", "-", "--null", std::to_string(nulls), "--seed", py::str(seed).cast<std::string>()});
        return NULLSETTINGS {param.nulls, param.seed};
    }

    SCANSETTINGS m_settings;
    std::vector<std::string> m_labels;
    SCANMODEL m_model;
    std::optional<SHAREDBACKGROUND> m_shared;
};

CPyRecords::CPyRecords(const CPyScanner& scanner, SCANMODEL model, std::unique_ptr<CByteSource> source,
                       const std::string& where, int threads, NULLSETTINGS nulls)
    : m_widths(scanner.Model().widths),
      m_labels(scanner.Labels()),
      m_moduleLength(scanner.Settings().moduleLength),
      m_model(std::move(model)),
      m_stream(std::make_unique<CRecordStream>(m_model, std::move(source), where, threads, CSignalWatch(), nulls))
{}

PYRECORD CPyRecords::Next()
{
    if (!m_stream)
        throw py::stop_iteration();
    std::unique_ptr<RECORDJOB> job;
    bool interrupted = false;
    std::string error;
    {
        const py::gil_scoped_release released;
        try {
            job = m_stream->Next();
            if (!job)
                error = m_stream->Error();
        } catch (const CInterrupted&) {
            interrupted = true;
        } catch (const std::bad_alloc&) {
            error = "out of memory while scanning";
        }
        if (!job || interrupted)
            m_stream.reset();  // the threads stop; nothing more comes
    }
    if (interrupted)
        throw py::error_already_set();
    if (!job) {
        if (!error.empty())
            throw py::value_error(error);
        throw py::stop_iteration();
    }
    if (!job->failure.empty()) {
        m_stream.reset();
        throw std::runtime_error(job->failure);
    }
    if (!job->warnings.empty()) {
        const py::module_ warnings = py::module_::import("warnings");
        for (const std::string& warning : job->warnings)
            warnings.attr("warn")(warning, py::module_::import("builtins").attr("RuntimeWarning"), 2);
    }
    return ToPython(std::move(job->result), m_widths, m_labels, m_moduleLength);
}

std::string SiteRepr(const PYSITE& s)
{
    char text[96];
    (void)std::snprintf(text, sizeof text, "%c%d %.6f", s.strand, s.start, s.probability);
    return "Site(motif=" + std::to_string(s.motif) + " " + s.name + ", " + text + ", " + s.bases + ")";
}

std::string ModuleRepr(const PYMODULE& m)
{
    char text[64];
    (void)std::snprintf(text, sizeof text, "[%d,%d] score %.6f", m.start, m.end, m.score);
    return std::string("Module(") + text + ", " + m.siteString + ")";
}

// Matrix and read_matrices.
void BindMatrices(py::module_& m)
{
    py::class_<PYMATRIX>(m, "Matrix", R"doc(
A position weight matrix: ``width`` rows of counts (or frequencies) for
A, C, G and T.

``Matrix(counts, name="", id="")`` builds one from a width x 4 sequence of
non-negative numbers (a list of lists or a numpy array), normalised as every
matrix file is: each row's four numbers plus 0.0025 of their sum, divided by
1.01 times their sum. A Biopython motif converts in one line::

    velmora.Matrix(list(zip(*(motif.counts[b] for b in "ACGT"))), name=motif.name)
)doc")
        .def(py::init(&MakeMatrix), py::arg("counts"), py::arg("name") = "", py::arg("id") = "")
        .def_readonly("id", &PYMATRIX::id, "The ID the file gives (JASPAR's MA0212.1), or ''.")
        .def_readonly("name", &PYMATRIX::name, "The name the file gives (bcd), or ''.")
        .def_readonly("width", &PYMATRIX::width, "Number of positions.")
        .def_property_readonly(
            "counts", [](const PYMATRIX& p) { return RowsOf(p.counts); },
            "The numbers the matrix was made from: width rows of A, C, G, T.")
        .def_property_readonly(
            "probabilities", [](const PYMATRIX& p) { return RowsOf(p.probabilities); },
            "The rows as the scan uses them: normalised, with the pseudocount.")
        .def("__repr__", [](const PYMATRIX& p) {
            return "Matrix(id=" + py::repr(py::str(p.id)).cast<std::string>() +
                   ", name=" + py::repr(py::str(p.name)).cast<std::string>() + ", width=" + std::to_string(p.width) +
                   ")";
        });

    m.def("read_matrices", &ReadMatrices, py::arg("path"), py::arg("motifs") = py::none(), R"doc(
Reads a matrix file (Velmora's own format, JASPAR, MEME, TRANSFAC or the
simple '>name' format, plain or gzip) into a list of Matrix.

``motifs``: IDs or names to pick, in that order, as ``--motifs`` picks them.
Raises ValueError with the command line's message when the file cannot be
read or a motif is not in it.
)doc");
}

// What a scan gives: Site, Module, Record and the stream of Records.
void BindResults(py::module_& m)
{
    py::class_<PYSITE>(m, "Site", "A binding site inside a module.")
        .def_readonly("motif", &PYSITE::motif, "The motif's number, 1 to K, in the scanner's matrix order.")
        .def_readonly("name", &PYSITE::name, "The motif's name (else its ID, else motif<k>), as the BED files give it.")
        .def_property_readonly(
            "strand", [](const PYSITE& s) { return std::string(1, s.strand); }, "'+' or '-'.")
        .def_readonly("start", &PYSITE::start, "0-based leftmost position on the forward strand.")
        .def_readonly("end", &PYSITE::end, "One past the site's last position.")
        .def_readonly("probability", &PYSITE::probability, "Probability of the traceback step that took the site.")
        .def_readonly("bases", &PYSITE::bases, "The site's bases as read on its own strand.")
        .def("__repr__", &SiteRepr);

    py::class_<PYMODULE>(m, "Module", "A module: a window of L bases (the record's length when shorter).")
        .def_readonly("start", &PYMODULE::start, "0-based first position, as in the module file.")
        .def_readonly("end", &PYMODULE::end, "One past the last position, as in the module file.")
        .def_readonly("score", &PYMODULE::score, "Log-likelihood ratio of the window against background.")
        .def_readonly("sites", &PYMODULE::sites, "The module's sites, by position.")
        .def_readonly("site_string", &PYMODULE::siteString, "The module file's site string, e.g. +1(105)-2(130).")
        .def_readonly("p", &PYMODULE::p, "Empirical p-value against the null best windows (None without nulls).")
        .def_readonly("e", &PYMODULE::e, "E-value: null modules at least as strong per null sequence (None without).")
        .def("__repr__", &ModuleRepr);

    py::class_<PYRECORD>(m, "Record", "One record scanned: its modules and its scores.")
        .def_readonly("name", &PYRECORD::name, "The header's first word, as the result files name the record.")
        .def_readonly("description", &PYRECORD::description, "The rest of the header.")
        .def_readonly("header", &PYRECORD::header, "The header line, '>' included.")
        .def_readonly("length", &PYRECORD::length, "Bases in the record.")
        .def_readonly("scanned_bases", &PYRECORD::scannedBases, "Bases scanned (not N).")
        .def_readonly("scanned", &PYRECORD::scanned, "False for a record too short or not scorable.")
        .def_readonly("modules", &PYRECORD::modules, "Its modules, by position.")
        .def_readonly("best_module", &PYRECORD::bestModule, "The best module's score (None without a module).")
        .def_readonly("best_module_e", &PYRECORD::bestModuleE, "Its E-value (None without nulls).")
        .def_readonly("best_window", &PYRECORD::bestWindow, "The best score of any window (None when not scanned).")
        .def_readonly("p", &PYRECORD::p, "Empirical p-value of the best window (None without nulls).")
        .def_readonly("p_gumbel", &PYRECORD::pGumbel,
                      "p-value of the best window from a Gumbel fit to the null scores (None without nulls).")
        .def_readonly("nulls", &PYRECORD::nulls, "Null sequences scanned for it.")
        .def_readonly("note", &PYRECORD::note, "The records file's note: why it was not scanned, and the like.")
        .def("_lines", &ResultLines, py::arg("number"), py::arg("one_based") = false)
        .def("__repr__", [](const PYRECORD& r) {
            return "Record(" + py::repr(py::str(r.name)).cast<std::string>() + ", length=" + std::to_string(r.length) +
                   ", modules=" + std::to_string(r.modules.size()) + ")";
        });

    py::class_<CPyRecords>(m, "Records", "The records of a FASTA file, scanned and yielded in input order.")
        .def("__iter__", [](CPyRecords& r) -> CPyRecords& { return r; })
        .def("__next__", &CPyRecords::Next)
        .def("close", &CPyRecords::Close, "Stops scanning: the records left are not scanned.");
}

// The Scanner: a run's settings, and its scans.
void BindScanner(py::module_& m)
{
    py::class_<CPyScanner>(m, "Scanner", R"doc(
The settings of a run: the matrices (K = their number), the module length L,
the module rate, the strands, the threads and the background model.
Checked by the command line's rules; a bad value raises ValueError with its
message. ``threads=None`` uses every core the process may run on.
``background``: a FASTA file, a model file of ``Velmora background``, or
'pooled' (the records of the FASTA file scanned; for scan(), the record's
own model), as ``--background`` takes it.
)doc")
        .def(py::init<std::vector<PYMATRIX>, py::object, py::object, bool, py::object, py::object>(),
             py::arg("matrices"), py::arg("L") = 200, py::arg("rate") = 0.0005, py::arg("both_strands") = true,
             py::arg("threads") = py::none(), py::arg("background") = py::none())
        .def("scan", &CPyScanner::Scan, py::arg("sequence"), py::arg("name") = "seq", py::arg("null") = 0,
             py::arg("seed") = 1, R"doc(
Scans one record: ``sequence`` is its bases (str or bytes), read by the
FASTA line rules (each line's leading letters, upper-cased); ``name`` is
its header after the '>'. With ``null`` N, N null sequences give its p- and
E-values (``seed`` as ``--seed``); they are drawn from the seed and the
header, so the same header gives the command line's p-values. Returns a
Record.
)doc")
        .def("scan_fasta", &CPyScanner::ScanFasta, py::arg("path"), py::arg("null") = 0, py::arg("seed") = 1,
             py::keep_alive<0, 1>(), R"doc(
The records of a FASTA file (plain or gzip; '-' is standard input), scanned
on the scanner's threads and yielded in input order; memory holds only the
records being scanned. Returns an iterator of Record.
)doc")
        .def_property_readonly("L", [](const CPyScanner& s) { return s.Settings().moduleLength; })
        .def_property_readonly("rate", [](const CPyScanner& s) { return s.Settings().rate; })
        .def_property_readonly("both_strands", [](const CPyScanner& s) { return s.Settings().bothStrands; })
        .def_property_readonly("threads", [](const CPyScanner& s) { return s.Settings().threads; })
        .def_property_readonly("matrices", [](const CPyScanner& s) { return s.Settings().matrices; })
        .def_property_readonly("background", [](const CPyScanner& s) -> py::object {
            return s.Settings().background.empty() ? py::object(py::none()) : py::str(s.Settings().background);
        });
}

}  // namespace

PYBIND11_MODULE(_velmora, m)
{
    m.doc() = "Velmora: cis-regulatory modules in DNA sequences, as the command line finds them.";
    BindMatrices(m);
    BindResults(m);
    BindScanner(m);
    m.def("benjamini_hochberg", &BenjaminiHochberg, py::arg("p"),
          "Benjamini-Hochberg q-values of p-values, in their order.");
}
