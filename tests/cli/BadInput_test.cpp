// Malformed and hostile inputs, end to end: every one gets its message and
// exit status, and a rejected run leaves the result files of an earlier run
// exactly as they were.
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "../GzipForTests.h"
#include "CliFixture.h"

namespace fs = std::filesystem;
using namespace std::string_literals;

namespace {

// What an earlier run left in the result files; a rejected run must not
// touch it.
const char* const kEarlier = "earlier run\n";

struct BadInput {
    std::string what;
    std::function<void(const fs::path&)> setup;  // writes the case's input files
    std::vector<std::string> args;               // after "-o out"
    int status;
    std::string err;  // expected standard error, or a part of it when partial
    bool partial = false;
};

std::string Repeat(const std::string& text, std::size_t times)
{
    std::string out;
    out.reserve(text.size() * times);
    for (std::size_t i = 0; i < times; ++i)
        out += text;
    return out;
}

// 64 bases with a consensus site of each planted matrix on either strand.
const char* const kPlantedRecord = "GGATCACAGTCTGATTACTCCAACCCCGGCCACTTCCGGTAAGTCCGAGGAGAGGACTTCCGGGT";

class BadInputTest : public CliTest {
protected:
    void SetUp() override
    {
        CliTest::SetUp();
        for (const char* name : {"eve_stripe2.fa", "fly_bcd_hb_Kr.pwm", "fly_bcd_hb_Kr.jaspar", "fly_bcd_hb_Kr.meme"})
            CopyIn(Example(name));
        CopyIn(TestData("planted.pwm"));
    }

    // Removes what the previous case left, except the copied inputs.
    void Reset()
    {
        for (const auto& entry : fs::directory_iterator(dir)) {
            const std::string name = entry.path().filename().string();
            if (name.rfind("out", 0) == 0 || name.rfind("case", 0) == 0)
                fs::remove_all(entry.path());
        }
    }
};

void Write(const fs::path& d, const std::string& name, const std::string& content)
{
    std::ofstream(d / name, std::ios::binary) << content;
}

}  // namespace

