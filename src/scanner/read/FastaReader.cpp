#include "scanner/read/FastaReader.h"

#include <algorithm>
#include <utility>

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

// Copies letters to `to`, upper-cased.
void UpperCase(std::string_view letters, char* to)
{
    for (const char c : letters)
        *to++ = c >= 'a' ? static_cast<char>(c - 32) : c;
}

// Appends the letters, upper-cased, to *letters; false when the record
// has grown too long to hold (nothing is appended then).
bool AppendUpperCase(std::string_view text, CTextBuilder* letters)
{
    if (text.empty())
        return true;
    char* to = letters->Extend(text.size());
    if (!to)
        return false;
    UpperCase(text, to);
    return true;
}

}  // namespace

bool CFastaReader::Stop(std::string problem)
{
    m_problem = "line " + std::to_string(m_lines.LineNumber()) + ": " + std::move(problem);
    m_finished = true;
    return false;
}

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
        // A FASTQ file would read as a FASTA file of quality letters.
        if (!m_haveHeader && !piece.empty() && piece[0] == '@' && letters.size() == 0)
            return Stop("a '@' header: this is FASTQ, not FASTA; convert it first, for example with "
                        "'seqtk seq -A in.fq > out.fa'");
        if (!piece.empty() && piece[0] == '>') {
            std::string name(piece);
            while (!lineEnds && m_lines.NextPiece(&piece, &lineEnds)) {
                name.append(piece);
                if (name.size() > kMaxHeaderBytes)
                    return Stop("a header longer than " + std::to_string(kMaxHeaderBytes) + " bytes");
            }
            if (m_haveHeader) {
                // This header ends the record gathered since the previous one.
                record->name = std::move(m_name);
                record->letters = letters.Take();
                record->line = m_nameLine;
                record->named = true;
                record->tooLong = tooLong;
                record->ignored = std::exchange(m_ignored, 0);
                record->ignoredLine = m_ignoredLine;
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
            m_ignored = 0;
            continue;
        }
        // A sequence line gives its letters up to the first non-letter of
        // the line; once a piece holds one, the rest of the line is dropped.
        bool taking = true;
        std::size_t dropped = 0;
        std::size_t ignored = 0;  // dropped characters up to the last that is no blank
        for (;;) {
            std::size_t n = 0;
            if (taking) {
                n = LeadingLetters(piece);
                if (m_sink && m_haveHeader) {
                    m_upper.resize(n);
                    UpperCase(piece.substr(0, n), m_upper.data());
                    m_sink(m_upper);
                } else if (!tooLong && !AppendUpperCase(piece.substr(0, n), &letters)) {
                    tooLong = true;
                }
                taking = n == piece.size();
            }
            for (std::size_t i = n; i < piece.size(); ++i)
                if (piece[i] != ' ' && piece[i] != '\t')
                    ignored = dropped + (i - n) + 1;
            dropped += piece.size() - n;
            if (dropped > kMaxDroppedBytes)
                return Stop("more than " + std::to_string(kMaxDroppedBytes) +
                            " bytes that are no letters in one line, and no line end");
            if (lineEnds || !m_lines.NextPiece(&piece, &lineEnds))
                break;
        }
        if (ignored > 0 && m_ignored == 0) {
            m_ignored = ignored;
            m_ignoredLine = m_lines.LineNumber();
        }
    }
    m_finished = true;
    record->name = m_haveHeader ? std::move(m_name) : std::string();
    record->letters = letters.Take();
    record->line = m_haveHeader ? m_nameLine : 0;
    record->named = m_haveHeader;
    record->tooLong = tooLong;
    record->ignored = std::exchange(m_ignored, 0);
    record->ignoredLine = m_ignoredLine;
    return true;
}

std::size_t OtherLetters(std::string_view letters)
{
    // Counted in stretches of at most 255 letters into one byte, without
    // branches, so that the compiler counts many letters at once: the
    // letters of a chromosome are counted before its scan can start.
    const auto* p = reinterpret_cast<const unsigned char*>(letters.data());
    std::size_t acgtn = 0;
    for (std::size_t left = letters.size(); left > 0;) {
        const std::size_t stretch = std::min<std::size_t>(left, 255);
        unsigned char n = 0;
        for (std::size_t i = 0; i < stretch; ++i) {
            const unsigned char c = p[i];
            n = static_cast<unsigned char>(n + ((c == 'A') | (c == 'C') | (c == 'G') | (c == 'T') | (c == 'N')));
        }
        acgtn += n;
        p += stretch;
        left -= stretch;
    }
    return letters.size() - acgtn;
}
