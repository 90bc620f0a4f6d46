#include "frontend/VelmoraU.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <string_view>
#include <vector>

#include "scanner/run/GibbsDP.h"
#include "scanner/run/SharedBackground.h"
#include "scanner/write/PartFiles.h"
#include "support/Cores.h"
#include "support/Messages.h"
#include "support/Text.h"
#include "support/TextDistance.h"
#include "support/Version.h"

namespace {

// More threads than this are a typing slip, not a machine.
constexpr int kMostThreads = 1024;

// Null sequences per record: a million resolve p-values of 1e-6, beyond
// which the scan time (a million times a plain run's) is no longer a run.
constexpr int kMostNulls = 1'000'000;

// The long options without a value, and what each turns on.
struct LONGFLAG {
    std::string_view option;
    bool INPUTPARAMETER::*set;
};
const LONGFLAG kLongFlags[] = {
    {"--help", &INPUTPARAMETER::showHelp},       {"--version", &INPUTPARAMETER::showVersion},
    {"--bed", &INPUTPARAMETER::bedOutput},       {"--quiet", &INPUTPARAMETER::quiet},
    {"--overwrite", &INPUTPARAMETER::overwrite}, {"--one-based", &INPUTPARAMETER::oneBased},
    {"--summary", &INPUTPARAMETER::summary},
};

// The long options, and words a user may spell out for a one-letter option;
// an unknown long option is answered with the nearest of them.
struct OPTIONWORD {
    const char* word;    // without the dashes
    const char* option;  // what to suggest
};
constexpr OPTIONWORD kOptionWords[] = {
    {"help", "--help"},
    {"version", "--version"},
    {"bed", "--bed"},
    {"quiet", "--quiet"},
    {"threads", "--threads"},
    {"summary", "--summary"},
    {"null", "--null"},
    {"nulls", "--null"},
    {"seed", "--seed"},
    {"background", "--background"},
    {"svg", "--svg"},
    {"svg-region", "--svg-region"},
    {"region", "--svg-region"},
    {"svg-bed", "--svg-bed"},
    {"bg", "--background"},
    {"bgfile", "--background"},
    {"input", "-i"},
    {"output", "-o"},
    {"matrix", "-M"},
    {"matrices", "-M"},
    {"motif", "--motifs"},
    {"pwm", "-M"},
    {"length", "-L"},
    {"rate", "-x"},
    {"strand", "-r"},
    {"strands", "-r"},
    {"reverse", "-r"},
    {"factors", "-K"},
    {"i", "-i"},
    {"o", "-o"},
    {"M", "-M"},
    {"K", "-K"},
    {"L", "-L"},
    {"x", "-x"},
    {"r", "-r"},
    {"t", "-t"},
    {"h", "--help"},
};

// Every long option, without its dashes.
constexpr std::string_view kLongOptions[] = {"help",      "version", "bed",     "quiet", "overwrite",
                                             "one-based", "summary", "threads", "svg",   "svg-region",
                                             "svg-bed",   "motifs",  "null",    "seed",  "background"};

// The nearest option to a mistyped word (without its dashes), or null when
// nothing is near.
const OPTIONWORD* NearestOption(std::string_view word)
{
    word = word.substr(0, word.find('='));
    // One letter is near only to the same letter in the other case (-l is
    // -L), else to the first option word it starts (-q is --quiet): any
    // letter is a single edit from any other.
    if (word.size() == 1) {
        const auto lower = [](char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c); };
        for (const bool whole : {true, false})
            for (const OPTIONWORD& candidate : kOptionWords) {
                const std::string_view name(candidate.word);
                if (!name.empty() && lower(name[0]) == lower(word[0]) && (name.size() == 1) == whole)
                    return &candidate;
            }
        return nullptr;
    }
    // Case does not count: --k means -K.
    const OPTIONWORD* nearest = nullptr;
    std::size_t best = 0;
    for (const OPTIONWORD& candidate : kOptionWords) {
        const std::size_t d = Nearness(word, candidate.word);
        if (!nearest || d < best) {
            nearest = &candidate;
            best = d;
        }
    }
    // Near: the same, one the start of the other, or a few edits away.
    return nearest && best <= 2 + std::max<std::size_t>(1, word.size() / 3) ? nearest : nullptr;
}

