// Interrupts the writers of the operator's files and checks what is left on disk.
//
//   crash_harness [--writer NAME|all] [--kind kill|inject|power|all] [--trials N] [--seed S]
//                 [--trial I] [--work DIR] [--verbose]
//
// kill:   the writer runs in a child process that is killed with SIGKILL after a random delay spread
//         over the writer's measured duration.
// inject: the N-th call of write/pwrite/fsync/fdatasync/rename/renameat/close/fchmod made while the
//         writer runs fails with EIO or ENOSPC, once or from then on (a full disk stays full).
// power:  the power fails just before the N-th of those calls (or of open/unlink/remove), or just
//         after the writer returns: what was written since a file's last fsync is lost, and so are
//         the renames, creations and removals since the last fsync of their folder, as a disk that
//         lost power keeps only what was synced. The writer runs in a child that undoes what a
//         power cut would lose, then exits.
// After each trial every file the writer owns must hold exactly its old or exactly its new bytes
// (with the writer's own rules across files), and a writer that said it succeeded must have left
// the new content. Trial I of seed S is replayed with --seed S --trial I.
//
// Exit status: 0 nothing damaged; 1 damage or a false success; 2 bad arguments or a broken set-up;
// 4 the fault injection does not reach the writers (the interposed calls are never seen).

#include "config.h"
#include "entry_line.h"
#include "export.h"
#include "segment_split.h"
#include "siglist_files.h"
#include "signal_list.h"
#include "textfile.h"

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <random>
#include <set>
#include <signal.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

// ---------------------------------------------------------------------------------------------
// Fault injection. Functions defined in the executable take precedence over libc's for every
// dynamically bound call (and the model libraries are linked in statically), so defining them here
// puts the plan between the writers and libc; the real functions are found with RTLD_NEXT (under
// ASan that is its interceptor, which forwards to libc).

namespace {

struct FaultPlan {
    bool armed = false;
    long calls = 0;      // interposed calls seen while armed
    long failAt = 0;     // the 1-based call that fails; 0 counts only
    bool sticky = false; // every later call fails too
    int err = EIO;
    long injected = 0;
    std::size_t chunk = 0; // while armed, a write moves at most this many bytes (a legal short write)
    bool power = false;    // failAt is where the power fails; no call fails by itself
};
FaultPlan plan;

[[noreturn]] void CutPower(int status);

template <class Fn> Fn Real(const char* name) {
    return reinterpret_cast<Fn>(dlsym(RTLD_NEXT, name));
}

bool ShouldFail() {
    if (!plan.armed) return false;
    const long n = ++plan.calls;
    if (plan.power) {
        if (n == plan.failAt) CutPower(9);
        return false;
    }
    if (plan.failAt == 0) return false;
    if (n == plan.failAt || (plan.sticky && n > plan.failAt)) {
        ++plan.injected;
        errno = plan.err;
        return true;
    }
    return false;
}

std::size_t Chunked(std::size_t n) {
    return plan.armed && plan.chunk > 0 ? std::min(n, plan.chunk) : n;
}


// ---------------------------------------------------------------------------------------------
// Power loss. While the plan is in power mode the interposed calls keep a journal of what a disk
// would still lose: the content each file had at its last fsync (taken before the first change
// after it), and the renames, creations and removals in each folder since that folder's last
// fsync. At the cut the journal is played back with the real calls, newest first.

struct PowerFile {
    std::string path;                   // where the file is now
    std::optional<std::string> durable; // its synced content; no value: not changed since
};

struct EntryChange {
    enum Kind { Created, Renamed, Removed } kind;
    std::string folder;
    std::string from, to;               // Renamed: from -> to; Created and Removed: `to`
    ino_t ino = 0;                      // the file the entry names (Renamed: the one moved)
    std::optional<std::string> displaced; // Renamed over an existing file, Removed: its synced bytes
};

struct PowerJournal {
    bool on = false;
    std::set<ino_t> atStart;             // files that existed (and were synced) before the writer
    std::map<ino_t, PowerFile> files;
    std::vector<EntryChange> entries;
};
PowerJournal journal;

std::string FolderPart(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

std::string PathOfFd(int fd) {
    char buf[4096];
    const std::string link = "/proc/self/fd/" + std::to_string(fd);
    const ssize_t n = ::readlink(link.c_str(), buf, sizeof buf - 1);
    return n > 0 ? std::string(buf, static_cast<std::size_t>(n)) : std::string();
}

// The bytes of `path` read with the real calls (the journal must not see its own reads).
std::optional<std::string> RawRead(const std::string& path) {
    static const auto realOpen = Real<int (*)(const char*, int, ...)>("open");
    static const auto realClose = Real<int (*)(int)>("close");
    const int fd = realOpen(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    std::string bytes;
    char buf[65536];
    ssize_t n;
    while ((n = ::read(fd, buf, sizeof buf)) > 0)
        bytes.append(buf, static_cast<std::size_t>(n));
    realClose(fd);
    return bytes;
}

void RawWrite(const std::string& path, const std::string& bytes) {
    static const auto realOpen = Real<int (*)(const char*, int, ...)>("open");
    static const auto realWrite = Real<ssize_t (*)(int, const void*, size_t)>("write");
    static const auto realClose = Real<int (*)(int)>("close");
    const int fd = realOpen(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0640);
    if (fd < 0) return;
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = realWrite(fd, bytes.data() + done, bytes.size() - done);
        if (n <= 0) break;
        done += static_cast<std::size_t>(n);
    }
    realClose(fd);
}

// The file at `path` (inode `ino`) is about to change: keep its synced content if not kept yet. A
// file the writer made itself has nothing synced until it is synced: it comes back empty.
void KeepDurable(ino_t ino, const std::string& path) {
    PowerFile& f = journal.files[ino];
    f.path = path;
    if (f.durable) return;
    if (journal.atStart.count(ino) != 0) {
        f.durable = RawRead(path).value_or(std::string());
    } else {
        f.durable = std::string();
    }
}

void BeforeDataChange(int fd) {
    if (!journal.on) return;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) return;
    const std::string path = PathOfFd(fd);
    if (journal.files.count(st.st_ino) == 0 && journal.atStart.count(st.st_ino) == 0) {
        // First sight of a file the writer created: its folder entry is not synced yet.
        journal.entries.push_back({EntryChange::Created, FolderPart(path), "", path, st.st_ino, std::nullopt});
    }
    KeepDurable(st.st_ino, path);
}

void AfterSync(int fd) {
    if (!journal.on) return;
    struct stat st {};
    if (::fstat(fd, &st) != 0) return;
    if (S_ISDIR(st.st_mode)) {
        const std::string folder = PathOfFd(fd);
        std::erase_if(journal.entries, [&](const EntryChange& e) { return e.folder == folder; });
    } else if (auto it = journal.files.find(st.st_ino); it != journal.files.end()) {
        it->second.durable.reset();
    } else if (journal.atStart.count(st.st_ino) == 0) {
        BeforeDataChange(fd); // a file synced before any write: its entry still counts as new
        journal.files[st.st_ino].durable.reset();
    }
}

std::optional<std::string> SyncedBytesAt(const std::string& path, ino_t* inoOut) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) return std::nullopt;
    if (inoOut) *inoOut = st.st_ino;
    if (auto it = journal.files.find(st.st_ino); it != journal.files.end() && it->second.durable)
        return it->second.durable;
    if (journal.atStart.count(st.st_ino) == 0 && journal.files.count(st.st_ino) == 0) return std::string();
    return RawRead(path);
}