TEST_F(BadInputTest, EveryBadInputGetsItsMessageAndStatus)
{
    const std::string eve = "eve_stripe2.fa";
    const std::string pwm = "fly_bcd_hb_Kr.pwm";
    const std::string row = "1\t1\t1\t1\n";
    std::string junk;
    for (int i = 0; i < 4096; ++i)
        junk += static_cast<char>((i * 151 + 7) % 256);
    const std::vector<BadInput> cases = {
        // --- matrix files ---
        {"empty matrix file",
         [](const fs::path& d) { Write(d, "case.pwm", ""); },
         {"-i", eve, "-M", "case.pwm"},
         1,
         "Velmora: matrix file 'case.pwm' holds 0 matrices, but -K asks for 3\n"},
        {"directory as matrix file",
         [](const fs::path& d) { fs::create_directory(d / "case.d"); },
         {"-i", eve, "-M", "case.d"},
         1,
         "Velmora: cannot open matrix file 'case.d': Is a directory\n"},
        {"/dev/null as matrix file",
         nullptr,
         {"-i", eve, "-M", "/dev/null"},
         1,
         "Velmora: matrix file '/dev/null' holds 0 matrices, but -K asks for 3\n"},
        {"binary junk as matrix file",
         [&](const fs::path& d) { Write(d, "case.pwm", junk); },
         {"-i", eve, "-M", "case.pwm"},
         1,
         "Velmora: matrix file 'case.pwm'",
         true},
        {"NUL byte inside a matrix row",
         [&](const fs::path& d) { Write(d, "case.pwm", ">1\n1\t2\0\t3\t4\n"s); },
         {"-i", eve, "-M", "case.pwm", "-K", "1"},
         1,
         "Velmora: matrix file 'case.pwm', line 2: field 2 (C)",
         true},
        {"matrix width 10000",
         [&](const fs::path& d) { Write(d, "case.pwm", ">10000\n" + row); },
         {"-i", eve, "-M", "case.pwm", "-K", "1"},
         1,
         "Velmora: matrix file 'case.pwm', line 1: the width after '>' must be a whole number from 1 to "
         "1000, got '10000'\n"},
        {"K larger than the number of blocks",
         nullptr,
         {"-i", eve, "-M", pwm, "-K", "4"},
         1,
         "Velmora: matrix file 'fly_bcd_hb_Kr.pwm' holds 3 matrices, but -K asks for 4\n"},
        {"K smaller than the number of blocks",
         nullptr,
         {"-i", eve, "-M", pwm, "-K", "2"},
         1,
         "Velmora: matrix file 'fly_bcd_hb_Kr.pwm' holds 3 matrices, but -K asks for 2\n"},
        {"matrix file ending inside a block",
         [&](const fs::path& d) { Write(d, "case.pwm", ">3\n" + row); },
         {"-i", eve, "-M", "case.pwm", "-K", "1"},
         1,
         "Velmora: matrix file 'case.pwm' is truncated",
         true},
        {"row summing to 0",
         [](const fs::path& d) { Write(d, "case.pwm", ">1\n0\t0\t0\t0\n"); },
         {"-i", eve, "-M", "case.pwm", "-K", "1"},
         1,
         "Velmora: matrix file 'case.pwm', line 2: the row sums to 0",
         true},
        {"negative count",
         [](const fs::path& d) { Write(d, "case.pwm", ">1\n1\t-1\t1\t1\n"); },
         {"-i", eve, "-M", "case.pwm", "-K", "1"},
         1,
         "Velmora: matrix file 'case.pwm', line 2: field 2 (C) '-1' is negative",
         true},
        {"carriage returns alone as matrix line ends",
         [&](const fs::path& d) { Write(d, "case.pwm", ">1\r1\t1\t1\t1\r"); },
         {"-i", eve, "-M", "case.pwm", "-K", "1"},
         1,
         "Velmora: matrix file 'case.pwm' is truncated",
         true},
        {"JASPAR block missing its T row",
         [](const fs::path& d) { Write(d, "case.jaspar", ">MA1 x\nA [1 2]\nC [1 2]\nG [1 2]\n"); },
         {"-i", eve, "-M", "case.jaspar", "-K", "1"},
         1,
         "Velmora: matrix file 'case.jaspar'",
         true},
        {"MEME block with fewer rows than w=",
         [](const fs::path& d) {
             Write(d, "case.meme",
                   "MEME version 4\n\nMOTIF m1\nletter-probability matrix: alength= 4 w= 3\n"
                   "0.25 0.25 0.25 0.25\n0.25 0.25 0.25 0.25\n");
         },
         {"-i", eve, "-M", "case.meme", "-K", "1"},
         1,
         "Velmora: matrix file 'case.meme'",
         true},
        {"truncated gzip matrix file",
         [&](const fs::path& d) {
             const std::string gz = Gzip(ReadWholeFile(d / "fly_bcd_hb_Kr.pwm"));
             Write(d, "case.pwm.gz", gz.substr(0, gz.size() / 2));
         },
         {"-i", eve, "-M", "case.pwm.gz"},
         1,
         "Velmora: ",
         true},
        // --- sequence files ---
        {"missing sequence file",
         nullptr,
         {"-i", "case-missing.fa", "-M", pwm},
         1,
         "Velmora: cannot open sequence file 'case-missing.fa': No such file or directory\n"},
        {"directory as sequence file",
         [](const fs::path& d) { fs::create_directory(d / "case.d"); },
         {"-i", "case.d", "-M", pwm},
         1,
         "Velmora: cannot open sequence file 'case.d': Is a directory\n"},
        {"corrupt gzip sequence file",
         [](const fs::path& d) {
             std::string gz = Gzip(">r\n" + Repeat("ACGT", 500) + "\n");
             gz[gz.size() / 2] = static_cast<char>(gz[gz.size() / 2] ^ 0x55);
             Write(d, "case.fa.gz", gz);
         },
         {"-i", "case.fa.gz", "-M", pwm},
         1,
         "Velmora: cannot read sequence file 'case.fa.gz': ",
         true},
        {"carriage returns alone as FASTA line ends",
         [](const fs::path& d) { Write(d, "case.fa", ">r\rACGTACGTAC\rGGTTAACC\r"); },
         {"-i", "case.fa", "-M", pwm},
         1,
         "Velmora: sequence file 'case.fa', line 1: the header holds a carriage return before its end; the "
         "file seems to use carriage returns alone as line ends: convert them to line feeds\n"},
        // --- result files and parameters ---
        {"output base in a missing directory",
         nullptr,
         {"-i", eve, "-M", pwm, "-o", "case-nodir/out"},
         1,
         "Velmora: cannot write result file 'case-nodir/out_module.txt': No such file or directory\n"},
        {"result file name taken by a directory",
         [](const fs::path& d) { fs::create_directory(d / "case_motif2.txt"); },
         {"-i", eve, "-M", pwm, "-o", "case"},
         1,
         "Velmora: cannot write result file 'case_motif2.txt': Is a directory\n"},
        {"module length 9", nullptr, {"-i", eve, "-M", pwm, "-L", "9"}, 1, ""},
        {"module length beyond 32 bits",
         nullptr,
         {"-i", eve, "-M", pwm, "-L", "2147483648"},
         1,
         "Velmora: option -L expects a whole number, got '2147483648'\n"},
        {"module rate 1",
         nullptr,
         {"-i", eve, "-M", pwm, "-x", "1"},
         1,
         "Velmora: module rate -x must lie strictly between 0 and 1, got 1\n"},
        {"option without its value", nullptr, {"-i", eve, "-M", pwm, "-L"}, 1, "Velmora: option -L needs a value\n"},
        // --- accepted inputs: the run goes on, with warnings where due ---
        {"empty sequence file",
         [](const fs::path& d) { Write(d, "case.fa", ""); },
         {"-i", "case.fa", "-M", pwm},
         0,
         "Velmora: warning: sequence file 'case.fa' holds no sequence: nothing to scan\n"},
        {"/dev/null as sequence file",
         nullptr,
         {"-i", "/dev/null", "-M", pwm},
         0,
         "Velmora: warning: sequence file '/dev/null' holds no sequence: nothing to scan\n"},
        {"binary junk as sequence file",
         [&](const fs::path& d) { Write(d, "case.fa", ">junk\n" + junk); },
         {"-i", "case.fa", "-M", pwm},
         0,
         "Velmora: warning: sequence file 'case.fa', line 1: record '>junk' has 0 bases: too short to scan (at "
         "least 2 needed)\n"},
        {"NUL byte inside a sequence line",
         [](const fs::path& d) { Write(d, "case.fa", ">r\nACGTAC\0GTAC\nGGCCTTAA\n"s); },
         {"-i", "case.fa", "-M", pwm},
         0,
         ""},
        {"100-megabyte single line",
         [](const fs::path& d) { Write(d, "case.fa", ">r\n" + std::string(100u << 20, '#') + "\n"); },
         {"-i", "case.fa", "-M", pwm},
         0,
         "Velmora: warning: sequence file 'case.fa', line 1: record '>r' has 0 bases: too short to scan (at "
         "least 2 needed)\n"},
        {"header of 100 000 characters",
         [](const fs::path& d) { Write(d, "case.fa", ">" + std::string(100000, 'h') + "\n" + Repeat("ACGT", 30)); },
         {"-i", "case.fa", "-M", pwm},
         0,
         ""},
        {"matrix width 1",
         [&](const fs::path& d) { Write(d, "case.pwm", ">1\n" + row); },
         {"-i", eve, "-M", "case.pwm", "-K", "1"},
         0,
         ""},
        {"module length 10", nullptr, {"-i", eve, "-M", pwm, "-L", "10"}, 0, ""},
        {"module length 2147483647", nullptr, {"-i", eve, "-M", pwm, "-L", "2147483647"}, 0, ""},
        {"module longer than every sequence", nullptr, {"-i", eve, "-M", pwm, "-L", "1000", "-x", "0.5"}, 0, ""},
        {"every motif wider than every sequence",
         [](const fs::path& d) { Write(d, "case.fa", ">a\nACGTA\n>b\nGGC\n"); },
         {"-i", "case.fa", "-M", pwm, "-L", "10", "-x", "0.5"},
         0,
         ""},
        {"sequence of N only",
         [](const fs::path& d) { Write(d, "case.fa", ">n\n" + std::string(500, 'N') + "\n"); },
         {"-i", "case.fa", "-M", pwm},
         0,
         ""},
        {"sequence of ambiguity letters only",
         [](const fs::path& d) { Write(d, "case.fa", ">amb\nRYSWKMRYSW\n"); },
         {"-i", "case.fa", "-M", pwm},
         0,
         "Velmora: warning: sequence file 'case.fa': record '>amb' not scanned: its background model gives "
         "one of its bases probability 0\n"},
        {"sequence of one letter",
         [](const fs::path& d) { Write(d, "case.fa", ">one\nA\n"); },
         {"-i", "case.fa", "-M", pwm},
         0,
         "Velmora: warning: sequence file 'case.fa', line 1: record '>one' has 1 base: too short to scan (at "
         "least 2 needed)\n"},
        {"non-ASCII bytes, '%' and '\\' in names",
         [](const fs::path& d) {
             Write(d, "case.fa", std::string(">caf\xc3\xa9 %s%d\\n\\\n") + kPlantedRecord + "\n");
         },
         {"-i", "case.fa", "-M", "planted.pwm", "-K", "2", "-L", "30", "-x", "0.1"},
         0,
         ""},
        {"control characters in a name are escaped in messages",
         [](const fs::path& d) { Write(d, "case.fa", ">a\x01\x1b[2Jb\nA\n"); },
         {"-i", "case.fa", "-M", pwm},
         0,
         "Velmora: warning: sequence file 'case.fa', line 1: record '>a\\x01\\x1b[2Jb' has 1 base: too short "
         "to scan (at least 2 needed)\n"},
    };
    ASSERT_GE(cases.size(), 40u);
    for (const BadInput& c : cases) {
        SCOPED_TRACE(c.what);
        Reset();
        if (c.setup)
            c.setup(dir);
        // An earlier run's module file under the default base name "out".
        std::vector<std::string> args = {"-o", "out"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        WriteFile("out_module.txt", kEarlier);
        const auto before = Snapshot();
        const RunResult r = Run(args);
        EXPECT_EQ(r.status, c.status) << r.err;
        if (c.partial)
            EXPECT_EQ(r.err.rfind(c.err, 0), 0u) << r.err;
        else
            EXPECT_EQ(r.err, c.err);
        EXPECT_EQ(r.err.find('\n'), r.err.empty() ? std::string::npos : r.err.size() - 1) << "one line";
        if (c.status != 0) {
            EXPECT_EQ(Snapshot(), before);
        } else {
            // The earlier run's lines stay in front of this run's.
            const std::string module = ReadFile("out_module.txt");
            EXPECT_EQ(module.rfind(kEarlier, 0), 0u);
            EXPECT_EQ(module.find("nan"), std::string::npos);
            EXPECT_EQ(module.find("inf"), std::string::npos);
        }
    }
}

// Names are written as they are: bytes above 127, '%' and '\' included.
TEST_F(BadInputTest, NamesAreWrittenByteForByte)
{
    const std::string name = ">caf\xc3\xa9 %s%d\\n\\";
    WriteFile("case.fa", name + "\n" + kPlantedRecord + "\n");
    const RunResult r = Run({"-i", "case.fa", "-M", "planted.pwm", "-K", "2", "-L", "30", "-x", "0.1", "-o", "out"});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string module = ReadFile("out_module.txt");
    EXPECT_NE(module.find("\n" + name + "\t["), std::string::npos) << module;
    EXPECT_NE(ReadFile("out_motif1.txt").find("\n" + name + "\t"), std::string::npos);
}

// A write that fails part-way is an error, and the earlier content of every
// result file survives.
TEST_F(BadInputTest, FullDeviceDuringTheRun)
{
    WriteFile("out_module.txt", kEarlier);
    fs::create_symlink("/dev/full", dir / "out_motif2.txt");
    const RunResult r = Run({"-i", "eve_stripe2.fa", "-M", "fly_bcd_hb_Kr.pwm", "-o", "out"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err.rfind("Velmora: cannot write result file 'out_motif2.txt': No space left on device", 0), 0u)
        << r.err;
    EXPECT_EQ(ReadFile("out_module.txt"), kEarlier);
}
