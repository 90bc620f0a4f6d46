#include "scanner/write/FileSet.h"

#include <fcntl.h>
#include <pthread.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <utility>

#include "support/Messages.h"

namespace {

std::string WriteError(const std::string& name, int error)
{
    return "cannot write result file " + QuotePath(name) + ": " + std::strerror(error);
}

// The signals that cut a run's files back.
constexpr int kCutBackSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGPIPE};

void BlockCutBackSignals(int how, sigset_t* before = nullptr)
{
    sigset_t set;
    sigemptyset(&set);
    for (const int signal : kCutBackSignals)
        sigaddset(&set, signal);
    (void)pthread_sigmask(how, &set, before);
}

// The cut-back signals go to handler, once: it ends with the signal again
// under its default action. A file-size limit becomes a write error.
void HandleCutBackSignals(void (*handler)(int))
{
    struct sigaction action {};
    action.sa_handler = handler;
    sigfillset(&action.sa_mask);
    action.sa_flags = SA_RESETHAND;
    for (const int signal : kCutBackSignals)
        (void)sigaction(signal, &action, nullptr);
    (void)std::signal(SIGXFSZ, SIG_IGN);
}

struct FILEID {
    bool exists = false;
    dev_t device = 0;
    ino_t inode = 0;

    bool Same(const FILEID& other) const
    {
        return exists && other.exists && device == other.device && inode == other.inode;
    }
};

FILEID Identity(const std::string& path)
{
    struct stat info {};
    if (stat(path.c_str(), &info) != 0)
        return {};
    return {true, info.st_dev, info.st_ino};
}

}  // namespace

bool PathExists(const std::string& path)
{
    struct stat info {};
    return stat(path.c_str(), &info) == 0;
}

bool InputIdentity(const std::string& path, bool dashIsStdin, std::string label, INPUTID* id)
{
    struct stat info {};
    if ((dashIsStdin && path == "-" ? fstat(STDIN_FILENO, &info) : stat(path.c_str(), &info)) != 0)
        return false;
    *id = INPUTID {std::move(label), static_cast<unsigned long long>(info.st_dev),
                   static_cast<unsigned long long>(info.st_ino)};
    return true;
}

CCutBackSignalsHeldOff::CCutBackSignalsHeldOff() { BlockCutBackSignals(SIG_BLOCK, &m_before); }

CCutBackSignalsHeldOff::~CCutBackSignalsHeldOff() { (void)pthread_sigmask(SIG_SETMASK, &m_before, nullptr); }

// The file set whose files a signal cuts back (one run per process).
static CFileSet* g_signalled = nullptr;

CFileSet::~CFileSet() { CloseAll(); }

std::size_t CFileSet::AddAppended(std::string path)
{
    MEMBER member;
    member.path = std::move(path);
    member.kind = "result file";
    member.option = "-o";
    m_members.push_back(std::move(member));
    return m_members.size() - 1;
}

std::size_t CFileSet::AddWhole(std::string path, std::string kind, std::string option)
{
    MEMBER member;
    member.path = std::move(path);
    member.kind = std::move(kind);
    member.option = std::move(option);
    member.whole = true;
    m_members.push_back(std::move(member));
    return m_members.size() - 1;
}

bool CFileSet::SameFile(const MEMBER& first, const MEMBER& second, std::string* error)
{
    *error = second.kind + " " + QuotePath(second.path) + " is also the " + first.kind + " " + QuotePath(first.path) +
             (second.path == first.path ? "" : " (the same file)") + ": choose another " + second.option;
    return false;
}