void BeforeRename(const char* from, const char* to) {
    if (!journal.on) return;
    struct stat st {};
    if (::lstat(from, &st) != 0) return;
    EntryChange e{EntryChange::Renamed, FolderPart(to), from, to, st.st_ino, std::nullopt};
    e.displaced = SyncedBytesAt(to, nullptr);
    journal.entries.push_back(e);
    if (auto it = journal.files.find(st.st_ino); it != journal.files.end()) it->second.path = to;
}

void BeforeRemove(const char* path) {
    if (!journal.on) return;
    struct stat st {};
    if (::lstat(path, &st) != 0 || !S_ISREG(st.st_mode)) return;
    EntryChange e{EntryChange::Removed, FolderPart(path), "", path, st.st_ino, std::nullopt};
    e.displaced = SyncedBytesAt(path, nullptr);
    journal.entries.push_back(e);
    journal.files.erase(st.st_ino);
}

// The cut: unsynced folder changes are undone newest first, then every file whose data changed
// since its last sync gets its synced content back.
[[noreturn]] void CutPower(int status) {
    static const auto realRename = Real<int (*)(const char*, const char*)>("rename");
    static const auto realUnlink = Real<int (*)(const char*)>("unlink");
    journal.on = false;
    for (auto it = journal.entries.rbegin(); it != journal.entries.rend(); ++it) {
        const EntryChange& e = *it;
        switch (e.kind) {
        case EntryChange::Created:
            realUnlink(e.to.c_str());
            journal.files.erase(e.ino);
            break;
        case EntryChange::Renamed:
            realRename(e.to.c_str(), e.from.c_str());
            if (auto f = journal.files.find(e.ino); f != journal.files.end()) f->second.path = e.from;
            if (e.displaced) RawWrite(e.to, *e.displaced);
            break;
        case EntryChange::Removed:
            if (e.displaced) RawWrite(e.to, *e.displaced);
            break;
        }
    }
    for (const auto& [ino, f] : journal.files) {
        struct stat st {};
        if (f.durable && ::lstat(f.path.c_str(), &st) == 0 && st.st_ino == ino) RawWrite(f.path, *f.durable);
    }
    ::_exit(status);
}

// Calls that only the power kind counts, so that the other kinds' trials stay as they were.
void PowerOnlyPoint() {
    if (plan.armed && plan.power) ShouldFail();
}

} // namespace

