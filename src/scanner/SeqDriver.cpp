// The run driver: matrices, prior weights, then every FASTA record in turn,
// then the run totals.
#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <utility>
#include <vector>

#include "scanner/GibbsDP.h"
#include "scanner/ScanIO.h"
#include "support/InputSource.h"
#include "support/LineReader.h"
#include "support/Messages.h"
#include "support/Progress.h"

std::string QuoteForMessage(std::string_view text)
{
    // Control characters (a carriage return inside a name, binary junk) are
    // shown escaped so that the message stays one readable line.
    constexpr std::size_t kMaxShown = 60;
    static const char kHex[] = "0123456789abcdef";
    std::string quoted;
    quoted.reserve(std::min(text.size(), kMaxShown) + 5);
    quoted += '\'';
    for (const char c : text.substr(0, kMaxShown)) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\r')
            quoted += "\\r";
        else if (c == '\t')
            quoted += "\\t";
        else if (byte < 0x20 || byte == 0x7f)
            quoted.append("\\x").append(1, kHex[byte >> 4]).append(1, kHex[byte & 15]);
        else
            quoted += c;
    }
    if (text.size() > kMaxShown)
        quoted += "...";
    quoted += '\'';
    return quoted;
}

std::string QuotePath(std::string_view path)
{
    std::string quoted;
    quoted.reserve(path.size() + 2);
    quoted += '\'';
    quoted.append(path);
    quoted += '\'';
    return quoted;
}

std::vector<double> PriorWeights(int motifNum, int moduleLength)
{
    std::vector<double> weight(static_cast<std::size_t>(motifNum) + 1);
    for (int k = 0; k < motifNum; ++k)
        weight[static_cast<std::size_t>(k)] = 0.8 / moduleLength;
    // Written exactly so: (0.8 * K) / L, then subtracted from 1.
    weight[static_cast<std::size_t>(motifNum)] = 1 - 0.8 * motifNum / moduleLength;
    return weight;
}

std::size_t LeadingLetters(std::string_view text)
{
    std::size_t n = 0;
    while (n < text.size()) {
        const char c = text[n];
        if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')))
            break;
        ++n;
    }
    return n;
}

namespace {

// Appends the letters, upper-cased, to *letters; false when the record
// has grown too long to hold (nothing is appended then).
bool AppendUpperCase(std::string_view text, CTextBuilder* letters)
{
    if (text.empty())
        return true;
    char* to = letters->Extend(text.size());
    if (!to)
        return false;
    for (const char c : text)
        *to++ = c >= 'a' ? static_cast<char>(c - 32) : c;
    return true;
}

}  // namespace

bool CFastaReader::Next(FASTARECORD* record)
{
    if (m_finished)
        return false;
    CTextBuilder letters;
    bool tooLong = false;
    std::string_view piece;
    bool lineEnds = false;
    // Each pass of this loop reads one line, starting from its first piece.
    while (m_lines.NextPiece(&piece, &lineEnds)) {
        if (!piece.empty() && piece[0] == '>') {
            std::string name(piece);
            while (!lineEnds && m_lines.NextPiece(&piece, &lineEnds))
                name.append(piece);
            if (m_haveHeader) {
                // This header ends the record gathered since the previous one.
                record->name = std::move(m_name);
                record->letters = letters.Take();
                record->line = m_nameLine;
                record->named = true;
                record->tooLong = tooLong;
                m_name = std::move(name);
                m_nameLine = m_lines.LineNumber();
                return true;
            }
            // The first header: letters before it belong to no record.
            m_haveHeader = true;
            m_name = std::move(name);
            m_nameLine = m_lines.LineNumber();
            letters.Clear();
            tooLong = false;
            continue;
        }
        // A sequence line gives its letters up to the first non-letter of
        // the line; once a piece holds one, the rest of the line is dropped.
        bool taking = true;
        for (;;) {
            if (taking) {
                const std::size_t n = LeadingLetters(piece);
                if (!tooLong && !AppendUpperCase(piece.substr(0, n), &letters))
                    tooLong = true;
                taking = n == piece.size();
            }
            if (lineEnds || !m_lines.NextPiece(&piece, &lineEnds))
                break;
        }
    }
    m_finished = true;
    record->name = m_haveHeader ? std::move(m_name) : std::string();
    record->letters = letters.Take();
    record->line = m_haveHeader ? m_nameLine : 0;
    record->named = m_haveHeader;
    record->tooLong = tooLong;
    return true;
}

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
    return where + ", line " + std::to_string(record.line) + ": record " + QuoteForMessage(record.name) +
           " has " + std::to_string(n) + (n == 1 ? " base" : " bases") +
           ": too short to scan (at least 2 needed)";
}

