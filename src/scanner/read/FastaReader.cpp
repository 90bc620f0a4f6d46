#include "scanner/read/FastaReader.h"

#include <algorithm>
#include <utility>

std::size_t LeadingLetters(std::string_view text)
{
    // A chromosome's letters pass through here once each. Whole stretches
    // of 32 are checked without a branch per character, so the compiler
    // checks many at once; the stretch that holds a non-letter, and the
    // short rest, go character by character. Or-ing 0x20 lower-cases a
    // letter and maps no other byte into 'a' to 'z'.
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    constexpr int kStretch = 32;
    std::size_t n = 0;
    for (; text.size() - n >= kStretch; n += kStretch) {
        unsigned char other = 0;
        for (int i = 0; i < kStretch; ++i)
            other |= static_cast<unsigned char>(static_cast<unsigned char>((p[n + i] | 0x20) - 'a') > 'z' - 'a');
        if (other != 0)
            break;
    }
    while (n < text.size() && static_cast<unsigned char>((p[n] | 0x20) - 'a') <= 'z' - 'a')
        ++n;
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

void CFastaReader::Tally(std::string_view letters)
{
    m_other += OtherLetters(letters);
    if (m_watch)
        m_watch->Letters(letters);
}

void CFastaReader::Hand(FASTARECORD* record, CTextBuilder& letters, bool tooLong)
{
    record->name = m_haveHeader ? std::move(m_name) : std::string();
    record->letters = letters.Take();
    record->line = m_haveHeader ? m_nameLine : 0;
    record->named = m_haveHeader;
    record->tooLong = tooLong;
    record->ignored = std::exchange(m_ignored, 0);
    record->ignoredLine = m_ignoredLine;
    record->otherLetters = std::exchange(m_other, 0);
    if (m_watch)
        m_watch->RecordEnd(false);
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
                Hand(record, letters, tooLong);
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
            m_other = 0;
            if (m_watch)
                m_watch->RecordEnd(true);
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
                } else if (!tooLong) {
                    if (!AppendUpperCase(piece.substr(0, n), &letters))
                        tooLong = true;
                    else if (n > 0)
                        Tally(std::string_view(letters.data() + letters.size() - n, n));
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
    Hand(record, letters, tooLong);
    return true;
}

std::size_t OtherLetters(std::string_view letters)
{
    // Counted in stretches of at most 255 letters into one byte, without
    // branches (a match is a mask of all ones, subtracted), so that the
    // compiler counts many letters at once: every letter of a chromosome
    // is counted while it is read.
    const auto* p = reinterpret_cast<const unsigned char*>(letters.data());
    std::size_t acgtn = 0;
    for (std::size_t left = letters.size(); left > 0;) {
        const int stretch = static_cast<int>(std::min<std::size_t>(left, 255));
        unsigned char n = 0;
        for (int i = 0; i < stretch; ++i) {
            const unsigned char c = p[i];
            const int hit = -(c == 'A') | -(c == 'C') | -(c == 'G') | -(c == 'T') | -(c == 'N');
            n = static_cast<unsigned char>(n - static_cast<unsigned char>(hit));
        }
        acgtn += n;
        p += stretch;
        left -= static_cast<std::size_t>(stretch);
    }
    return letters.size() - acgtn;
}