extern "C" {

ssize_t write(int fd, const void* buf, size_t n) {
    static const auto real = Real<ssize_t (*)(int, const void*, size_t)>("write");
    if (ShouldFail()) return -1;
    BeforeDataChange(fd);
    return real(fd, buf, Chunked(n));
}

ssize_t pwrite(int fd, const void* buf, size_t n, off_t offset) {
    static const auto real = Real<ssize_t (*)(int, const void*, size_t, off_t)>("pwrite");
    if (ShouldFail()) return -1;
    BeforeDataChange(fd);
    return real(fd, buf, Chunked(n), offset);
}

ssize_t pwrite64(int fd, const void* buf, size_t n, off64_t offset) {
    static const auto real = Real<ssize_t (*)(int, const void*, size_t, off64_t)>("pwrite64");
    if (ShouldFail()) return -1;
    BeforeDataChange(fd);
    return real(fd, buf, Chunked(n), offset);
}

int fsync(int fd) {
    static const auto real = Real<int (*)(int)>("fsync");
    if (ShouldFail()) return -1;
    const int rc = real(fd);
    if (rc == 0) AfterSync(fd);
    return rc;
}

int fdatasync(int fd) {
    static const auto real = Real<int (*)(int)>("fdatasync");
    if (ShouldFail()) return -1;
    const int rc = real(fd);
    if (rc == 0) AfterSync(fd);
    return rc;
}

int rename(const char* from, const char* to) noexcept {
    static const auto real = Real<int (*)(const char*, const char*)>("rename");
    if (ShouldFail()) return -1;
    BeforeRename(from, to);
    return real(from, to);
}

int renameat(int fromDir, const char* from, int toDir, const char* to) noexcept {
    static const auto real = Real<int (*)(int, const char*, int, const char*)>("renameat");
    if (ShouldFail()) return -1;
    return real(fromDir, from, toDir, to);
}

int close(int fd) {
    static const auto real = Real<int (*)(int)>("close");
    // Linux releases the descriptor even when close reports an error.
    const bool fail = ShouldFail();
    const int err = errno;
    const int rc = real(fd);
    if (fail) {
        errno = err;
        return -1;
    }
    return rc;
}

int fchmod(int fd, mode_t mode) noexcept {
    static const auto real = Real<int (*)(int, mode_t)>("fchmod");
    if (ShouldFail()) return -1;
    return real(fd, mode);
}

// Seen by the power kind only: a truncating open changes the file before any write does, and a
// removal changes its folder.
int open(const char* path, int flags, ...) {
    static const auto real = Real<int (*)(const char*, int, ...)>("open");
    mode_t mode = 0;
    if (flags & (O_CREAT | O_TMPFILE)) {
        va_list ap;
        va_start(ap, flags);
        mode = static_cast<mode_t>(va_arg(ap, int));
        va_end(ap);
    }
    PowerOnlyPoint();
    if (journal.on && (flags & O_TRUNC)) {
        struct stat st {};
        if (::lstat(path, &st) == 0 && S_ISREG(st.st_mode)) KeepDurable(st.st_ino, path);
    }
    return real(path, flags, mode);
}

int unlink(const char* path) noexcept {
    static const auto real = Real<int (*)(const char*)>("unlink");
    PowerOnlyPoint();
    BeforeRemove(path);
    return real(path);
}

int remove(const char* path) noexcept {
    static const auto real = Real<int (*)(const char*)>("remove");
    PowerOnlyPoint();
    BeforeRemove(path);
    return real(path);
}

} // extern "C"

// ---------------------------------------------------------------------------------------------
// Scenarios: the old files laid out before a trial, the writer, and what may be found afterwards.

namespace {

enum class State { Absent, Old, New, Other };

const char* StateName(State s) {
    switch (s) {
    case State::Absent:
        return "absent";
    case State::Old:
        return "old";
    case State::New:
        return "new";
    case State::Other:
        return "damaged";
    }
    return "?";
}

// One file the writer owns (or must leave alone: old == new), relative to the trial folder.
struct OwnedFile {
    std::string name;
    std::optional<std::string> oldBytes; // no value: the file does not exist before
    std::string newBytes;
    bool mayVanish = false; // the writer removes it on purpose first; the new one is a new file
};

constexpr mode_t kOldMode = 0640; // the operator's files keep their bits across a replacement

struct Scenario {
    std::string name;
    std::vector<std::string> folders; // made empty before the files are laid
    std::vector<OwnedFile> files;
    std::function<bool(const std::string& dir)> run;
    // Rules across files; the states are in the order of `files`. Returns the broken rule or "".
    std::function<std::string(const std::vector<State>&)> rule;
    std::size_t ioChunk = 64 * 1024;
};

std::string Num(long v, int width) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%0*ld", width, v);
    return buf;
}

// A text of `size` bytes of CR LF lines, different for each tag.
std::string Filler(std::size_t size, char tag) {
    std::string s;
    s.reserve(size + 80);
    long i = 0;
    while (s.size() < size) {
        s += tag;
        s += Num(i++, 8);
        s += " the quick brown fox jumps over the lazy dog\r\n";
    }
    s.resize(size);
    return s;
}

zarn::SignalList MakeList(int entries, int salt) {
    zarn::SignalList list;
    for (int i = 0; i < entries; ++i) {
        char freq[16];
        std::snprintf(freq, sizeof freq, "%05d.%05d", 30 + i / 10, (i % 10) * 1000 + salt);
        const std::string comment = "Entry " + std::to_string(i) + " salt " + std::to_string(salt);
        list.InsertAt(list.Count(),
                      zarn::MakeEntryLine(freq, "00.025", "-1", "FM ", zarn::SignalClass::Unknown,
                                          std::to_string(i % 10), i % 3 == 0, comment));
    }
    return list;
}

Scenario SignalListScenario() {
    Scenario s;
    s.name = "siglist";
    const zarn::SignalList oldList = MakeList(6000, 1);
    auto newList = std::make_shared<zarn::SignalList>(MakeList(12000, 2));
    s.files = {{"LIST.SIG", zarn::SignalFileText(oldList), zarn::SignalFileText(*newList)}};
    s.run = [newList](const std::string& dir) {
        return bool(zarn::SaveSignalFile(dir + "/LIST.SIG", *newList));
    };
    return s;
}