bool CFileSet::CheckPaths(const std::vector<INPUTID>& inputs, std::string* error) const
{
    // The whole members first: the picture's path is the one typed apart.
    std::vector<const MEMBER*> order;
    for (const bool whole : {true, false})
        for (const MEMBER& member : m_members)
            if (member.whole == whole)
                order.push_back(&member);
    std::vector<FILEID> ids(m_members.size());
    for (const MEMBER* checked : order) {
        const MEMBER& member = *checked;
        const std::string& path = member.path;
        struct stat info {};
        const bool exists = stat(path.c_str(), &info) == 0;
        if (exists)
            ids[static_cast<std::size_t>(checked - m_members.data())] = {true, info.st_dev, info.st_ino};
        if (exists && !S_ISREG(info.st_mode)) {
            *error = "cannot write " + member.kind + " " + QuotePath(path) + ": " +
                     (S_ISDIR(info.st_mode) ? std::string(std::strerror(EISDIR)) : "not a regular file");
            return false;
        }
        const auto same = std::find_if(inputs.begin(), inputs.end(), [&](const INPUTID& input) {
            return exists && input.device == static_cast<unsigned long long>(info.st_dev) &&
                   input.inode == static_cast<unsigned long long>(info.st_ino);
        });
        if (same != inputs.end()) {
            *error = same->label + " is also the " + member.kind + " " + QuotePath(path) + ": choose another " +
                     member.option;
            return false;
        }
    }
    // No two members may be one file: the same path, or linked to each other.
    for (std::size_t i = 0; i < m_members.size(); ++i)
        for (std::size_t j = 0; j < i; ++j)
            if (m_members[i].path == m_members[j].path || ids[i].Same(ids[j]))
                return SameFile(m_members[j], m_members[i], error);
    return true;
}

bool CFileSet::CheckCreated(std::string* error) const
{
    // A member that did not exist before may be another's path in other
    // words ("./x" for "x"): now that they exist, compare them again.
    std::vector<FILEID> ids;
    for (const MEMBER& member : m_members)
        ids.push_back(Identity(member.whole ? member.path : member.name));
    for (std::size_t i = 0; i < m_members.size(); ++i)
        for (std::size_t j = 0; j < i; ++j)
            if (ids[i].Same(ids[j]))
                return SameFile(m_members[j], m_members[i], error);
    return true;
}