// "unknown option --outptu: did you mean -o?"; without a suggestion when
// nothing is near.
std::string UnknownLongOption(std::string_view text)
{
    const OPTIONWORD* nearest = NearestOption(text.substr(2));
    return "unknown option " + std::string(text) +
           (nearest ? ": did you mean " + std::string(nearest->option) + "?" : std::string(" (see --help)"));
}

// A long option typed with one dash (-bed, -null 99): the classic rule
// would read only its second letter, and -overwrite would act as -o.
bool IsLongWithOneDash(std::string_view text)
{
    return text.size() > 2 && text[0] == '-' && text[1] != '-' &&
           std::find(std::begin(kLongOptions), std::end(kLongOptions), text.substr(1)) != std::end(kLongOptions);
}

bool TakesValue(char letter)
{
    switch (letter) {
    case 'K':
    case 'L':
    case 'M':
    case 'i':
    case 'o':
    case 'r':
    case 't':
    case 'x':
        return true;
    default:
        return false;
    }
}

// The option of a word that takes the next word as its value: the letter of
// a one-letter option, a stand-in letter for a long one (--threads is -t),
// or '\0' when the word takes no value.
char ValueOption(const char* word)
{
    const std::string_view text(word);
    if (text == "--threads")
        return 't';
    if (text == "--svg")
        return 'S';
    if (text == "--svg-region")
        return 'R';
    if (text == "--svg-bed")
        return 'B';
    if (text == "--motifs")
        return 'm';
    if (text == "--null")
        return 'n';
    if (text == "--seed")
        return 's';
    if (text == "--background")
        return 'b';
    return TakesValue(word[1]) ? word[1] : '\0';
}

// What reading the words gathers besides the parameters.
struct OPTIONREADING {
    INPUTPARAMETER* param;
    std::string* error;
    bool ok = true;
    bool seedGiven = false;

    // Only the first error is kept: it names the first word that cannot be
    // read. The words after it are still applied.
    void Fail(const std::string& text)
    {
        if (ok) {
            *error = text;
            ok = false;
        }
    }
};

// A word of options that take no value. A word that is the value of the
// option before it is only spared the unknown-option warning and error.
void TakeFlag(const char* word, bool wordIsValue, OPTIONREADING* reading)
{
    const std::string_view text(word);
    if (word[1] == '-') {
        const auto flag = std::find_if(std::begin(kLongFlags), std::end(kLongFlags),
                                       [&text](const LONGFLAG& f) { return text == f.option; });
        if (flag != std::end(kLongFlags))
            reading->param->*flag->set = true;
        else if (!wordIsValue && text.size() > 2)
            reading->Fail(UnknownLongOption(text));
        return;
    }
    if (word[1] == 'h' && !wordIsValue) {
        reading->param->showHelp = true;
    } else if (word[1] != '\0' && !wordIsValue) {
        const OPTIONWORD* nearest = NearestOption(text.substr(1));
        reading->param->warnings.push_back("unknown option " + std::string(text) + " ignored" +
                                           (nearest ? ": did you mean " + std::string(nearest->option) + "?" : ""));
    }
}

// --motifs ID[,ID...]: the IDs, without the empty words of typing slips.
std::vector<std::string> CommaList(std::string_view list)
{
    std::vector<std::string> words;
    while (!list.empty()) {
        const std::size_t comma = std::min(list.find(','), list.size());
        if (comma > 0)
            words.emplace_back(list.substr(0, comma));
        list.remove_prefix(std::min(comma + 1, list.size()));
    }
    return words;
}