Scenario ConfigScenario() {
    Scenario s;
    s.name = "config";
    // A long bandwidth text stretches the write so that the interruptions can land inside it.
    const std::string oldKHz = "12.5" + std::string(100000, '0');
    const std::string newKHz = "25" + std::string(300000, '7');
    s.files = {{"Zarn_Aud.Ini", zarn::ConfigText(false, oldKHz), zarn::ConfigText(true, newKHz)}};
    s.run = [newKHz](const std::string& dir) { return bool(zarn::WriteConfig(dir, true, newKHz)); };
    return s;
}

Scenario PointerScenario() {
    Scenario s;
    s.name = "pointer";
    const std::string oldList = "/station/lists/OLD" + std::string(100000, 'o') + ".SIG";
    const std::string newList = "/station/lists/NEW" + std::string(300000, 'n') + ".SIG";
    s.files = {{zarn::kPointerFileName, oldList + "\r\n", newList + "\r\n"}};
    s.run = [newList](const std::string& dir) {
        return bool(zarn::WritePointerFile(dir + "/" + zarn::kPointerFileName, newList));
    };
    return s;
}

Scenario CommentScenario() {
    Scenario s;
    s.name = "comment";
    std::vector<std::string> oldTexts, newTexts;
    for (int i = 0; i < zarn::kCommentSlots; ++i) {
        oldTexts.push_back("old comment " + std::to_string(i) + std::string(5000, 'a'));
        newTexts.push_back("new comment " + std::to_string(i) + std::string(15000, 'b'));
    }
    auto text = [](const std::vector<std::string>& texts) {
        std::vector<std::string> lines{zarn::kCommentMarker};
        lines.insert(lines.end(), texts.begin(), texts.end());
        return zarn::JoinCrLf(lines);
    };
    // The file on disk differs in case from the name the program asks for; it is the one replaced.
    s.files = {{"~FREQ.CMT", text(oldTexts), text(newTexts)}};
    s.run = [newTexts](const std::string& dir) {
        return bool(zarn::WriteCommentFile(dir + "/" + zarn::kCommentFileName, newTexts));
    };
    return s;
}

std::string EventText(const std::string& prefix, int segments, int clipsPerSegment) {
    std::string text = "Ver, Created by the station\r\n";
    int clip = 0;
    for (int seg = 0; seg < segments; ++seg) {
        text += "STARTBYTRIGGER,01/0" + std::to_string(seg + 2) + "/24 10:00:00," + prefix +
                Num(clip + 1, 4) + ".WAV\r\n";
        for (int k = 0; k < clipsPerSegment; ++k, ++clip) {
            const std::string sec = Num(k % 60, 2), min = Num((k / 60) % 60, 2);
            text += "WAV," + prefix + Num(clip + 1, 4) + ".WAV," + std::to_string(k % 16 + 1) + "," +
                    std::to_string(150 + k % 40) + ".12500,01/0" + std::to_string(seg + 2) + "/24 10:" + min +
                    ":" + sec + ",01/0" + std::to_string(seg + 2) + "/24 10:" + min + ":" + sec + ",-" +
                    std::to_string(60 + k % 30) + ",0\r\n";
        }
        text += "STOPBYTRIGGER,01/0" + std::to_string(seg + 2) + "/24 11:00:00," + prefix + Num(clip, 4) +
                ".WAV\r\n";
    }
    return text;
}

Scenario SplitScenario(bool oldBackup) {
    Scenario s;
    s.name = oldBackup ? "split" : "split-nosav";
    const std::string before = EventText("SPLT", 3, 6000);
    const zarn::SplitText split = zarn::SplitEventText(before, 1, 2500);
    std::optional<std::string> oldSav;
    if (oldBackup) oldSav = EventText("OLDS", 1, 200);
    s.files = {{"SPLT.EVA", before, split.text}, {"SPLT.SAV", oldSav, before}};
    s.run = [](const std::string& dir) { return zarn::SplitSegment(dir + "/SPLT.EVA", 1, 2500, 0, 1).ok; };
    // The event file is replaced only after its backup holds it as it was.
    s.rule = [](const std::vector<State>& st) -> std::string {
        if (st[0] == State::New && st[1] != State::New)
            return "event file rewritten but no backup of the old one";
        return "";
    };
    return s;
}

