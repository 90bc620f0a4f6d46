#include "support/WholeFile.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

#include "support/Messages.h"

CWholeFile::CWholeFile(std::string path, std::string kind)
    : m_path(std::move(path)), m_kind(std::move(kind)), m_part(m_path + ".velmora-part-" + std::to_string(getpid()))
{}

CWholeFile::~CWholeFile()
{
    if (m_file)
        (void)std::fclose(m_file);
    if (!m_done && m_opened)
        (void)std::remove(m_part.c_str());
}

bool CWholeFile::Open(std::string* error)
{
    m_file = std::fopen(m_part.c_str(), "wbx");
    m_opened = m_file != nullptr;
    return m_opened || Fail(errno, error);
}

bool CWholeFile::Write(std::string_view text, std::string* error)
{
    return std::fwrite(text.data(), 1, text.size(), m_file) == text.size() || Fail(errno, error);
}

bool CWholeFile::Close(std::string* error)
{
    if (!m_file)
        return true;
    const bool written = std::fflush(m_file) == 0 && !std::ferror(m_file);
    const int failed = written ? 0 : errno;
    const bool closed = std::fclose(m_file) == 0;
    m_file = nullptr;
    return (written && closed) || Fail(failed != 0 ? failed : errno, error);
}

bool CWholeFile::Commit(std::string* error)
{
    if (!Close(error))
        return false;
    if (std::rename(m_part.c_str(), m_path.c_str()) != 0)
        return Fail(errno, error);
    m_done = true;
    return true;
}

bool CWholeFile::Fail(int error, std::string* text) const
{
    *text = "cannot write " + m_kind + QuotePath(m_path) + ": " + std::strerror(error != 0 ? error : EIO);
    return false;
}
