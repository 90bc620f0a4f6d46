// The FASTA reader: records one at a time, so that memory holds one record
// and not the file.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <utility>

#include "support/LineReader.h"
#include "support/MyString.h"

struct FASTARECORD {
    std::string name;      // header line with its '>', without the line end
    CString letters;       // leading letters of each sequence line, upper-cased
    long long line = 0;    // line number of the header (0 when there is none)
    bool named = false;    // false for the letters of a file without any header
    bool tooLong = false;  // more than CTextBuilder::kMaxLength letters: cut short
    // The first sequence line with characters after its letters (blanks at
    // its end aside): its number and how many were ignored.
    long long ignoredLine = 0;
    std::size_t ignored = 0;
    std::size_t otherLetters = 0;  // letters other than A, C, G, T and N
};

// Shown the letters of the records the reader holds, piece by piece as
// they are read and still in the cache: what would otherwise take another
// pass over a chromosome's letters before its scan could start.
class CLetterWatch {
public:
    virtual ~CLetterWatch() = default;
    // The next letters of the record being gathered, upper-cased.
    virtual void Letters(std::string_view letters) = 0;
    // The record gathered so far ends: Next hands it out, or, for letters
    // before the first header, drops it.
    virtual void RecordEnd(bool dropped) = 0;
};

// Splits a FASTA file into records, one at a time, so that memory holds one
// record and not the file. Sequence lines are walked piece by piece as the
// line reader delivers them, and the letters go straight into one growing
// buffer that becomes the record's CString: a record costs one byte per
// base, however long its lines are.
//
// A line beginning with '>' starts a record and names it. From every other
// line the leading letters are taken, upper-cased, up to the first
// character that is not an ASCII letter (a blank, a digit, a carriage
// return, ...); the rest of the line is dropped. Letters before the first
// header belong to no record and are dropped, except in a file that has no
// header at all: there they form one unnamed record.
//
// Next always yields at least one record, even for an empty file, so that
// every run ends with a last sequence like the one its headers announced.
class CFastaReader {
public:
    explicit CFastaReader(CLineReader& lines) : m_lines(lines) {}

    // Letters that need not be held (a genome counted for its background
    // model): each run of a named record's letters, upper-cased, goes to
    // sink as it is read, and the record handed out by Next has none. The
    // letters of a file without any header still arrive in the record, as
    // only its end tells that they form one.
    void SetLetterSink(std::function<void(std::string_view)> sink) { m_sink = std::move(sink); }

    // Shows every held record's letters to watch (kept by the caller).
    void SetLetterWatch(CLetterWatch* watch) { m_watch = watch; }

    // Moves the next record into *record; false when there is none left.
    // After a read error of the source the last record is cut short: check
    // the line reader's Failed() before using it.
    bool Next(FASTARECORD* record);
    // True once the last record has been handed out.
    bool Done() const { return m_finished; }
    // Why reading stopped early ("line N: ..."), or "": a header beyond any
    // real one, or a line of that many bytes that are not letters and no
    // line end (-i /dev/zero), which would otherwise be read for ever.
    const std::string& Problem() const { return m_problem; }
    static constexpr std::size_t kMaxHeaderBytes = std::size_t {1} << 20;
    static constexpr std::size_t kMaxDroppedBytes = std::size_t {1} << 30;

private:
    CLineReader& m_lines;
    std::string m_name;  // header of the record being gathered
    long long m_nameLine = 0;
    bool m_haveHeader = false;
    bool m_finished = false;
    std::string m_problem;
    std::size_t m_ignored = 0;  // of the record being gathered
    long long m_ignoredLine = 0;
    std::function<void(std::string_view)> m_sink;
    std::string m_upper;  // letters on their way to the sink
    CLetterWatch* m_watch = nullptr;
    std::size_t m_other = 0;  // of the record being gathered

    bool Stop(std::string problem);
    // The letters just added to the record being gathered.
    void Tally(std::string_view letters);
    // Hands out the record gathered so far and starts the next.
    void Hand(FASTARECORD* record, CTextBuilder& letters, bool tooLong);
};

// Number of ASCII letters at the start of text (text.size() when it holds
// nothing else).
std::size_t LeadingLetters(std::string_view text);

// The letters of an upper-cased record other than A, C, G, T and N: many of
// them mean a protein sequence, which the scan would take for DNA.
std::size_t OtherLetters(std::string_view letters);
