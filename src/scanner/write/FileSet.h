// The files a command writes, owned in one place: which paths it may take,
// the lock that keeps a second run out, the cut-back that takes a failed
// or interrupted run's lines out again, the renames of --overwrite, and
// files written whole. The run, its picture, split and merge all write
// through here; what goes into the files is the formats' business
// (ResultFormat.h).
#pragma once

#include <csignal>

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "support/WholeFile.h"

// An input file of the run, by identity: a result file that is the same
// file (through a link or a symlink) would be read while it grows, or
// spoilt by the results.
struct INPUTID {
    std::string label;  // "sequence file 'x.fa'", for the message
    unsigned long long device = 0;
    unsigned long long inode = 0;
};
// The identity of the file at path ("-": standard input); false when there
// is none to compare.
bool InputIdentity(const std::string& path, bool dashIsStdin, std::string label, INPUTID* id);

// Whether anything is at path (a file, a link, a folder).
bool PathExists(const std::string& path);

// Held by the writing thread while it starts other threads: they are born
// with the signals that cut the result files back blocked (a thread takes
// its creator's mask), so those signals are handled by the writing thread
// alone and a cut-back never races a write still under way. Blocking them
// in the new thread itself would leave a moment after its start in which a
// signal could land there. The thread's own mask comes back at the end of
// the scope; a signal that came meanwhile is handled then.
class CCutBackSignalsHeldOff {
public:
    CCutBackSignalsHeldOff();
    ~CCutBackSignalsHeldOff();
    CCutBackSignalsHeldOff(const CCutBackSignalsHeldOff&) = delete;
    CCutBackSignalsHeldOff& operator=(const CCutBackSignalsHeldOff&) = delete;

private:
    sigset_t m_before;
};

// The files of one run: result files appended to, and files written whole
// at the end (the picture). Members are added before Open, the first one
// being the file that is locked.
class CFileSet {
public:
    // overwrite: the appended files replace the files at their paths when
    // the run succeeds (they are written beside them and renamed over them
    // at Close), and leave them untouched when it fails.
    explicit CFileSet(bool overwrite = false) : m_overwrite(overwrite) {}
    ~CFileSet();
    CFileSet(const CFileSet&) = delete;
    CFileSet& operator=(const CFileSet&) = delete;

    // A result file the run appends to ("result file", option -o), and a
    // file it writes whole (kind "picture file", option "--svg"). Each
    // returns the member's number.
    std::size_t AddAppended(std::string path);
    std::size_t AddWhole(std::string path, std::string kind, std::string option);

    // Opens every appended member for appending and notes its size.
    // Refused, before anything is created: a path that exists but is not a
    // regular file (a FIFO would block the run for ever), one that is one
    // of the inputs, and one that is another member (the same path, or
    // linked to it). The first member is locked for the whole run; a second
    // run on the same base name fails at once instead of tearing the first
    // one's lines or cutting them away. From here until Close or CutBack,
    // SIGINT, SIGTERM, SIGHUP and SIGPIPE cut every member back to its size
    // before the run and then end the process by the same signal; SIGXFSZ
    // is ignored, so that a file-size limit is a write error. On failure
    // *error names the file and the reason, and every file this call
    // created is removed again.
    bool Open(const std::vector<INPUTID>& inputs, std::string* error);
    // After Open: the appended members that already held something, which
    // this run appends to (none with overwrite).
    std::vector<std::string> FilesWithContent() const;
    // Whether an appended member held something before the run.
    bool HeldContent(std::size_t member) const;

    // Adds text at the end of an appended member, in one write. A member
    // that held something without a final line end gets one before the
    // run's first text: its first line is not glued onto the last one.
    bool Append(std::size_t member, std::string_view text, std::string* error);
    // The whole text of a whole member; it takes its name at Close.
    bool WriteWhole(std::size_t member, std::string_view text, std::string* error);
    // Closes the files (with overwrite, renames them over their targets)
    // and gives the whole members their names; false if any of it fails.
    bool Close(std::string* error);
    // Takes the run's lines back out after a failure: each file is cut back
    // to its size before the run, and a file the run created is removed,
    // so that no partial results look like a finished run. Returns what
    // could not be restored ("" when everything was).
    std::string CutBack();

private:
    struct MEMBER {
        std::string path;  // where the results go in the end
        std::string name;  // the file written: path, or with overwrite a file beside it
        std::string kind;  // "result file", "picture file"
        std::string option;
        bool whole = false;
        int fd = -1;
        long long sizeBefore = -2;  // -1: created by this run; -2: not opened, or another run's: left alone
        bool endsMidLine = false;
        std::unique_ptr<CWholeFile> text;  // a whole member once written
    };
    // Refuses second, which is first's file too.
    static bool SameFile(const MEMBER& first, const MEMBER& second, std::string* error);
    bool CheckPaths(const std::vector<INPUTID>& inputs, std::string* error) const;
    bool CheckCreated(std::string* error) const;
    bool OpenMember(MEMBER& member, std::string* error);
    bool OpenAll(std::string* error);
    bool Lock(MEMBER& member, std::string* error);
    void NoteSize(MEMBER& member);
    void Abandon();
    void CloseAll();
    static void OnSignal(int signal);

    std::vector<MEMBER> m_members;
    MEMBER m_lock;  // with overwrite: the first member's path, held for its lock only
    bool m_overwrite;
};

// Files written whole that take their names together, or none does: the
// parts of a split, the result files of a merge. A path that exists is
// refused, before anything is written. From the first Add until CommitAll
// or the end of the set, SIGINT, SIGTERM, SIGHUP and SIGPIPE remove every
// file the set wrote and end the process by the same signal; SIGXFSZ is
// ignored, so that a file-size limit is a write error ("File too large").
class CNewFileSet {
public:
    // kind names the files in messages: "cannot write <kind>'path': ...".
    explicit CNewFileSet(std::string kind = {}) : m_kind(std::move(kind)) {}
    ~CNewFileSet();
    CNewFileSet(const CNewFileSet&) = delete;
    CNewFileSet& operator=(const CNewFileSet&) = delete;

    // A new file at path, open for writing under another name.
    CWholeFile* Add(const std::string& path, std::string* error);
    // Every file closed and renamed to its path; on failure the ones that
    // took their names are removed again.
    bool CommitAll(std::string* error);
    std::vector<std::string> Paths() const;

private:
    static void OnSignal(int signal);
    void Release();

    std::string m_kind;
    std::vector<std::unique_ptr<CWholeFile>> m_files;
    std::size_t m_named = 0;  // files that took their names so far
    bool m_guarded = false;   // the signal handlers are set
};
