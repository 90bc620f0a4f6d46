#include "CliFixture.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

std::string ReadWholeFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

fs::path TestData(const std::string& name) { return fs::path(VELMORA_TEST_DATA) / name; }
fs::path Example(const std::string& name) { return fs::path(VELMORA_EXAMPLES) / name; }

void CliTest::SetUp()
{
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string pattern = (fs::temp_directory_path() / "velmora-cli-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir = pattern;
    fs::create_symlink(fs::absolute(VELMORA_BINARY), dir / "Velmora");
    (void)info;
}

void CliTest::TearDown()
{
    std::error_code ignored;
    // Restore permissions a test may have taken away, then clean up.
    for (const auto& entry : fs::recursive_directory_iterator(dir, ignored))
        fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add, ignored);
    fs::remove_all(dir, ignored);
}

RunResult CliTest::Run(const std::vector<std::string>& args, const std::string& input)
{
    const fs::path outPath = dir.string() + ".stdout";
    const fs::path errPath = dir.string() + ".stderr";
    const fs::path inPath = dir.string() + ".stdin";
    {
        std::ofstream in(inPath, std::ios::binary);
        in << input;
    }
    std::vector<std::string> words = {"./Velmora"};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& w : words)
        argv.push_back(w.data());
    argv.push_back(nullptr);

    RunResult result;
    const pid_t child = fork();
    if (child == 0) {
        if (chdir(dir.c_str()) != 0)
            _exit(126);
        const int in = open(inPath.c_str(), O_RDONLY);
        const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (in < 0 || out < 0 || err < 0)
            _exit(126);
        dup2(in, 0);
        dup2(out, 1);
        dup2(err, 2);
        execv("./Velmora", argv.data());
        _exit(127);
    }
    int status = 0;
    waitpid(child, &status, 0);
    if (WIFEXITED(status))
        result.status = WEXITSTATUS(status);
    else if (WIFSIGNALED(status))
        result.status = 128 + WTERMSIG(status);
    result.out = ReadWholeFile(outPath);
    result.err = ReadWholeFile(errPath);
    std::error_code ignored;
    fs::remove(outPath, ignored);
    fs::remove(errPath, ignored);
    fs::remove(inPath, ignored);
    return result;
}

void CliTest::WriteFile(const std::string& name, const std::string& content) const
{
    std::ofstream out(dir / name, std::ios::binary);
    out << content;
}

std::string CliTest::ReadFile(const std::string& name) const { return ReadWholeFile(dir / name); }

bool CliTest::Exists(const std::string& name) const { return fs::exists(dir / name); }

std::vector<std::string> CliTest::Files() const
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir))
        if (entry.path().filename() != "Velmora")
            names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

void CliTest::CopyIn(const fs::path& source) const
{
    fs::copy_file(source, dir / source.filename(), fs::copy_options::overwrite_existing);
}

std::map<std::string, std::string> CliTest::Snapshot() const
{
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(dir)) {
        const std::string name = fs::relative(entry.path(), dir).string();
        if (name == "Velmora")
            continue;
        files[name] = entry.is_directory() ? "<dir>" : ReadWholeFile(entry.path());
    }
    return files;
}
