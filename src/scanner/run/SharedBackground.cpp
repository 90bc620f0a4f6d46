#include "scanner/run/SharedBackground.h"

#include <charconv>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string_view>
#include <utility>

#include "scanner/read/FastaReader.h"
#include "scanner/write/FileSet.h"
#include "support/Hash.h"
#include "support/InputSource.h"
#include "support/LineReader.h"
#include "support/Messages.h"
#include "support/Text.h"
#include "support/WholeFile.h"

namespace {

constexpr char kBaseLetters[] = "ACGT";

// The names of the twenty counts: bases 0-3, then pair 4a + b at 4 + 4a + b.
std::string CountName(int entry)
{
    if (entry < 4)
        return std::string(1, kBaseLetters[entry]);
    const int pair = entry - 4;
    return {kBaseLetters[pair / 4], kBaseLetters[pair % 4]};
}

std::int64_t& CountAt(BACKGROUNDCOUNTS* counts, int entry)
{
    return entry < 4 ? counts->base[entry] : counts->pair[entry - 4];
}

std::int64_t CountOf(const BACKGROUNDCOUNTS& counts, int entry)
{
    return entry < 4 ? counts.base[entry] : counts.pair[entry - 4];
}

// Counts beyond 2^53 would not turn into doubles exactly.
constexpr std::int64_t kMostCount = std::int64_t {1} << 53;

// The counts of a FASTA file, read by the sequence file's rules, its
// letters streamed (a chromosome is never held whole).
bool CountFasta(CLineReader& lines, const std::string& label, SHAREDBACKGROUND* out, std::string* error)
{
    CFastaReader fasta(lines);
    CBackgroundCounter counter;
    fasta.SetLetterSink([&counter](std::string_view letters) { counter.Add(letters); });
    FASTARECORD record;
    while (fasta.Next(&record)) {
        counter.Add(record.letters.view());  // a file without any header
        counter.EndRecord();
        if (record.named || record.letters.GetLength() > 0)
            ++out->records;
    }
    if (!fasta.Problem().empty()) {
        *error = label + ", " + fasta.Problem();
        return false;
    }
    if (lines.Failed()) {
        *error = "cannot read " + label + ": " + ReadErrorText(lines.Error());
        return false;
    }
    out->counts = counter.Counts();
    return true;
}

// A model file after its first line: the twenty counts, each once.
bool ReadModelFile(CLineReader& lines, const std::string& label, SHAREDBACKGROUND* out, std::string* error)
{
    bool seen[20] = {};
    std::string_view line;
    const auto fail = [&](const std::string& what) {
        *error = label + ", line " + std::to_string(lines.LineNumber()) + ": " + what;
        return false;
    };
    while (lines.Next(&line)) {
        if (Trim(line).empty() || line[0] == '#')
            continue;
        const std::size_t tab = line.find('\t');
        const std::string_view name = line.substr(0, tab);
        const std::string_view value = tab == std::string_view::npos ? std::string_view() : Trim(line.substr(tab + 1));
        int entry = 0;
        while (entry < 20 && CountName(entry) != name)
            ++entry;
        std::int64_t count = -1;
        const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), count);
        if (entry == 20 || tab == std::string_view::npos)
            return fail("expected a base or a pair of bases (A, C, G, T, AA to TT), a tab and its count, got " +
                        QuoteForMessage(line));
        if (ec != std::errc() || end != value.data() + value.size() || count < 0 || count > kMostCount)
            return fail("the count of " + std::string(name) + " must be a whole number from 0 to " +
                        std::to_string(kMostCount) + ", got " + QuoteForMessage(value));
        if (seen[entry])
            return fail(std::string(name) + " is given twice");
        seen[entry] = true;
        CountAt(&out->counts, entry) = count;
    }
    if (lines.Failed()) {
        *error = "cannot read " + label + ": " + ReadErrorText(lines.Error());
        return false;
    }
    for (int entry = 0; entry < 20; ++entry)
        if (!seen[entry]) {
            *error =
                label + " lacks the count of " + CountName(entry) + " (a model file gives A, C, G, T and AA to TT)";
            return false;
        }
    return true;
}

