// The run driver: the model from the matrices and the options, then every
// FASTA record in turn, then the run totals.
#include <climits>
#include <cstdlib>
#include <ctime>
#include <new>
#include <string>
#include <utility>

#include "scanner/FastaReader.h"
#include "scanner/GibbsDP.h"
#include "scanner/MatrixReader.h"
#include "scanner/RecordScan.h"
#include "scanner/ResultWriter.h"
#include "support/InputSource.h"
#include "support/LineReader.h"
#include "support/Messages.h"

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

}  // namespace

CGibbsDP::CGibbsDP(RUNSETTINGS settings) : m_settings(std::move(settings)) {}

bool CGibbsDP::ModuleScan(CConsole& console)
{
    // Nothing in the scan draws random numbers; the generator is seeded for
    // the random variates only.
    // NOLINTNEXTLINE(cert-msc32-c,cert-msc51-cpp): only the variates draw from it
    std::srand(static_cast<unsigned>(std::time(nullptr)));
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
    const RUNSETTINGS& s = m_settings;
    m_doing = "while reading matrix file " + QuotePath(s.pwmFile.view());
    MATRIXSET matrices;
    if (!ReadMatrixFile(s.pwmFile.str(), s.motifNum, &matrices, &m_error))
        return false;
    const SCANMODEL model = MakeScanModel(std::move(matrices.widths), std::move(matrices.matrices), s.moduleLength,
                                          s.bothStrands != 0, s.moduleRate);

    const std::string path = s.seqFile.str();
    std::string why;
    // "-" is standard input; gzip data is decompressed on the fly.
    auto source = OpenInput(path, true, &why);
    if (!source) {
        m_error = "cannot open sequence file " + InputLabel(path, true) + ": " + why;
        return false;
    }
    // Both inputs are open and the matrices are good: make sure every result
    // file can be written, and is none of the inputs, before the first line
    // goes into any of them.
    std::vector<INPUTID> inputs;
    INPUTID id;
    if (InputIdentity(path, true, "sequence file " + InputLabel(path, true), &id))
        inputs.push_back(id);
    if (InputIdentity(s.pwmFile.str(), false, "matrix file " + QuotePath(s.pwmFile.view()), &id))
        inputs.push_back(id);
    m_writer.emplace(s.outFile.str(), model.widths, s.bedOutput, s.cmdLine.str());
    CResultWriter& writer = *m_writer;
    if (!writer.Open(inputs, &m_error))
        return false;

    CLineReader lines(std::move(source));
    CFastaReader fasta(lines);
    const std::string where = "sequence file " + InputLabel(path, true);
    // A run that fails part-way leaves every result file as it found it.
    auto fail = [&](std::string text) {
        if (!text.empty())
            m_error = std::move(text);
        m_error += writer.CutBack();
        return false;
    };
    const BasesObserver progress = [&console](long long bases) { console.Bases(bases); };
    RUNTOTALS totals(model.motifNum);
    while (!fasta.Done()) {
        // One record at a time: its letters go before the next record is
        // gathered, so that a file of many records never holds more than
        // one of them.
        FASTARECORD record;
        m_doing = "while reading " + where + " from line " + std::to_string(lines.LineNumber() + 1);
        if (!fasta.Next(&record)) {
            if (!fasta.Problem().empty())
                return fail(where + ", " + fasta.Problem());
            break;
        }
        if (lines.Failed())
            return fail("cannot read " + where + ": " + ReadErrorText(lines.Error()));
        const std::string at = where + ", line " + std::to_string(record.line) + ": ";
        if (record.tooLong)
            return fail(at + "record " + QuoteForMessage(record.name) + " is longer than " + std::to_string(INT_MAX) +
                        " bases");
        if (record.ignored > 0)
            console.Warning(where + ", line " + std::to_string(record.ignoredLine) + ": " +
                            std::to_string(record.ignored) + (record.ignored == 1 ? " character" : " characters") +
                            " after the letters of the line ignored (record " + RecordLabel(record.name) + ")");
        if (record.letters.GetLength() < 2)
            console.Warning(TooShortWarning(where, record));
        m_doing = "while scanning record " + RecordLabel(record.name) + " of " + where + " (" +
                  std::to_string(record.letters.GetLength()) + " bases)";
        const RECORDRESULT result = DataAugmentation(model, std::move(record.name), record.letters.view(), progress);
        if (result.unscorable)
            console.Warning(where + ": record " + RecordLabel(result.name) +
                            " not scanned: its background model gives one of its bases probability 0");
        totals.Add(result);
        if (!writer.WriteRecord(result, &m_error))
            return fail("");
        console.RecordDone();
    }
    if (!writer.WriteSummary(totals, &m_error) || !writer.Close(&m_error))
        return fail("");
    return true;
}