// Sets what `option` sets from its value. False when the value cannot be
// read; *expected then says what the option takes.
bool ReadValue(char option, const char* value, OPTIONREADING* reading, std::string* expected)
{
    INPUTPARAMETER& param = *reading->param;
    switch (option) {
    case 'M':
        param.pwmFile = value;
        return true;
    case 'i':
        param.seqFile = value;
        return true;
    case 'o':
        param.outFile = value;
        return true;
    case 'S':
        param.svgFile = value;
        return true;
    case 'R': {
        *expected = "NAME:START-END, a stretch in the BED files' coordinates (0-based, START below END)";
        BEDREGION region;
        if (!ParseRegion(value, &region))
            return false;
        param.svgRegion = std::move(region);
        return true;
    }
    case 'B':
        *expected = "a BED file";
        param.svgBed = value;
        return !param.svgBed.empty();
    case 'b':
        *expected = "a FASTA file, a model file or 'pooled'";
        param.background = value;
        return !param.background.empty();
    case 'r':
        param.bothStrands = value[0] == '0' ? 0 : 1;
        return true;
    case 'm':
        *expected = "matrix IDs or names separated by commas";
        param.motifs = CommaList(value);
        return !param.motifs.empty();
    case 'K':
        param.motifNumGiven = true;
        *expected = "a whole number";
        return ParseWholeNumber(value, &param.motifNum);
    case 'L':
        *expected = "a whole number";
        return ParseWholeNumber(value, &param.moduleLength);
    case 'x':
        *expected = "a decimal number";
        return ParseDecimalNumber(value, &param.moduleRate);
    case 't':
        *expected = "a whole number of threads from 1 to " + std::to_string(kMostThreads);
        return ParseWholeNumber(value, &param.threads) && param.threads >= 1 && param.threads <= kMostThreads;
    case 'n':
        *expected = "a whole number of null sequences from 1 to " + std::to_string(kMostNulls);
        return ParseWholeNumber(value, &param.nulls) && param.nulls >= 1 && param.nulls <= kMostNulls;
    case 's':
        reading->seedGiven = true;
        *expected = "a whole number from 0 to " + std::to_string(UINT64_MAX);
        return ParseSeed(value, &param.seed);
    default:
        return true;
    }
}

}  // namespace

void SetDefaultParam(INPUTPARAMETER* param) { *param = INPUTPARAMETER(); }

bool ParseInputParam(INPUTPARAMETER* param, int argc, char** argv, std::string* error)
{
    OPTIONREADING reading {param, error};
    std::string echo;
    // A word that is the value of a recognised option is still examined as
    // an option in its own right; it is only spared the unknown-option warning.
    bool isValue = false;
    for (int i = 0; i < argc; ++i) {
        const char* word = argv[i];
        echo += word;
        echo += ' ';
        const bool wordIsValue = isValue;
        isValue = false;
        if (word[0] != '-')
            continue;
        if (!wordIsValue && IsLongWithOneDash(word)) {
            reading.Fail("unknown option " + std::string(word) + ": long options take two dashes (-" +
                         std::string(word) + ")");
            continue;
        }
        const char option = ValueOption(word);
        if (option == '\0') {
            TakeFlag(word, wordIsValue, &reading);
            continue;
        }
        if (i + 1 >= argc) {
            reading.Fail("option " + std::string(word) + " needs a value");
            continue;
        }
        const char* value = argv[i + 1];
        isValue = true;
        if (std::string expected; !ReadValue(option, value, &reading, &expected))
            reading.Fail("option " + std::string(word) + " expects " + expected + ", got '" + value + "'");
    }
    if (reading.seedGiven && param->nulls == 0)
        param->warnings.emplace_back("option --seed has no effect without --null");
    if (param->svgFile.GetLength() == 0) {
        if (param->svgRegion)
            param->warnings.emplace_back("option --svg-region has no effect without --svg");
        if (!param->svgBed.empty())
            param->warnings.emplace_back("option --svg-bed has no effect without --svg");
    }
    param->cmdLine = CString(std::move(echo));
    return reading.ok;
}

std::optional<ParamProblem> ValidateParam(const INPUTPARAMETER& param)
{
    if (param.minWidth < 5 || param.maxWidth > 40)
        return ParamProblem {"input motif width range error!", true,
                             "motif widths " + std::to_string(param.minWidth) + " to " +
                                 std::to_string(param.maxWidth) + ": the bounds must lie within 5 and 40"};
    if (param.motifNum <= 0)
        return ParamProblem {"Input number of transcription factors error!", true,
                             "-K " + std::to_string(param.motifNum) +
                                 ": the number of transcription factors must be at least 1"};
    if (param.moduleLength < param.minWidth)
        return ParamProblem {"Input module length too small!", true,
                             "-L " + std::to_string(param.moduleLength) + ": the module length must be at least " +
                                 std::to_string(param.minWidth) + " and above 0.8 times K"};
    if (param.seqFile.GetLength() == 0)
        return ParamProblem {"no sequence file given: -i FILE is required", false, {}};
    if (param.pwmFile.GetLength() == 0)
        return ParamProblem {"no matrix file given: -M FILE is required", false, {}};
    if (param.outFile.GetLength() == 0)
        return ParamProblem {"empty base name given to -o: the result files need a name", false, {}};
    // "-" is standard input for -i; for -o it would only make files named -_module.txt.
    if (param.outFile.str() == "-")
        return ParamProblem {"base name '-' given to -o: the result files need a name (they cannot go to "
                             "standard output)",
                             false,
                             {}};
    if (!(param.moduleRate > 0.0 && param.moduleRate < 1.0)) {
        char text[128];
        (void)std::snprintf(text, sizeof text, "module rate -x must lie strictly between 0 and 1, got %g",
                            param.moduleRate);
        return ParamProblem {text, false, {}};
    }
    // Without -K, K is the number of matrices in the file: the scanner
    // checks this once it has read them.
    if (param.motifNumGiven && !BackgroundWeightLeft(param.motifNum, param.moduleLength)) {
        char text[160];
        (void)std::snprintf(text, sizeof text,
                            "-K %d with -L %d leaves no weight for background bases (0.8 * K must be below L)",
                            param.motifNum, param.moduleLength);
        return ParamProblem {text, false, {}};
    }
    return std::nullopt;
}