Scenario ExportScenario() {
    Scenario s;
    s.name = "export";
    constexpr int kClips = 6;
    constexpr int kOldClips = 4; // the old export had fewer clips; the rest are new files
    s.folders = {"src", "out"};
    std::string sourceEvent =
        "Ver, Created by the station\r\nSTARTBYTRIGGER,01/02/24 10:00:00,RECA0001.WAV\r\n";
    auto input = std::make_shared<zarn::ExportInput>();
    input->eventFileName = "src/RECA.EVA";
    input->eventFolder = "src/";
    input->segStart = 45293.4;
    input->segStop = 45293.5;
    std::vector<OwnedFile> sources, clips;
    for (int k = 1; k <= kClips; ++k) {
        const std::string name = "RECA" + Num(k, 4) + ".WAV";
        const std::string line = name + "," + std::to_string(k) + ",150.12500,01/02/24 10:00:0" +
                                 std::to_string(k) + ",01/02/24 10:00:0" + std::to_string(k + 1) + ",-70,0";
        sourceEvent += "WAV," + line + "\r\n";
        input->lines.push_back(line);
        const std::string audio = Filler(200000 + 1000 * k, char('A' + k));
        sources.push_back({"src/" + name, audio, audio});
        std::optional<std::string> old;
        if (k <= kOldClips) old = Filler(50000, char('a' + k));
        clips.push_back({"out/NEWX" + Num(k, 4) + ".WAV", old, audio});
    }
    sourceEvent += "STOPBYTRIGGER,01/02/24 10:00:09,RECA0006.WAV\r\n";
    const zarn::ExportNames names = zarn::ExportNamesOf("out/NEWX.EVA");
    const std::string oldEvent = EventText("NEWX", 1, kOldClips);
    // Paths are made absolute when the trial runs.
    s.files.push_back({"out/NEWX.EVA", oldEvent, zarn::ExportText(names, *input), true});
    s.files.insert(s.files.end(), clips.begin(), clips.end());
    s.files.push_back({"src/RECA.EVA", sourceEvent, sourceEvent});
    s.files.insert(s.files.end(), sources.begin(), sources.end());
    s.run = [input](const std::string& dir) {
        zarn::ExportNames n = zarn::ExportNamesOf(dir + "/" + "out/NEWX.EVA");
        zarn::ExportInput in = *input;
        in.eventFileName = dir + "/" + input->eventFileName;
        in.eventFolder = dir + "/" + input->eventFolder;
        return bool(zarn::WriteExport(n, in));
    };
    // A whole-looking event file must never stand beside clips that are not its own: the old one
    // goes before any clip is replaced, the new one comes only after every clip.
    s.rule = [](const std::vector<State>& st) -> std::string {
        for (int k = 1; k <= kClips; ++k) {
            if (st[0] == State::New && st[k] != State::New) return "new event file beside an unfinished clip";
            if (st[0] == State::Old && st[k] != State::Old) return "old event file beside a replaced clip";
        }
        return "";
    };
    return s;
}

// A writer that rewrites its file in place: the harness must find it damaged. Not part of "all".
Scenario NaiveScenario() {
    Scenario s;
    s.name = "naive";
    const std::string oldBytes = Filler(300000, 'o');
    const std::string newBytes = Filler(900000, 'n');
    s.files = {{"NAIVE.SIG", oldBytes, newBytes}};
    // Written in pieces, each flushed, so that a kill has time to land inside the rewrite.
    s.run = [newBytes](const std::string& dir) {
        const int fd = ::open((dir + "/NAIVE.SIG").c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
        if (fd < 0) return false;
        std::string_view rest = newBytes;
        bool ok = true;
        while (ok && !rest.empty()) {
            const ssize_t n = ::write(fd, rest.data(), std::min<std::size_t>(rest.size(), 100000));
            ok = n > 0 && ::fdatasync(fd) == 0;
            if (ok) rest.remove_prefix(static_cast<std::size_t>(n));
        }
        return ::close(fd) == 0 && ok;
    };
    return s;
}

// A writer that replaces its file by a rename but does not look at the rename's result: the
// harness must catch its false successes. Not part of "all".
Scenario CarelessScenario() {
    Scenario s;
    s.name = "careless";
    const std::string oldBytes = Filler(100000, 'o');
    const std::string newBytes = Filler(200000, 'n');
    s.files = {{"CARELESS.SIG", oldBytes, newBytes}};
    s.run = [newBytes](const std::string& dir) {
        const std::string temp = dir + "/.CARELESS.SIG.tmp000";
        const std::string path = dir + "/CARELESS.SIG";
        const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, kOldMode);
        if (fd < 0) return false;
        std::string_view rest = newBytes;
        while (!rest.empty()) {
            const ssize_t n = ::write(fd, rest.data(), rest.size());
            if (n <= 0) {
                ::close(fd);
                ::unlink(temp.c_str());
                return false;
            }
            rest.remove_prefix(static_cast<std::size_t>(n));
        }
        if (::fsync(fd) != 0 || ::close(fd) != 0) {
            ::unlink(temp.c_str());
            return false;
        }
        if (::rename(temp.c_str(), path.c_str()) != 0) ::unlink(temp.c_str());
        return true;
    };
    return s;
}

std::vector<std::string> AllWriters() {
    return {"siglist", "config", "pointer", "comment", "split", "split-nosav", "export"};
}

std::optional<Scenario> MakeScenario(const std::string& name) {
    if (name == "siglist") return SignalListScenario();
    if (name == "config") return ConfigScenario();
    if (name == "pointer") return PointerScenario();
    if (name == "comment") return CommentScenario();
    if (name == "split") return SplitScenario(true);
    if (name == "split-nosav") return SplitScenario(false);
    if (name == "export") return ExportScenario();
    if (name == "naive") return NaiveScenario();
    if (name == "careless") return CarelessScenario();
    return std::nullopt;
}

// ---------------------------------------------------------------------------------------------
// Laying out and checking a trial folder.

bool WriteRaw(const std::string& path, const std::string& bytes) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok && ::chmod(path.c_str(), kOldMode) == 0;
}

bool LayOld(const Scenario& s, const std::string& dir) {
    std::error_code ec;
    fs::remove_all(dir, ec);
    if (!fs::create_directories(dir, ec)) return false;
    for (const auto& folder : s.folders)
        if (!fs::create_directories(dir + "/" + folder, ec)) return false;
    for (const auto& f : s.files)
        if (f.oldBytes && !WriteRaw(dir + "/" + f.name, *f.oldBytes)) return false;
    return true;
}

