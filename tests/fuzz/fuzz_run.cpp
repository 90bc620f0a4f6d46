// Fuzzes a whole run: matrix file and FASTA file from one input, separated
// by a line "====" (without it, the input is the FASTA file and a fixed
// pair of small matrices is used). The first bytes choose K, L, the strands,
// the rate, so that small modules are found often, and the thread count:
// a run on more than one thread must leave the very files of a run on one.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "frontend/VelmoraU.h"

namespace {

// The result files of a base name, by suffix, without the echo lines (which
// name the base and the thread count).
std::map<std::string, std::string> ResultFiles(const std::string& base)
{
    std::map<std::string, std::string> files;
    const std::filesystem::path path(base);
    const std::string prefix = path.filename().string() + "_";
    for (const auto& entry : std::filesystem::directory_iterator(path.parent_path())) {
        const std::string name = entry.path().filename().string();
        if (name.rfind(prefix, 0) != 0)
            continue;
        std::ifstream in(entry.path(), std::ios::binary);
        std::ostringstream text;
        std::string line;
        for (int number = 1; std::getline(in, line); ++number)
            if (number != 4)
                text << line << '\n';
        files[name.substr(prefix.size())] = text.str();
    }
    return files;
}

const char* const kDefaultMatrices = ">3 a\n9\t1\t0\t0\n0\t9\t1\t0\n0\t0\t9\t1\n"
                                     ">2 b\n1\t0\t0\t9\n0\t1\t9\t0\n";
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    static MemFile matrixFile;
    static MemFile fastaFile;
    static ScratchDir scratch;
    if (size < 3)
        return 0;
    const int motifNum = 1 + data[0] % 3;
    const int moduleLength = 10 + data[1] % 40;
    const bool both = (data[2] & 1) != 0;
    const char* rate = (data[2] & 2) ? "0.2" : "0.01";
    auto [first, second] = SplitInput(data + 3, size - 3);
    std::string matrixPath;
    std::string fastaPath;
    std::string k = std::to_string(motifNum);
    if (second.data() == nullptr) {
        matrixPath = matrixFile.Set(kDefaultMatrices);
        fastaPath = fastaFile.Set(first);
        k = "2";
    } else {
        matrixPath = matrixFile.Set(first);
        fastaPath = fastaFile.Set(second);
    }
    const std::string base = scratch.FreshBase();
    const std::string threads = std::to_string(1 + (data[2] >> 2) % 4);
    // Now and then null sequences too: their p-values must not depend on
    // the thread count either.
    const int nulls = (data[2] >> 4) % 3;
    auto run = [&](const std::string& out, const std::string& t) {
        std::vector<std::string> words = {"./Velmora",
                                          "-i",
                                          fastaPath,
                                          "-M",
                                          matrixPath,
                                          "-K",
                                          k,
                                          "-L",
                                          std::to_string(moduleLength),
                                          "-r",
                                          both ? "1" : "0",
                                          "-x",
                                          rate,
                                          "-o",
                                          out,
                                          "--quiet",
                                          "-t",
                                          t};
        if (nulls > 0)
            words.insert(words.end(), {"--null", std::to_string(nulls)});
        std::vector<char*> argv;
        for (std::string& word : words)
            argv.push_back(word.data());
        argv.push_back(nullptr);
        return VelmoraMain(static_cast<int>(words.size()), argv.data());
    };
    const int status = run(base, threads);
    if (threads != "1" && (run(base + "1", "1") != status || ResultFiles(base) != ResultFiles(base + "1")))
        std::abort();  // the thread count changed what a run wrote
    return 0;
}