void PrintReadme()
{
    puts("\n******************************");
    puts((std::string("   ") + kVersionLine + " ").c_str());
    puts("******************************");
    puts("\nUsage: ./Velmora -i Seqfile (options)");
    puts("Seqfile must be in FASTA format and each line in the file should contain no more than 10K characters\n");
    puts("Options:");
    puts("\t-o\tOutput file (default output.txt)");
    puts("\t-r\t1: search for both strands; 0: only search for forward strand (default 1)");
    puts("\t-K\tNumber of transcription factors (default 3)");
    puts("\t-L\tModule length (default 200)");
    puts("\t-M\tInput text files for weight matrices");
    puts("\t-x\tExpected module occurrent rate (default 0.0005)");
}

void PrintHelp()
{
    // The cores are counted now, so the default shown is this machine's.
    const std::string cores = std::to_string(UsableCores());
    const std::string text =
        std::string(kVersionLine) +
        ": scan DNA sequences for cis-regulatory modules\n"
        "\n"
        "Usage: Velmora -i SEQFILE -M MATRIXFILE [options]\n"
        "\n"
        "Required:\n"
        "  -i FILE          FASTA sequence file, plain or gzip-compressed; - reads standard input\n"
        "  -M FILE          weight-matrix file: Velmora's own format, JASPAR, MEME, TRANSFAC or\n"
        "                   >name and rows (recognised from the content, plain or gzip-compressed)\n"
        "\n"
        "Options:\n"
        "  -o BASE          base name of the result files (default Output.txt)\n"
        "  --motifs ID,...  use these matrices of the file, by ID or name, in this order\n"
        "                   (a whole collection such as a JASPAR download can be the file)\n"
        "  -K N             number of transcription factors: the matrices the file must hold\n"
        "                   or --motifs names (default: as many)\n"
        "  -L N             module length in bases, at least 10 and above 0.8 K (default 200)\n"
        "  -x RATE          expected module rate per position, between 0 and 1 (default 0.0005);\n"
        "                   the default suits chromosomes; start near 2 / L on enhancers\n"
        "  -r 0|1           1: search both strands; 0: the forward strand only (default 1)\n"
        "  -t, --threads N  threads that scan, 1 to 1024 (default: the cores this process may\n"
        "                   use, " +
        cores +
        " here); results do not depend on it\n"
        "  --bed            also write BED files of the modules and the sites\n"
        "  --summary        a line for every record in BASE_records.tsv: its best module and\n"
        "                   its best window score (the best any L-base window scores)\n"
        "  --null N         p-values: score N null sequences per record, drawn from the\n"
        "                   record's background model (implies --summary; takes about\n"
        "                   N + 1 times as long: 99 resolves p to 0.01 on enhancer-sized\n"
        "                   records, a few suffice for chromosomes)\n"
        "  --seed S         seed of the null sequences (default 1)\n"
        "  --background F   one background model for all records instead of each one's own:\n"
        "                   F is a FASTA file (the genome; plain or gzip), a model file of\n"
        "                   'Velmora background', or 'pooled' (every record of -i); for\n"
        "                   short candidates such as peaks (the nulls of --null follow it)\n"
        "  --svg FILE       draw the modules and their sites as a picture (SVG, for a browser;\n"
        "                   the first 50 records with modules), with an axis in BED coordinates\n"
        "  --svg-region NAME:START-END   draw only this stretch (BED coordinates, 0-based,\n"
        "                   end exclusive) of the records whose BED name is NAME\n"
        "  --svg-bed FILE   draw the regions of a BED file (known enhancers, peaks, genes) as a\n"
        "                   track under the records they overlap\n"
        "  --overwrite      replace the result files (by default a run adds to them)\n"
        "  --one-based      headers chrom:start-end are 1-based, end inclusive (samtools faidx);\n"
        "                   by default 0-based, end exclusive (bedtools getfasta)\n"
        "  --quiet          no warnings, no progress line, no closing report\n"
        "  -h, --help       this help\n"
        "  --version        the version line\n"
        "\n"
        "Result files, appended to unless --overwrite:\n"
        "  BASE_module.txt              the modules of every record: window, score, sites\n"
        "  BASE_motif1.txt ... motifK   the sites of each factor, in matrix-file order\n"
        "  BASE_modules.bed, BASE_sites.bed   with --bed (modules with their p-value with --null)\n"
        "  BASE_records.tsv             with --summary or --null: one line per record\n"
        "\n"
        "Ranking candidates (peaks, enhancers): rank them by best_window of --summary,\n"
        "which does not depend on -x; L of 400 to 500 suits enhancer-sized candidates;\n"
        "judge significance by the p- and q-values of --null (the q-values over p-values\n"
        "from a Gumbel fit to the null scores) and modules by their E-values.\n"
        "\n"
        "Example (the enhancer shipped in examples/; finds one module):\n"
        "  Velmora -i examples/eve_stripe2.fa -M examples/fly_bcd_hb_Kr.pwm -x 0.01 -L 100 -o eve\n"
        "\n"
        "Subcommands: Velmora background -i GENOME.fa -o GENOME.bg saves a background model;\n"
        "Velmora split and Velmora merge spread a run over parts of the input.\n"
        "\n"
        "Without arguments the tool prints its classic usage text. More in man Velmora.\n";
    (void)std::fputs(text.c_str(), stdout);
}