struct Verdict {
    int damaged = 0;    // files neither old nor new, or broken rules across files
    bool allNew = true; // every owned file holds its new content
    bool allOld = true;
    int leftovers = 0; // temporary files left beside their targets
    std::vector<std::string> problems;
};

// A temporary file of ReplaceFileAtomically: "." + name + "." + six characters.
bool IsTempOf(const std::string& file, const std::vector<OwnedFile>& files, const std::string& folder) {
    for (const auto& f : files) {
        const fs::path p(f.name);
        const std::string parent = p.parent_path().string();
        if (parent != folder) continue;
        const std::string stem = "." + p.filename().string() + ".";
        if (file.size() == stem.size() + 6 && file.compare(0, stem.size(), stem) == 0) return true;
    }
    return false;
}

Verdict Check(const Scenario& s, const std::string& dir) {
    Verdict v;
    std::vector<State> states;
    for (const auto& f : s.files) {
        const std::string path = dir + "/" + f.name;
        struct stat st {};
        State state = State::Other;
        std::string bytes;
        if (::lstat(path.c_str(), &st) != 0) {
            state = State::Absent;
        } else if (!S_ISREG(st.st_mode) || !zarn::ReadFileBytes(path, bytes)) {
            state = State::Other;
        } else if (f.oldBytes && bytes == *f.oldBytes) {
            state = State::Old;
        } else if (bytes == f.newBytes) {
            state = State::New;
        }
        // A file that existed before may not be missing afterwards, unless the writer removes it.
        if (state == State::Absent && f.oldBytes && !f.mayVanish) state = State::Other;
        if (state == State::Absent && !f.oldBytes) state = State::Old;
        const bool same = f.oldBytes && *f.oldBytes == f.newBytes;
        if (state == State::Other) {
            ++v.damaged;
            v.problems.push_back(f.name + ": neither the old nor the new content (" +
                                 std::to_string(bytes.size()) + " bytes)");
        } else if (f.oldBytes && !f.mayVanish && (state == State::Old || state == State::New) &&
                   (st.st_mode & 07777) != kOldMode) {
            ++v.damaged;
            char mode[16];
            std::snprintf(mode, sizeof mode, "%o", static_cast<unsigned>(st.st_mode & 07777));
            v.problems.push_back(f.name + ": permissions changed to " + mode);
        }
        if (same && state == State::Old) state = State::New;
        if (state != State::New) v.allNew = false;
        if (state != State::Old && !same) v.allOld = false;
        states.push_back(state);
    }
    if (s.rule) {
        if (const std::string broken = s.rule(states); !broken.empty()) {
            ++v.damaged;
            std::string detail = broken + " (";
            for (std::size_t i = 0; i < states.size(); ++i)
                detail += (i ? ", " : "") + s.files[i].name + " " + StateName(states[i]);
            v.problems.push_back(detail + ")");
        }
    }
    // Anything else in the folders is a leftover temporary file, or a stray that must not be there.
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(dir, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec)) {
        if (it->is_directory()) continue;
        const std::string rel = fs::relative(it->path(), dir).string();
        const bool owned =
            std::any_of(s.files.begin(), s.files.end(), [&](const OwnedFile& f) { return f.name == rel; });
        if (owned) continue;
        const std::string folder = fs::path(rel).parent_path().string();
        if (IsTempOf(it->path().filename().string(), s.files, folder)) {
            ++v.leftovers;
        } else {
            ++v.damaged;
            v.problems.push_back(rel + ": a stray file");
        }
    }
    return v;
}

// ---------------------------------------------------------------------------------------------
// Trials.

struct Totals {
    int trials = 0;
    int damaged = 0;
    int falseSuccess = 0; // the writer said ok but left something other than the new content
    int leftovers = 0;
    int old = 0, fresh = 0, between = 0; // where the interruptions left the files
    long faultsSeen = 0;                 // inject: interposed calls counted in the first run
};

std::mt19937_64 TrialRng(std::uint64_t seed, int trial) {
    std::seed_seq seq{static_cast<std::uint32_t>(seed), static_cast<std::uint32_t>(seed >> 32),
                      static_cast<std::uint32_t>(trial)};
    return std::mt19937_64(seq);
}

double Now() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

struct ChildRun {
    bool finished = false; // exited by itself (not killed)
    bool ok = false;       // and said the write succeeded
    double seconds = 0;    // the writer's time, when it was not to be killed
};

// Runs the writer in a child; kills it `delay` seconds after it started (a negative delay: never).
ChildRun RunChild(const Scenario& s, const std::string& dir, double delay) {
    ChildRun r;
    int fds[2];
    if (::pipe(fds) != 0) return r;
    const pid_t pid = ::fork();
    if (pid < 0) return r;
    if (pid == 0) {
        ::close(fds[0]);
        const char go = 'g';
        if (::write(fds[1], &go, 1) != 1) ::_exit(5);
        const bool ok = s.run(dir);
        const char done = 'd';
        if (::write(fds[1], &done, 1) != 1) ::_exit(5);
        ::_exit(ok ? 0 : 3);
    }
    ::close(fds[1]);
    char go = 0;
    const ssize_t got = ::read(fds[0], &go, 1);
    const double start = Now();
    if (got == 1 && delay >= 0) {
        timespec ts{static_cast<time_t>(delay),
                    static_cast<long>((delay - static_cast<time_t>(delay)) * 1e9)};
        while (::nanosleep(&ts, &ts) != 0 && errno == EINTR) {
        }
        ::kill(pid, SIGKILL);
    } else if (got == 1) {
        // The writer's own time, without the child's exit.
        char done = 0;
        if (::read(fds[0], &done, 1) == 1) r.seconds = Now() - start;
    }
    ::close(fds[0]);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    r.finished = WIFEXITED(status);
    r.ok = r.finished && WEXITSTATUS(status) == 0;
    return r;
}

