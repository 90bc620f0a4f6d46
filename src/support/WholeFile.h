// A file written whole or not at all: it is written under another name
// beside it and takes its own only when complete; one not finished is
// removed. A failed run thus never leaves half a file under the name.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

class CWholeFile {
public:
    // kind names the file in messages: "cannot write <kind>'path': reason"
    // (with its blank, or empty).
    explicit CWholeFile(std::string path, std::string kind = {});
    ~CWholeFile();
    CWholeFile(const CWholeFile&) = delete;
    CWholeFile& operator=(const CWholeFile&) = delete;

    bool Open(std::string* error);
    bool Write(std::string_view text, std::string* error);
    // Everything written and the file closed, still under its other name.
    bool Close(std::string* error);
    // The file takes its name.
    bool Commit(std::string* error);
    const std::string& Path() const { return m_path; }
    // The other name it is written under until Commit.
    const std::string& PartPath() const { return m_part; }

private:
    bool Fail(int error, std::string* text) const;

    std::string m_path;
    std::string m_kind;
    std::string m_part;
    std::FILE* m_file = nullptr;
    bool m_opened = false;
    bool m_done = false;
};
