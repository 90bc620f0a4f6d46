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
#include "support/LineReader.h"
#include "support/Messages.h"

std::string QuoteForMessage(std::string_view text)
{
    constexpr std::size_t kMaxShown = 60;
    std::string quoted;
    quoted.reserve(std::min(text.size(), kMaxShown) + 5);
    quoted += '\'';
    quoted.append(text.substr(0, kMaxShown));
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

void AppendLeadingLetters(std::string_view line, std::string* letters)
{
    std::size_t n = 0;
    while (n < line.size()) {
        const char c = line[n];
        if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')))
            break;
        ++n;
    }
    const std::size_t old = letters->size();
    letters->append(line.data(), n);
    for (std::size_t i = old; i < letters->size(); ++i) {
        char& c = (*letters)[i];
        if (c >= 'a')
            c = static_cast<char>(c - 32);
    }
}

bool CFastaReader::Next(FASTARECORD* record)
{
    if (m_finished)
        return false;
    // The letters gather in a std::string that grows geometrically and is
    // then handed over whole: appending line by line to an immutable text
    // would copy the record once per line.
    std::string letters;
    std::string_view line;
    while (m_lines.Next(&line)) {
        if (line.empty() || line[0] != '>') {
            AppendLeadingLetters(line, &letters);
            continue;
        }
        if (m_haveHeader) {
            // This header ends the record gathered since the previous one.
            record->name = std::move(m_name);
            record->letters = std::move(letters);
            record->line = m_nameLine;
            record->named = true;
            m_name.assign(line);
            m_nameLine = m_lines.LineNumber();
            return true;
        }
        // The first header: letters before it belong to no record.
        m_haveHeader = true;
        m_name.assign(line);
        m_nameLine = m_lines.LineNumber();
        letters.clear();
    }
    m_finished = true;
    record->name = m_haveHeader ? std::move(m_name) : std::string();
    record->letters = std::move(letters);
    record->line = m_haveHeader ? m_nameLine : 0;
    record->named = m_haveHeader;
    return true;
}

namespace {

std::string TooShortWarning(const std::string& path, const FASTARECORD& record)
{
    const std::size_t n = record.letters.size();
    const std::string where = "sequence file " + QuotePath(path);
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
    std::srand(static_cast<unsigned>(std::time(nullptr)));

    MatrixSet pwm;
    if (!Initialize(pwm))
        return false;
    const std::vector<double> priorWeight = PriorWeights(motifNum, moduleLength);
    moduleCount = 0;
    for (int k = 0; k < motifNum; ++k)
        siteCount[static_cast<std::size_t>(k)] = 0;

    const std::string path = seqFile.str();
    std::string why;
    auto source = CFileSource::Open(path, &why);
    if (!source) {
        errorText = "cannot open sequence file " + QuotePath(path) + ": " + why;
        return false;
    }
    // Both inputs are open and the matrices are good: make sure every result
    // file can be written before the first line goes into any of them.
    if (!CheckResultFiles(outFile, motifNum, &errorText))
        return false;

    CLineReader lines(std::move(source));
    CFastaReader fasta(lines);
    FASTARECORD record;
    firstSeq = true;
    while (fasta.Next(&record)) {
        if (lines.Failed()) {
            errorText = "cannot read sequence file " + QuotePath(path) + ": " +
                        std::strerror(lines.Error());
            return false;
        }
        if (record.letters.size() > static_cast<std::size_t>(INT_MAX)) {
            errorText = "sequence file " + QuotePath(path) + ", line " + std::to_string(record.line) +
                        ": record " + QuoteForMessage(record.name) + " is longer than " +
                        std::to_string(INT_MAX) + " bases";
            return false;
        }
        if (record.letters.size() < 2)
            ReportWarning(TooShortWarning(path, record));
        seqName = CString(std::move(record.name));
        seq = CString(std::move(record.letters));
        if (!DataAugmentation(moduleRate, priorWeight.data(), pwm))
            return false;
        firstSeq = false;
    }
    return WriteSummary();
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
            // Position score table: seqLength rows of 2K + 1 scores.
            const std::size_t columns = 2 * static_cast<std::size_t>(motifNum) + 1;
            const std::size_t rows = static_cast<std::size_t>(seqLength);
            if (rows > std::vector<double>().max_size() / columns) {
                errorText = "record " + RecordLabel(seqName) + " is too long for its score table (" +
                            std::to_string(rows) + " bases times " + std::to_string(columns) + " scores)";
                return false;
            }
            std::vector<double> table(rows * columns);
            CalLogPrPos(table.data(), seqLength, pwm);
            ApproxScanCurSeq(rate, priorWeight, pwm, table.data());
        } else {
            ReportWarning("sequence file " + QuotePath(seqFile.view()) + ": record " +
                          RecordLabel(seqName) +
                          " not scanned: its background model gives one of its bases probability 0");
        }
    }
    return OutputModules() && OutputMotifs();
}