struct Options {
    std::vector<std::string> writers;
    std::vector<std::string> kinds;
    int trials = 50;
    std::uint64_t seed = 0;
    int onlyTrial = -1;
    std::string work;
    bool verbose = false;
};

void Tally(Totals& t, const Verdict& v, bool saidOk, const Options& o, const std::string& what, int trial) {
    ++t.trials;
    t.damaged += v.damaged;
    t.leftovers += v.leftovers;
    if (v.allNew) {
        ++t.fresh;
    } else if (v.allOld) {
        ++t.old;
    } else {
        ++t.between;
    }
    std::vector<std::string> problems = v.problems;
    if (saidOk && !v.allNew) {
        ++t.falseSuccess;
        problems.push_back("the writer said it succeeded but the new content is not in place");
    }
    for (const auto& p : problems)
        std::fprintf(stderr, "DAMAGE %s seed=%llu trial=%d: %s\n", what.c_str(),
                     static_cast<unsigned long long>(o.seed), trial, p.c_str());
    if (o.verbose)
        std::fprintf(stderr, "trial %d %s: %s, said %s, %d leftovers\n", trial, what.c_str(),
                     v.allNew   ? "new"
                     : v.allOld ? "old"
                                : "between",
                     saidOk ? "ok" : "failed", v.leftovers);
}

std::vector<int> TrialList(const Options& o) {
    std::vector<int> list;
    if (o.onlyTrial >= 0) {
        list.push_back(o.onlyTrial);
    } else {
        for (int i = 0; i < o.trials; ++i)
            list.push_back(i);
    }
    return list;
}

bool RunKill(const Scenario& s, const std::string& dir, const Options& o, Totals& t) {
    const std::string what = "writer=" + s.name + " kind=kill";
    // The writer's real duration, measured on the same set-up.
    std::vector<double> durations;
    for (int i = 0; i < 3; ++i) {
        if (!LayOld(s, dir)) return false;
        const ChildRun r = RunChild(s, dir, -1);
        if (!r.ok) {
            std::fprintf(stderr, "%s: the writer fails without interruption\n", what.c_str());
            return false;
        }
        durations.push_back(r.seconds);
    }
    std::sort(durations.begin(), durations.end());
    const double duration = durations[1];
    for (int trial : TrialList(o)) {
        std::mt19937_64 rng = TrialRng(o.seed, trial);
        // A little past the end too, so that finished writes are checked as well.
        const double delay = std::uniform_real_distribution<double>(0, duration * 1.15)(rng);
        if (!LayOld(s, dir)) return false;
        const ChildRun r = RunChild(s, dir, delay);
        Tally(t, Check(s, dir), r.ok, o, what, trial);
    }
    return true;
}

bool RunInject(const Scenario& s, const std::string& dir, const Options& o, Totals& t) {
    const std::string what = "writer=" + s.name + " kind=inject";
    // Count the interposed calls of an undisturbed run.
    if (!LayOld(s, dir)) return false;
    plan = FaultPlan{};
    plan.chunk = s.ioChunk;
    plan.armed = true;
    const bool cleanOk = s.run(dir);
    plan.armed = false;
    const long calls = plan.calls;
    t.faultsSeen = calls;
    if (!cleanOk || !Check(s, dir).allNew) {
        std::fprintf(stderr, "%s: the writer fails without faults\n", what.c_str());
        return false;
    }
    if (calls == 0) return true; // the caller reports the missing interposition
    for (int trial : TrialList(o)) {
        std::mt19937_64 rng = TrialRng(o.seed, trial);
        if (!LayOld(s, dir)) return false;
        plan = FaultPlan{};
        plan.chunk = s.ioChunk;
        plan.failAt = std::uniform_int_distribution<long>(1, calls)(rng);
        plan.sticky = std::uniform_int_distribution<int>(0, 1)(rng) == 1;
        plan.err = std::uniform_int_distribution<int>(0, 1)(rng) ? ENOSPC : EIO;
        plan.armed = true;
        const bool ok = s.run(dir);
        plan.armed = false;
        if (o.verbose)
            std::fprintf(stderr, "trial %d: call %ld of %ld fails%s with %s\n", trial, plan.failAt, calls,
                         plan.sticky ? " from then on" : " once", plan.err == EIO ? "EIO" : "ENOSPC");
        Tally(t, Check(s, dir), ok, o, what, trial);
    }
    return true;
}

// Every file in the trial folder, by inode: what the disk holds as synced when the writer starts.
std::set<ino_t> FilesIn(const std::string& dir) {
    std::set<ino_t> inodes;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(dir, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec)) {
        struct stat st {};
        if (::lstat(it->path().c_str(), &st) == 0) inodes.insert(st.st_ino);
    }
    return inodes;
}