std::string RecordLabel(const CString& name)
{
    return name.GetLength() == 0 ? std::string("without a header") : QuoteForMessage(name.view());
}

}  // namespace

bool CGibbsDP::ModuleScan()
{
    // Nothing in the scan draws random numbers; the generator is seeded for
    // the random variates only.
    std::srand(static_cast<unsigned>(std::time(nullptr)));  // NOLINT(cert-msc32-c,cert-msc51-cpp): only the variates draw from it

    MatrixSet pwm;
    if (!Initialize(pwm))
        return false;
    const std::vector<double> priorWeight = PriorWeights(motifNum, moduleLength);
    moduleCount = 0;
    for (int k = 0; k < motifNum; ++k)
        siteCount[static_cast<std::size_t>(k)] = 0;

    const std::string path = seqFile.str();
    std::string why;
    // "-" is standard input; gzip data is decompressed on the fly.
    auto source = OpenInput(path, true, &why);
    if (!source) {
        errorText = "cannot open sequence file " + InputLabel(path, true) + ": " + why;
        return false;
    }
    // Both inputs are open and the matrices are good: make sure every result
    // file can be written before the first line goes into any of them.
    RESULTFILESIZES resultsBefore;
    if (!CheckResultFiles(outFile, motifNum, &errorText, bedOutput, &resultsBefore))
        return false;

    CLineReader lines(std::move(source));
    CFastaReader fasta(lines);
    FASTARECORD record;
    const std::string where = "sequence file " + InputLabel(path, true);
    // A run that fails part-way leaves every result file as it found it.
    auto fail = [&](std::string text) {
        if (!text.empty())
            errorText = std::move(text);
        RestoreResultFiles(resultsBefore);
        return false;
    };
    firstSeq = true;
    while (!fasta.Done()) {
        // The previous record is scanned and written: let its letters go
        // before the next record is gathered, so that a file of many
        // records never holds more than one of them.
        seq = CString();
        if (!fasta.Next(&record))
            break;
        if (lines.Failed())
            return fail("cannot read " + where + ": " + ReadErrorText(lines.Error()));
        const std::string at = where + ", line " + std::to_string(record.line) + ": ";
        if (record.tooLong)
            return fail(at + "record " + QuoteForMessage(record.name) + " is longer than " +
                        std::to_string(INT_MAX) + " bases");
        // With carriage returns alone as line ends the whole file reads as
        // one header line: say so rather than scan an empty record.
        const std::size_t cr = record.name.find('\r');
        if (cr != std::string::npos && cr + 1 < record.name.size())
            return fail(at + "the header holds a carriage return before its end; the file seems to use "
                             "carriage returns alone as line ends: convert them to line feeds");
        if (record.letters.GetLength() < 2)
            ReportWarning(TooShortWarning(where, record));
        seqName = CString(std::move(record.name));
        seq = std::move(record.letters);
        if (!DataAugmentation(moduleRate, priorWeight.data(), pwm))
            return fail("");
        ProgressRecordDone();
        firstSeq = false;
    }
    if (!WriteSummary())
        return fail("");
    return true;
}

bool CGibbsDP::DataAugmentation(double rate, const double* priorWeight, const MatrixSet& pwm)
{
    seqLength = seq.GetLength();
    BuildBackground();

    // Fresh lists for this sequence: the previous one's results are written.
    DelModHead(moduleList);
    moduleList = std::make_unique<MODULEINFO>();
    for (auto& head : siteList)
        DelSiteHead(head);
    for (auto& head : siteList)
        head = std::make_unique<SITEINFO>();

    // The scan needs two positions at least; shorter sequences were reported
    // by the caller and only take part in the output (headings, totals).
    if (seqLength >= 2) {
        if (BackgroundScoresEveryBase()) {
            // Scored block by block: memory does not grow with the table
            // of seqLength rows that the whole-sequence scan would need.
            StreamScanCurSeq(rate, priorWeight, pwm);
        } else {
            ReportWarning("sequence file " + InputLabel(seqFile.view(), true) + ": record " +
                          RecordLabel(seqName) +
                          " not scanned: its background model gives one of its bases probability 0");
        }
    }
    return OutputModules() && OutputMotifs();
}
