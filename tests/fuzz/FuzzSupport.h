// Helpers shared by the fuzz targets: fuzz input handed to the tool's file
// readers as a real path (an anonymous in-memory file), and a scratch
// directory for result files.
#pragma once

#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

// An in-memory file whose path (/proc/self/fd/N) the readers can open.
class MemFile {
public:
    MemFile() : m_fd(memfd_create("velmora-fuzz", 0)) {}
    ~MemFile()
    {
        if (m_fd >= 0)
            close(m_fd);
    }
    MemFile(const MemFile&) = delete;
    MemFile& operator=(const MemFile&) = delete;

    // Replaces the content; returns the path to open.
    std::string Set(std::string_view bytes)
    {
        if (ftruncate(m_fd, 0) != 0)
            std::abort();
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = pwrite(m_fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(done));
            if (n <= 0)
                std::abort();
            done += static_cast<std::size_t>(n);
        }
        return "/proc/self/fd/" + std::to_string(m_fd);
    }

private:
    int m_fd;
};

// A directory for result files, emptied before every run.
class ScratchDir {
public:
    ScratchDir()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "velmora-fuzz-XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            std::abort();
        m_path = pattern;
    }
    ~ScratchDir()
    {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    // Empties the directory and returns the base name to pass as -o.
    std::string FreshBase()
    {
        std::error_code ignored;
        for (const auto& entry : std::filesystem::directory_iterator(m_path, ignored))
            std::filesystem::remove_all(entry.path(), ignored);
        return (m_path / "out").string();
    }

private:
    std::filesystem::path m_path;
};

// Splits data at the first occurrence of the separator line "\n====\n".
inline std::pair<std::string_view, std::string_view> SplitInput(const uint8_t* data, std::size_t size)
{
    const std::string_view all(reinterpret_cast<const char*>(data), size);
    const std::size_t at = all.find("\n====\n");
    if (at == std::string_view::npos)
        return {all, std::string_view()};
    return {all.substr(0, at + 1), all.substr(at + 6)};
}