bool RunPower(const Scenario& s, const std::string& dir, const Options& o, Totals& t) {
    const std::string what = "writer=" + s.name + " kind=power";
    // Count the calls of an undisturbed run; the power may fail before any of them or after the last.
    if (!LayOld(s, dir)) return false;
    plan = FaultPlan{};
    plan.chunk = s.ioChunk;
    plan.power = true;
    plan.armed = true;
    const bool cleanOk = s.run(dir);
    plan.armed = false;
    const long calls = plan.calls;
    t.faultsSeen = calls;
    if (!cleanOk || !Check(s, dir).allNew) {
        std::fprintf(stderr, "%s: the writer fails without a power cut\n", what.c_str());
        return false;
    }
    if (calls == 0) return true;
    for (int trial : TrialList(o)) {
        std::mt19937_64 rng = TrialRng(o.seed, trial);
        const long cutAt = std::uniform_int_distribution<long>(1, calls + 1)(rng);
        if (!LayOld(s, dir)) return false;
        const pid_t pid = ::fork();
        if (pid < 0) return false;
        if (pid == 0) {
            plan = FaultPlan{};
            plan.chunk = s.ioChunk;
            plan.power = true;
            plan.failAt = cutAt;
            journal = PowerJournal{};
            journal.atStart = FilesIn(dir);
            journal.on = true;
            plan.armed = true;
            const bool ok = s.run(dir);
            plan.armed = false;
            CutPower(ok ? 0 : 3); // the power fails after the writer returned
        }
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        const bool saidOk = WIFEXITED(status) && WEXITSTATUS(status) == 0;
        if (o.verbose)
            std::fprintf(stderr, "trial %d: the power fails %s call %ld of %ld\n", trial,
                         cutAt > calls ? "after" : "before", std::min(cutAt, calls), calls);
        Tally(t, Check(s, dir), saidOk, o, what, trial);
    }
    return true;
}

void PrintRow(const std::string& writer, const std::string& kind, const Totals& t, double seconds) {
    std::printf("%-12s %-7s %7d %8d %13d %10d %6d %6d %8d %9.2f\n", writer.c_str(), kind.c_str(), t.trials,
                t.damaged, t.falseSuccess, t.leftovers, t.old, t.between, t.fresh, seconds);
    std::fflush(stdout);
}

int Usage() {
    std::fprintf(stderr, "usage: crash_harness [--writer NAME|all] [--kind kill|inject|power|all] [--trials N] "
                         "[--seed S] [--trial I] [--work DIR] [--verbose]\nwriters:");
    for (const auto& w : AllWriters())
        std::fprintf(stderr, " %s", w.c_str());
    std::fprintf(stderr, " (and naive and careless, writers that must fail the checks)\n");
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    Options o;
    std::string writer = "all", kind = "all";
    o.seed = static_cast<std::uint64_t>(std::random_device{}()) << 16 ^
             static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&]() -> std::string { return i + 1 < argc ? argv[++i] : ""; };
        if (a == "--writer") {
            writer = value();
        } else if (a == "--kind") {
            kind = value();
        } else if (a == "--trials") {
            o.trials = std::atoi(value().c_str());
        } else if (a == "--seed") {
            o.seed = std::strtoull(value().c_str(), nullptr, 10);
        } else if (a == "--trial") {
            o.onlyTrial = std::atoi(value().c_str());
        } else if (a == "--work") {
            o.work = value();
        } else if (a == "--verbose") {
            o.verbose = true;
        } else {
            return Usage();
        }
    }
    o.writers = writer == "all" ? AllWriters() : std::vector<std::string>{writer};
    if (kind == "all") {
        o.kinds = {"kill", "inject", "power"};
    } else if (kind == "kill" || kind == "inject" || kind == "power") {
        o.kinds = {kind};
    } else {
        return Usage();
    }
    if (o.trials < 1) return Usage();

    bool ownWork = false;
    if (o.work.empty()) {
        std::string pattern = (fs::temp_directory_path() / "crash_harness.XXXXXX").string();
        if (!::mkdtemp(pattern.data())) return 2;
        o.work = pattern;
        ownWork = true;
    }

    std::printf("seed %llu\n", static_cast<unsigned long long>(o.seed));
    std::printf("%-12s %-7s %7s %8s %13s %10s %6s %6s %8s %9s\n", "writer", "kind", "trials", "damaged",
                "ok-but-wrong", "leftovers", "old", "mixed", "new", "time(s)");
    bool damaged = false, broken = false, unreached = false;
    for (const auto& name : o.writers) {
        std::optional<Scenario> s = MakeScenario(name);
        if (!s) return Usage();
        for (const auto& k : o.kinds) {
            Totals t;
            const std::string dir = o.work + "/" + name + "-" + k;
            const double start = Now();
            const bool ran = k == "kill"     ? RunKill(*s, dir, o, t)
                             : k == "inject" ? RunInject(*s, dir, o, t)
                                             : RunPower(*s, dir, o, t);
            PrintRow(name, k, t, Now() - start);
            std::error_code ec;
            fs::remove_all(dir, ec);
            if (t.damaged > 0 || t.falseSuccess > 0) damaged = true;
            if (!ran) broken = true;
            if (ran && k != "kill" && t.faultsSeen == 0) {
                std::fprintf(stderr, "writer=%s kind=%s: no interposed call reached the writer\n", name.c_str(),
                             k.c_str());
                unreached = true;
            }
        }
    }
    if (ownWork) {
        std::error_code ec;
        fs::remove_all(o.work, ec);
    }
    return damaged ? 1 : broken ? 2 : unreached ? 4 : 0;
}