// A model every record can be scored against: some base at all, and, for
// a model given by file, every base and every pair of bases. (A model
// pooled from the records holds every pair they hold.)
bool Usable(const SHAREDBACKGROUND& background, const std::string& label, bool everyPair, std::string* error)
{
    if (background.counts.Bases() == 0) {
        *error = label + " holds no A, C, G or T: no background model can be estimated from it";
        return false;
    }
    for (int entry = 0; entry < 20 && everyPair; ++entry)
        if (CountOf(background.counts, entry) == 0) {
            *error = label + " holds no " + CountName(entry) + (entry < 4 ? "" : " pair") +
                     ": a background model for every record needs every base and every pair of bases (give it "
                     "more background sequence)";
            return false;
        }
    return true;
}

}  // namespace

std::string SHAREDBACKGROUND::Digest() const
{
    // The hash of the counts as text.
    std::string all;
    for (int entry = 0; entry < 20; ++entry)
        all += std::to_string(CountOf(counts, entry)) + "\t";
    char text[17];
    (void)std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(Fnv1a(all)));
    return text;
}

std::string SHAREDBACKGROUND::Description() const { return given + " (model " + Digest() + ")"; }

bool LoadBackground(const std::string& given, const std::string& seqFile, SHAREDBACKGROUND* out, std::string* error)
{
    *out = SHAREDBACKGROUND();
    out->given = given;
    const bool pooled = given == kPooledBackground;
    const std::string path = pooled ? seqFile : given;
    if (pooled && path == "-") {
        *error = "--background pooled counts the sequence file before scanning it, and standard input cannot be "
                 "read twice: save the input to a file, or make a model with 'Velmora background'";
        return false;
    }
    if (!pooled && path == "-" && seqFile == "-") {
        *error = "--background - and -i - cannot both read standard input: give one of them as a file";
        return false;
    }
    std::string label = (pooled ? "sequence file " : "background file ") + InputLabel(path, true);
    std::string why;
    auto source = OpenInput(path, true, &why);
    if (!source) {
        *error = "cannot open " + label + ": " + why;
        return false;
    }
    // The first line tells a model file from a FASTA file; the bytes looked
    // at are handed back to whichever reads the file.
    const std::string_view magic(kBackgroundModelMagic);
    std::string head;
    char byte = 0;
    while (head.size() < magic.size() + 2 && source->Read(&byte, 1) == 1) {
        head.push_back(byte);
        if (byte == '\n')
            break;
    }
    std::string_view first(head);
    for (const char end : {'\n', '\r'})
        if (!first.empty() && first.back() == end)
            first.remove_suffix(1);
    const bool model = !pooled && first == magic;
    CLineReader lines(std::make_unique<CPrefixSource>(std::move(head), std::move(source)));
    if (model) {
        label = "background model file " + InputLabel(path, true);
        std::string_view first;
        (void)lines.Next(&first);
        if (!ReadModelFile(lines, label, out, error))
            return false;
    } else if (!CountFasta(lines, label, out, error)) {
        return false;
    }
    if (!Usable(*out, label, !pooled, error))
        return false;
    out->model = BackgroundFromCounts(out->counts);
    return true;
}

std::string BackgroundModelText(const SHAREDBACKGROUND& background, const std::string& from)
{
    // The source's name on one line of its own, whatever bytes it holds.
    std::string source;
    for (const char c : from)
        source.push_back(static_cast<unsigned char>(c) < 0x20 ? '?' : c);
    std::string text = std::string(kBackgroundModelMagic) + "\n#from\t" + source + "\n#records\t" +
                       std::to_string(background.records) + "\n#bases\t" + std::to_string(background.counts.Bases()) +
                       "\n";
    for (int entry = 0; entry < 20; ++entry)
        text += CountName(entry) + "\t" + std::to_string(CountOf(background.counts, entry)) + "\n";
    return text;
}

bool SaveBackgroundModel(const std::string& input, const std::string& output, SHAREDBACKGROUND* background,
                         std::string* error)
{
    if (PathExists(output)) {
        *error = "model file " + QuotePath(output) + " exists: remove it or choose another -o";
        return false;
    }
    if (!LoadBackground(input, {}, background, error))
        return false;
    CNewFileSet files("model file ");
    CWholeFile* file = files.Add(output, error);
    return file && file->Write(BackgroundModelText(*background, input), error) && files.CommitAll(error);
}
