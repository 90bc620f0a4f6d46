// Fuzzes a whole run: matrix file and FASTA file from one input, separated
// by a line "====" (without it, the input is the FASTA file and a fixed
// pair of small matrices is used). The first bytes choose K, L, the strands
// and the rate, so that small modules are found often.
#include <cstdint>
#include <string>

#include "FuzzSupport.h"
#include "frontend/VelmoraU.h"

namespace {
const char* const kDefaultMatrices = ">3 a\n9\t1\t0\t0\n0\t9\t1\t0\n0\t0\t9\t1\n"
                                     ">2 b\n1\t0\t0\t9\n0\t1\t9\t0\n";
}

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
    std::string words[] = {
        "./Velmora",      "-i", fastaPath, "-M", matrixPath, "-K",     k, "-L", std::to_string(moduleLength), "-r",
        both ? "1" : "0", "-x", rate,      "-o", base,       "--quiet"};
    char* argv[std::size(words) + 1];
    for (std::size_t i = 0; i < std::size(words); ++i)
        argv[i] = words[i].data();
    argv[std::size(words)] = nullptr;
    (void)VelmoraMain(static_cast<int>(std::size(words)), argv);
    return 0;
}