bool CFileSet::OpenMember(MEMBER& file, std::string* error)
{
    // O_EXCL first: a file this run creates is removed again on failure,
    // one that was there is only cut back to its size.
    file.fd = open(file.name.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    const bool created = file.fd >= 0;
    if (!created && errno == EEXIST) {
        file.fd = open(file.name.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
        // O_EXCL does not follow a symlink: one that points nowhere gets
        // here. Creating through it would leave a file the cut-back cannot
        // find by the result file's name.
        if (file.fd < 0 && errno == ENOENT) {
            *error = "cannot write result file " + QuotePath(file.name) + ": a symbolic link to a missing file";
            return false;
        }
    }
    if (file.fd < 0) {
        *error = WriteError(file.name, errno);
        return false;
    }
    file.sizeBefore = created ? -1 : 0;  // the size is taken once the run holds the lock
    return true;
}

bool CFileSet::Lock(MEMBER& file, std::string* error)
{
    if (flock(file.fd, LOCK_EX | LOCK_NB) == 0)
        return true;
    // Another run holds it: its file, not ours to remove.
    file.sizeBefore = -2;
    *error =
        "result file " + QuotePath(file.name) + " is in use by another run: wait for it to end or choose another -o";
    return false;
}

void CFileSet::NoteSize(MEMBER& file)
{
    struct stat info {};
    if (file.sizeBefore == -1 || fstat(file.fd, &info) != 0)
        return;
    file.sizeBefore = info.st_size;
    // The last byte tells whether the run's first line would be glued on
    // (the file is open for writing only: it is read through another).
    char last = '\n';
    const int reader = info.st_size > 0 ? open(file.name.c_str(), O_RDONLY | O_CLOEXEC) : -1;
    if (reader >= 0 && pread(reader, &last, 1, info.st_size - 1) == 1)
        file.endsMidLine = last != '\n';
    if (reader >= 0)
        (void)close(reader);
}

bool CFileSet::OpenAll(std::string* error)
{
    // The first member is locked for the whole run. With overwrite it is
    // opened for the lock alone, and the results go to new files beside
    // the result files, which they replace only when the run succeeds.
    if (m_overwrite) {
        m_lock = MEMBER();
        m_lock.name = m_members.front().path;
        if (!OpenMember(m_lock, error) || !Lock(m_lock, error))
            return false;
    }
    for (MEMBER& member : m_members) {
        if (member.whole)
            continue;
        member.name = m_overwrite ? member.path + ".velmora-part-" + std::to_string(getpid()) : member.path;
        if (!OpenMember(member, error))
            return false;
        if (m_overwrite && member.sizeBefore != -1) {
            *error = "cannot write result file " + QuotePath(member.name) + ": it exists already";
            member.sizeBefore = -2;
            return false;
        }
        if (!m_overwrite && &member == &m_members.front() && !Lock(member, error))
            return false;
        NoteSize(member);
    }
    return CheckCreated(error);
}

bool CFileSet::Open(const std::vector<INPUTID>& inputs, std::string* error)
{
    // Every path is checked before the first file is created.
    if (!CheckPaths(inputs, error))
        return false;
    BlockCutBackSignals(SIG_BLOCK);
    if (!OpenAll(error)) {
        Abandon();
        BlockCutBackSignals(SIG_UNBLOCK);
        return false;
    }
    g_signalled = this;
    HandleCutBackSignals(OnSignal);
    BlockCutBackSignals(SIG_UNBLOCK);
    return true;
}

void CFileSet::Abandon()
{
    // Only what this call created goes; another run's files stay.
    CloseAll();
    for (MEMBER& member : m_members) {
        if (!member.whole && member.sizeBefore == -1 && !member.name.empty())
            (void)std::remove(member.name.c_str());
        member.fd = -1;
        member.sizeBefore = -2;
    }
    if (m_lock.sizeBefore == -1)
        (void)std::remove(m_lock.name.c_str());
    m_lock = MEMBER();
}

void CFileSet::OnSignal(int signal)
{
    // Only calls that are safe in a signal handler: ftruncate and unlink on
    // what Open prepared, then the signal again, now with its default action.
    // errno is the interrupted code's: it is put back as it was.
    const int interrupted = errno;
    if (g_signalled) {
        for (const MEMBER& file : g_signalled->m_members) {
            if (file.whole)
                continue;
            if (file.sizeBefore == -1)
                (void)unlink(file.name.c_str());
            else if (file.sizeBefore >= 0 && file.fd >= 0)
                (void)ftruncate(file.fd, static_cast<off_t>(file.sizeBefore));
        }
        if (g_signalled->m_lock.sizeBefore == -1)
            (void)unlink(g_signalled->m_lock.name.c_str());
    }
    errno = interrupted;
    (void)raise(signal);
}

std::vector<std::string> CFileSet::FilesWithContent() const
{
    std::vector<std::string> names;
    for (const MEMBER& file : m_members)
        if (!file.whole && file.sizeBefore > 0)
            names.push_back(file.name);
    return names;
}

bool CFileSet::HeldContent(std::size_t member) const
{
    return member < m_members.size() && !m_members[member].whole && m_members[member].sizeBefore > 0;
}

bool CFileSet::Append(std::size_t member, std::string_view text, std::string* error)
{
    if (member >= m_members.size() || m_members[member].fd < 0)
        return true;  // not open: nothing to write to
    MEMBER& file = m_members[member];
    std::string mended;
    if (file.endsMidLine && !text.empty()) {
        mended.append("\n").append(text);
        text = mended;
        file.endsMidLine = false;
    }
    while (!text.empty()) {
        const ssize_t written = write(file.fd, text.data(), text.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            *error = WriteError(file.name, written < 0 ? errno : EIO);
            return false;
        }
        text.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

bool CFileSet::WriteWhole(std::size_t member, std::string_view text, std::string* error)
{
    MEMBER& file = m_members[member];
    file.text = std::make_unique<CWholeFile>(file.path, file.kind + " ");
    return file.text->Open(error) && file.text->Write(text, error) && file.text->Close(error);
}

bool CFileSet::Close(std::string* error)
{
    bool ok = true;
    for (MEMBER& file : m_members) {
        if (file.fd < 0)
            continue;
        if (close(file.fd) != 0 && ok) {
            *error = WriteError(file.name, errno);
            ok = false;
        }
        file.fd = -1;
    }
    // The whole members take their names first: a failure there still finds
    // every result file as the run found it. With overwrite the run's files
    // then take the result files' names, the first member last: until then
    // the lock on it keeps other runs out.
    for (MEMBER& file : m_members)
        if (ok && file.text)
            ok = file.text->Commit(error);
    for (auto file = m_members.rbegin(); ok && file != m_members.rend(); ++file) {
        if (file->whole || file->name == file->path)
            continue;
        if (std::rename(file->name.c_str(), file->path.c_str()) != 0) {
            *error = "cannot replace result file " + QuotePath(file->path) + ": " + std::strerror(errno);
            ok = false;
        } else {
            file->name = file->path;
            file->sizeBefore = -2;  // done: a later cut-back leaves it
        }
    }
    if (ok && m_lock.fd >= 0)
        m_lock.sizeBefore = -2;
    CloseAll();
    return ok;
}

void CFileSet::CloseAll()
{
    // From here a signal ends the process by its default action again.
    if (g_signalled == this) {
        for (const int signal : kCutBackSignals)
            (void)std::signal(signal, SIG_DFL);
        g_signalled = nullptr;
    }
    for (MEMBER& file : m_members) {
        if (file.fd >= 0)
            (void)close(file.fd);
        file.fd = -1;
    }
    if (m_lock.fd >= 0)
        (void)close(m_lock.fd);
    m_lock.fd = -1;
}

std::string CFileSet::CutBack()
{
    CloseAll();
    std::string problems;
    for (MEMBER& file : m_members) {
        file.text.reset();  // a whole member not yet named is removed
        if (file.whole)
            continue;
        const bool created = file.sizeBefore == -1;
        int failed = 0;
        if (created ? std::remove(file.name.c_str()) != 0 && errno != ENOENT
                    : file.sizeBefore >= 0 && truncate(file.name.c_str(), static_cast<off_t>(file.sizeBefore)) != 0)
            failed = errno;
        if (failed == 0)
            continue;
        struct stat info {};
        const long long now = stat(file.name.c_str(), &info) == 0 ? static_cast<long long>(info.st_size) : 0;
        problems += "; could not restore " + QuotePath(file.name) + " (" + std::strerror(failed) + "): it now holds " +
                    std::to_string(now) + " bytes, " +
                    (file.sizeBefore == -1 ? std::string("none before the run")
                                           : std::to_string(file.sizeBefore) + " before the run");
    }
    if (m_lock.sizeBefore == -1)
        (void)std::remove(m_lock.name.c_str());
    m_lock = MEMBER();
    return problems;
}

// The new files a signal removes (one set at a time per process).
static CNewFileSet* g_newFiles = nullptr;

CNewFileSet::~CNewFileSet() { Release(); }

void CNewFileSet::Release()
{
    if (g_newFiles == this) {
        for (const int signal : kCutBackSignals)
            (void)std::signal(signal, SIG_DFL);
        g_newFiles = nullptr;
    }
    m_guarded = false;
}

void CNewFileSet::OnSignal(int signal)
{
    // unlink only, then the signal again with its default action.
    const int interrupted = errno;
    if (g_newFiles) {
        for (std::size_t i = 0; i < g_newFiles->m_files.size(); ++i) {
            (void)unlink(g_newFiles->m_files[i]->PartPath().c_str());
            if (i < g_newFiles->m_named)
                (void)unlink(g_newFiles->m_files[i]->Path().c_str());
        }
    }
    errno = interrupted;
    (void)raise(signal);
}

CWholeFile* CNewFileSet::Add(const std::string& path, std::string* error)
{
    if (PathExists(path)) {
        *error = "cannot write " + m_kind + QuotePath(path) + ": it exists already";
        return nullptr;
    }
    // The list a signal reads is changed with the signals held off.
    BlockCutBackSignals(SIG_BLOCK);
    if (!m_guarded) {
        m_guarded = true;
        g_newFiles = this;
        HandleCutBackSignals(OnSignal);
    }
    m_files.push_back(std::make_unique<CWholeFile>(path, m_kind));
    BlockCutBackSignals(SIG_UNBLOCK);
    return m_files.back()->Open(error) ? m_files.back().get() : nullptr;
}

bool CNewFileSet::CommitAll(std::string* error)
{
    for (std::size_t i = 0; i < m_files.size(); ++i) {
        BlockCutBackSignals(SIG_BLOCK);
        const bool done = m_files[i]->Commit(error);
        m_named += done ? 1 : 0;
        BlockCutBackSignals(SIG_UNBLOCK);
        if (!done) {
            for (std::size_t named = 0; named < i; ++named)
                (void)std::remove(m_files[named]->Path().c_str());
            m_named = 0;
            return false;
        }
    }
    Release();
    return true;
}

std::vector<std::string> CNewFileSet::Paths() const
{
    std::vector<std::string> paths;
    for (const auto& file : m_files)
        paths.push_back(file->Path());
    return paths;
}