int RunVelmora(const INPUTPARAMETER& param, CConsole& console)
{
    CGibbsDP scanner(param);
    const bool done = scanner.ModuleScan(console);
    console.Finish();
    if (!done) {
        console.Error(scanner.ErrorText());
        return 1;
    }
    return 0;
}

namespace {

// What went to standard output must have arrived: a full disk or a closed
// pipe behind it is an error, not a success.
int StandardOutputStatus(int status)
{
    if (std::fflush(stdout) == 0 && !std::ferror(stdout))
        return status;
    const int error = errno;
    CConsole(false).Error(std::string("cannot write to standard output: ") + std::strerror(error ? error : EIO));
    return 1;
}

int Main(int argc, char** argv)
{
    if (argc <= 1) {
        PrintReadme();
        // The classic text stays as it was; the way to the rest is told
        // beside it.
        (void)std::fputs("Velmora: every option, the input forms and the result files: Velmora --help\n", stderr);
        return 0;
    }
    INPUTPARAMETER param;
    std::string error;
    const bool parsed = ParseInputParam(&param, argc, argv, &error);
    CConsole console(param.quiet);
    for (const std::string& warning : param.warnings)
        console.Warning(warning);
    if (param.showHelp) {
        PrintHelp();
        return 0;
    }
    if (param.showVersion) {
        puts(kVersionLine);
        return 0;
    }
    if (!parsed) {
        console.Error(error);
        return 1;
    }
    if (const auto problem = ValidateParam(param)) {
        if (problem->classic) {
            puts(problem->text.c_str());
            console.Error(problem->rule);
        } else {
            console.Error(problem->text);
        }
        return 1;
    }
    return RunVelmora(param, console);
}

// Velmora split -i FASTA -o PREFIX --part-bases N
int SplitMain(int argc, char** argv)
{
    CConsole console(false);
    std::string input;
    std::string prefix;
    long long partBases = 0;
    for (int i = 2; i < argc; ++i) {
        const std::string_view word(argv[i]);
        const bool valued = word == "-i" || word == "-o" || word == "--part-bases";
        if (!valued) {
            console.Error("split: unknown word '" + std::string(word) + "' (split -i FASTA -o PREFIX --part-bases N)");
            return 1;
        }
        if (i + 1 >= argc) {
            console.Error("split: option " + std::string(word) + " needs a value");
            return 1;
        }
        const char* value = argv[++i];
        if (word == "-i")
            input = value;
        else if (word == "-o")
            prefix = value;
        else if (!ParseBases(value, &partBases)) {
            console.Error("split: option --part-bases expects a whole number of bases from 1 to " +
                          std::to_string(kMaxBases) + ", got '" + std::string(value) + "'");
            return 1;
        }
    }
    if (input.empty() || prefix.empty() || partBases == 0) {
        console.Error("split needs -i FASTA, -o PREFIX and --part-bases N");
        return 1;
    }
    std::vector<std::string> parts;
    std::string error;
    if (!SplitFasta(input, prefix, partBases, &parts, &error)) {
        console.Error(error);
        return 1;
    }
    for (const std::string& part : parts)
        puts(part.c_str());
    return 0;
}

// Velmora background -i FASTA -o MODEL [--quiet]
int BackgroundMain(int argc, char** argv)
{
    bool quiet = false;
    for (int i = 2; i < argc; ++i)
        quiet = quiet || std::string_view(argv[i]) == "--quiet";
    CConsole console(quiet);
    const auto started = std::chrono::steady_clock::now();
    std::string input;
    std::string output;
    for (int i = 2; i < argc; ++i) {
        const std::string_view word(argv[i]);
        if (word == "--quiet")
            continue;
        if (word != "-i" && word != "-o") {
            console.Error("background: unknown word '" + std::string(word) +
                          "' (background -i FASTA -o MODEL [--quiet])");
            return 1;
        }
        if (i + 1 >= argc) {
            console.Error("background: option " + std::string(word) + " needs a value");
            return 1;
        }
        (word == "-i" ? input : output) = argv[++i];
    }
    if (input.empty() || output.empty()) {
        console.Error("background needs -i FASTA (the genome or background sequences) and -o MODEL");
        return 1;
    }
    SHAREDBACKGROUND background;
    std::string error;
    if (!SaveBackgroundModel(input, output, &background, &error)) {
        console.Error(error);
        return 1;
    }
    char seconds[32];
    (void)std::snprintf(seconds, sizeof seconds, "%.2f s",
                        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count());
    console.Note("done: " + std::to_string(background.records) +
                 (background.records == 1 ? " record, " : " records, ") + std::to_string(background.counts.Bases()) +
                 " bases counted, " + seconds + "; model " + background.Digest() + " written to " + QuotePath(output) +
                 "; scan with --background " + output);
    return 0;
}

// Velmora merge -o BASE [--bed] PART_BASE...
int MergeMain(int argc, char** argv)
{
    CConsole console(false);
    std::string base;
    bool bed = false;
    std::vector<std::string> parts;
    std::string echo;
    for (int i = 0; i < argc; ++i)
        echo.append(argv[i]).append(" ");
    for (int i = 2; i < argc; ++i) {
        const std::string_view word(argv[i]);
        if (word == "-o") {
            if (i + 1 >= argc) {
                console.Error("merge: option -o needs a value");
                return 1;
            }
            base = argv[++i];
        } else if (word == "--bed") {
            bed = true;
        } else if (!word.empty() && word[0] == '-') {
            console.Error("merge: unknown option '" + std::string(word) + "' (merge -o BASE [--bed] PART_BASE...)");
            return 1;
        } else {
            parts.emplace_back(word);
        }
    }
    if (base.empty() || parts.empty()) {
        console.Error("merge needs -o BASE and the base names of the parts, in input order");
        return 1;
    }
    std::string error;
    std::vector<std::string> others;
    if (!MergeResults(base, parts, bed, echo, &error, &others)) {
        console.Error(error);
        return 1;
    }
    // An earlier run's files under the base name (BED files after the
    // options lost --bed, say) would read as one set with the merged ones.
    // They may hold work of their own kind: named, never removed.
    if (!others.empty()) {
        std::string names;
        for (const std::string& name : others)
            names += (names.empty() ? "" : ", ") + QuotePath(name);
        console.Warning(std::string(others.size() == 1 ? "result file " : "result files ") + names +
                        " of the base name " + (others.size() == 1 ? "is" : "are") + " not of this merge: it leaves " +
                        (others.size() == 1 ? "it as it is" : "them as they are"));
    }
    return 0;
}

}  // namespace

int VelmoraMain(int argc, char** argv)
{
    // Subcommands for runs spread over parts of an input.
    if (argc >= 2 && std::string_view(argv[1]) == "split")
        return StandardOutputStatus(SplitMain(argc, argv));
    if (argc >= 2 && std::string_view(argv[1]) == "merge")
        return StandardOutputStatus(MergeMain(argc, argv));
    if (argc >= 2 && std::string_view(argv[1]) == "background")
        return StandardOutputStatus(BackgroundMain(argc, argv));
    return StandardOutputStatus(Main(argc, argv));
}
