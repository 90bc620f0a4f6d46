// Runs the built Velmora binary in a fresh directory per test. The binary is
// linked into that directory and started as "./Velmora", so the command-line
// echo in the module file is the same on every machine.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

struct RunResult {
    int status = -1;  // exit status, or 128 + signal number after a crash
    std::string out;  // standard output
    std::string err;  // standard error
};

class CliTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Runs ./Velmora with the given words (argv[0] excluded) in dir.
    RunResult Run(const std::vector<std::string>& args, const std::string& input = "");

    void WriteFile(const std::string& name, const std::string& content) const;
    std::string ReadFile(const std::string& name) const;
    bool Exists(const std::string& name) const;
    // Names of the files in dir, sorted, the binary excluded.
    std::vector<std::string> Files() const;
    // Every file below dir with its content ("<dir>" for a directory), the
    // binary excluded: equal snapshots show that a run changed nothing.
    std::map<std::string, std::string> Snapshot() const;
    // Copies a file from tests/data or examples into dir under its own name.
    void CopyIn(const std::filesystem::path& source) const;

    std::filesystem::path dir;
};

std::string ReadWholeFile(const std::filesystem::path& path);
std::filesystem::path TestData(const std::string& name);
std::filesystem::path Example(const std::string& name);
