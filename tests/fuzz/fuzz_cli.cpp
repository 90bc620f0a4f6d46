// Fuzzes the command-line parser and the parameter checks: the input is a
// list of words separated by line feeds.
#include <cstdint>
#include <string>
#include <vector>

#include "frontend/VelmoraU.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    std::vector<std::string> words = {"./Velmora"};
    std::string word;
    for (std::size_t i = 0; i < size && words.size() < 64; ++i) {
        if (data[i] == '\n') {
            words.push_back(word);
            word.clear();
        } else if (data[i] != 0) {
            word += static_cast<char>(data[i]);
        }
    }
    words.push_back(word);
    std::vector<char*> argv;
    for (auto& w : words)
        argv.push_back(w.data());
    argv.push_back(nullptr);
    INPUTPARAMETER param;
    SetDefaultParam(&param);
    std::string error;
    if (ParseInputParam(&param, static_cast<int>(words.size()), argv.data(), &error))
        (void)ValidateParam(param);
    return 0;
}
