// Interrupts the writers of the operator's files and checks what is left on disk (usage: see Usage).
// kill:   the writer runs in a child killed with SIGKILL at a random moment of its measured duration.
// inject: the N-th write/fsync/fdatasync/rename/close/fchmod made while the writer runs fails with
//         EIO or ENOSPC, once or from then on (a full disk stays full).
// power:  the power fails just before the N-th of those calls (or of open/unlink/remove), or just
//         after the writer returns: a child undoes what a disk that lost power keeps only if synced
//         (data since a file's last fsync; renames, creations and removals since its folder's).
// After each trial every file the writer owns holds exactly its old or its new bytes (with the
// writer's rules across files), and a writer that said it succeeded left the new content.
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
#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
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

// Fault injection: the functions defined here take precedence over libc's for every dynamically bound
// call (the model libraries are linked in statically); the real ones are found with RTLD_NEXT.

namespace {

struct FaultPlan {
    bool armed = false;
    long calls = 0;      // interposed calls seen while armed
    long failAt = 0;     // the 1-based call that fails (power: where the power fails); 0 counts only
    bool sticky = false; // every later call fails too
    int err = EIO;
    std::size_t chunk = 64 * 1024; // while armed, a write moves at most this many bytes (a legal short write)
    bool power = false;    // no call fails by itself
};
FaultPlan plan;

[[noreturn]] void CutPower(int status);

template <class Fn> Fn Real(const char* name) {
    return reinterpret_cast<Fn>(dlsym(RTLD_NEXT, name));
}

// Counts the call; true (with errno set) when it is to fail. `powerOnly` calls are counted by the
// power kind alone, so that the other kinds' trials stay as they were.
bool ShouldFail(bool powerOnly = false) {
    if (!plan.armed || (powerOnly && !plan.power)) return false;
    const long n = ++plan.calls;
    if (plan.power) {
        if (n == plan.failAt) CutPower(9);
        return false;
    }
    if (plan.failAt == 0 || (n != plan.failAt && !(plan.sticky && n > plan.failAt))) return false;
    errno = plan.err;
    return true;
}

// Power loss: in power mode the interposed calls keep a journal of what a disk would still lose (each
// file's content at its last fsync; the entry changes of each folder since its last fsync), played
// back with the real calls, newest first, at the cut.

struct PowerFile {
    std::string path;                   // where the file is now
    std::optional<std::string> durable; // its synced content; no value: not changed since
};

struct EntryChange {
    enum Kind { Created, Renamed, Removed } kind;
    std::string folder;
    std::string from, to; // Renamed: from -> to; Created and Removed: `to`
    ino_t ino = 0;        // the file the entry names (Renamed: the one moved)
    std::optional<std::string> displaced; // Renamed over an existing file, Removed: its synced bytes
};

struct PowerJournal {
    bool on = false;
    std::set<ino_t> atStart; // files that existed (and were synced) before the writer
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

// Looked up on first use: the interposed calls may come before static initialisation is done.
int RealOpen(const char* path, int flags, mode_t mode = 0) {
    static const auto real = Real<int (*)(const char*, int, ...)>("open");
    return real(path, flags, mode);
}
ssize_t RealWrite(int fd, const void* buf, size_t n) {
    static const auto real = Real<ssize_t (*)(int, const void*, size_t)>("write");
    return real(fd, buf, n);
}
int RealClose(int fd) {
    static const auto real = Real<int (*)(int)>("close");
    return real(fd);
}

// The bytes of `path` read and written with the real calls (the journal must not see its own I/O).
std::optional<std::string> RawRead(const std::string& path) {
    const int fd = RealOpen(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    std::string bytes;
    char buf[65536];
    for (ssize_t n; (n = ::read(fd, buf, sizeof buf)) > 0;)
        bytes.append(buf, static_cast<std::size_t>(n));
    RealClose(fd);
    return bytes;
}

bool RawWrite(const std::string& path, const std::string& bytes) {
    const int fd = RealOpen(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0640);
    if (fd < 0) return false;
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = RealWrite(fd, bytes.data() + done, bytes.size() - done);
        if (n <= 0) break;
        done += static_cast<std::size_t>(n);
    }
    return RealClose(fd) == 0 && done == bytes.size();
}

// The file at `path` (inode `ino`) is about to change: keep its synced content if not kept yet. A
// file the writer made itself has nothing synced until it is synced: it comes back empty.
void KeepDurable(ino_t ino, const std::string& path) {
    PowerFile& f = journal.files[ino];
    f.path = path;
    if (!f.durable) f.durable = journal.atStart.count(ino) ? RawRead(path).value_or("") : std::string();
}

void BeforeDataChange(int fd) {
    struct stat st {};
    if (!journal.on || ::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) return;
    const std::string path = PathOfFd(fd);
    if (journal.files.count(st.st_ino) == 0 && journal.atStart.count(st.st_ino) == 0) {
        // First sight of a file the writer created: its folder entry is not synced yet.
        journal.entries.push_back({EntryChange::Created, FolderPart(path), "", path, st.st_ino, std::nullopt});
    }
    KeepDurable(st.st_ino, path);
}

void AfterSync(int fd) {
    struct stat st {};
    if (!journal.on || ::fstat(fd, &st) != 0) return;
    if (S_ISDIR(st.st_mode)) {
        const std::string folder = PathOfFd(fd);
        std::erase_if(journal.entries, [&](const EntryChange& e) { return e.folder == folder; });
        return;
    }
    if (journal.files.count(st.st_ino) == 0 && journal.atStart.count(st.st_ino) == 0)
        BeforeDataChange(fd); // a file synced before any write: its entry still counts as new
    if (auto it = journal.files.find(st.st_ino); it != journal.files.end()) it->second.durable.reset();
}

std::optional<std::string> SyncedBytesAt(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) return std::nullopt;
    if (auto it = journal.files.find(st.st_ino); it != journal.files.end() && it->second.durable)
        return it->second.durable;
    if (journal.atStart.count(st.st_ino) == 0 && journal.files.count(st.st_ino) == 0) return std::string();
    return RawRead(path);
}

// A rename (from != nullptr) or a removal of `to` is about to change its folder.
void BeforeEntryChange(const char* from, const char* to) {
    struct stat st {};
    if (!journal.on || ::lstat(from ? from : to, &st) != 0 || (!from && !S_ISREG(st.st_mode))) return;
    EntryChange e{from ? EntryChange::Renamed : EntryChange::Removed, FolderPart(to), from ? from : "", to,
                  st.st_ino, SyncedBytesAt(to)};
    journal.entries.push_back(e);
    if (!from) {
        journal.files.erase(st.st_ino);
    } else if (auto it = journal.files.find(st.st_ino); it != journal.files.end()) {
        it->second.path = to;
    }
}

// The cut: unsynced folder changes are undone newest first, then every file whose data changed
// since its last sync gets its synced content back.
[[noreturn]] void CutPower(int status) {
    static const auto realRename = Real<int (*)(const char*, const char*)>("rename");
    static const auto realUnlink = Real<int (*)(const char*)>("unlink");
    journal.on = false;
    for (auto it = journal.entries.rbegin(); it != journal.entries.rend(); ++it) {
        const EntryChange& e = *it;
        if (e.kind == EntryChange::Created) {
            realUnlink(e.to.c_str());
            journal.files.erase(e.ino);
            continue;
        }
        if (e.kind == EntryChange::Renamed) {
            realRename(e.to.c_str(), e.from.c_str());
            if (auto f = journal.files.find(e.ino); f != journal.files.end()) f->second.path = e.from;
        }
        if (e.displaced) RawWrite(e.to, *e.displaced);
    }
    for (const auto& [ino, f] : journal.files) {
        struct stat st {};
        if (f.durable && ::lstat(f.path.c_str(), &st) == 0 && st.st_ino == ino) RawWrite(f.path, *f.durable);
    }
    ::_exit(status);
}

int Sync(int (*real)(int), int fd) {
    if (ShouldFail()) return -1;
    const int rc = real(fd);
    if (rc == 0) AfterSync(fd);
    return rc;
}

int Remove(int (*real)(const char*), const char* path) {
    ShouldFail(true);
    BeforeEntryChange(nullptr, path);
    return real(path);
}

} // namespace

extern "C" {

ssize_t write(int fd, const void* buf, size_t n) {
    if (ShouldFail()) return -1;
    BeforeDataChange(fd);
    return RealWrite(fd, buf, plan.armed && plan.chunk > 0 ? std::min(n, plan.chunk) : n);
}

int fsync(int fd) {
    static const auto real = Real<int (*)(int)>("fsync");
    return Sync(real, fd);
}

int fdatasync(int fd) {
    static const auto real = Real<int (*)(int)>("fdatasync");
    return Sync(real, fd);
}

int rename(const char* from, const char* to) noexcept {
    static const auto real = Real<int (*)(const char*, const char*)>("rename");
    if (ShouldFail()) return -1;
    BeforeEntryChange(from, to);
    return real(from, to);
}

int close(int fd) {
    // Linux releases the descriptor even when close reports an error.
    const bool fail = ShouldFail();
    const int err = errno;
    const int rc = RealClose(fd);
    if (!fail) return rc;
    errno = err;
    return -1;
}

int fchmod(int fd, mode_t mode) noexcept {
    static const auto real = Real<int (*)(int, mode_t)>("fchmod");
    return ShouldFail() ? -1 : real(fd, mode);
}

// Seen by the power kind only: a truncating open changes the file before any write does, and a
// removal changes its folder.
int open(const char* path, int flags, ...) {
    mode_t mode = 0;
    if (flags & (O_CREAT | O_TMPFILE)) {
        va_list ap;
        va_start(ap, flags);
        mode = static_cast<mode_t>(va_arg(ap, int));
        va_end(ap);
    }
    ShouldFail(true);
    struct stat st {};
    if (journal.on && (flags & O_TRUNC) && ::lstat(path, &st) == 0 && S_ISREG(st.st_mode))
        KeepDurable(st.st_ino, path);
    return RealOpen(path, flags, mode);
}

int unlink(const char* path) noexcept {
    static const auto real = Real<int (*)(const char*)>("unlink");
    return Remove(real, path);
}

int remove(const char* path) noexcept {
    static const auto real = Real<int (*)(const char*)>("remove");
    return Remove(real, path);
}

} // extern "C"

// Scenarios: the old files laid out before a trial, the writer, and what may be found afterwards.

namespace {

enum class State { Absent, Old, New, Other };

const char* StateName(State s) {
    return s == State::Absent ? "absent" : s == State::Old ? "old" : s == State::New ? "new" : "damaged";
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
    std::vector<std::string> folders; // made empty before the files are laid
    std::vector<OwnedFile> files;
    std::function<bool(const std::string& dir)> run;
    // Rules across files; the states are in the order of `files`. Returns the broken rule or "".
    std::function<std::string(const std::vector<State>&)> rule;
};

// A writer of the one file `name`.
Scenario OneFile(const std::string& name, const std::string& oldBytes, const std::string& newBytes,
                 std::function<bool(const std::string&)> run) {
    Scenario s;
    s.files = {{name, oldBytes, newBytes}};
    s.run = std::move(run);
    return s;
}

std::string Num(long v, int width, const char* format = "%0*ld") {
    char buf[32];
    std::snprintf(buf, sizeof buf, format, width, v);
    return buf;
}

// A text of `size` bytes of CR LF lines, different for each tag.
std::string Filler(std::size_t size, char tag) {
    std::string s;
    for (long i = 0; s.size() < size; ++i)
        s += tag + Num(i, 8) + " the quick brown fox jumps over the lazy dog\r\n";
    s.resize(size);
    return s;
}

zarn::SignalList MakeList(int entries, int salt) {
    zarn::SignalList list;
    for (int i = 0; i < entries; ++i) {
        char freq[16];
        std::snprintf(freq, sizeof freq, "%05d.%05d", 30 + i / 10, (i % 10) * 1000 + salt);
        const std::string comment = "Entry " + std::to_string(i) + " salt " + std::to_string(salt);
        list.InsertAt(list.Count(), zarn::MakeEntryLine(freq, "00.025", "-1", "FM ", zarn::SignalClass::Unknown,
                                                        std::to_string(i % 10), i % 3 == 0, comment));
    }
    return list;
}

Scenario SignalListScenario() {
    auto list = std::make_shared<zarn::SignalList>(MakeList(12000, 2));
    return OneFile("LIST.SIG", zarn::SignalFileText(MakeList(6000, 1)), zarn::SignalFileText(*list),
                   [list](const std::string& dir) { return bool(zarn::SaveSignalFile(dir + "/LIST.SIG", *list)); });
}

// The long texts below stretch the writes so that the interruptions can land inside them.
Scenario ConfigScenario() {
    const std::string oldKHz = "12.5" + std::string(100000, '0'), newKHz = "25" + std::string(300000, '7');
    return OneFile("Zarn_Aud.Ini", zarn::ConfigText(false, oldKHz), zarn::ConfigText(true, newKHz),
                   [newKHz](const std::string& dir) { return bool(zarn::WriteConfig(dir, true, newKHz)); });
}

Scenario PointerScenario() {
    const std::string oldList = "/station/lists/OLD" + std::string(100000, 'o') + ".SIG";
    const std::string newList = "/station/lists/NEW" + std::string(300000, 'n') + ".SIG";
    return OneFile(zarn::kPointerFileName, oldList + "\r\n", newList + "\r\n", [newList](const std::string& dir) {
        return bool(zarn::WritePointerFile(dir + "/" + zarn::kPointerFileName, newList));
    });
}

Scenario CommentScenario() {
    std::vector<std::string> oldLines{zarn::kCommentMarker}, newLines{zarn::kCommentMarker}, newTexts;
    for (int i = 0; i < zarn::kCommentSlots; ++i) {
        oldLines.push_back("old comment " + std::to_string(i) + std::string(5000, 'a'));
        newTexts.push_back("new comment " + std::to_string(i) + std::string(15000, 'b'));
        newLines.push_back(newTexts.back());
    }
    // The file on disk differs in case from the name the program asks for; it is the one replaced.
    return OneFile("~FREQ.CMT", zarn::JoinCrLf(oldLines), zarn::JoinCrLf(newLines), [newTexts](const std::string& dir) {
        return bool(zarn::WriteCommentFile(dir + "/" + zarn::kCommentFileName, newTexts));
    });
}

std::string EventText(const std::string& prefix, int segments, int clipsPerSegment) {
    std::string text = "Ver, Created by the station\r\n";
    int clip = 0;
    for (int seg = 0; seg < segments; ++seg) {
        const std::string day = "01/0" + std::to_string(seg + 2) + "/24 ";
        text += "STARTBYTRIGGER," + day + "10:00:00," + prefix + Num(clip + 1, 4) + ".WAV\r\n";
        for (int k = 0; k < clipsPerSegment; ++k, ++clip) {
            const std::string at = day + "10:" + Num((k / 60) % 60, 2) + ":" + Num(k % 60, 2);
            text += "WAV," + prefix + Num(clip + 1, 4) + ".WAV," + std::to_string(k % 16 + 1) + "," +
                    std::to_string(150 + k % 40) + ".12500," + at + "," + at + ",-" + std::to_string(60 + k % 30) +
                    ",0\r\n";
        }
        text += "STOPBYTRIGGER," + day + "11:00:00," + prefix + Num(clip, 4) + ".WAV\r\n";
    }
    return text;
}

Scenario SplitScenario(bool oldBackup) {
    Scenario s;
    const std::string before = EventText("SPLT", 3, 6000);
    const auto oldSav = oldBackup ? std::optional(EventText("OLDS", 1, 200)) : std::nullopt;
    s.files = {{"SPLT.EVA", before, zarn::SplitEventText(before, 1, 2500).text}, {"SPLT.SAV", oldSav, before}};
    s.run = [](const std::string& dir) { return zarn::SplitSegment(dir + "/SPLT.EVA", 1, 2500, 0, 1).ok; };
    // The event file is replaced only after its backup holds it as it was.
    s.rule = [](const std::vector<State>& st) -> std::string {
        return st[0] == State::New && st[1] != State::New ? "event file rewritten but no backup of the old one" : "";
    };
    return s;
}

Scenario ExportScenario() {
    constexpr int kClips = 6, kOldClips = 4; // the old export had fewer clips; the rest are new files
    Scenario s;
    s.folders = {"src", "out"};
    std::string sourceEvent = "Ver, Created by the station\r\nSTARTBYTRIGGER,01/02/24 10:00:00,RECA0001.WAV\r\n";
    auto input = std::make_shared<zarn::ExportInput>();
    input->segStart = 45293.4;
    input->segStop = 45293.5;
    std::vector<OwnedFile> sources;
    s.files.push_back({"out/NEWX.EVA", EventText("NEWX", 1, kOldClips), "", true}); // new text below
    for (int k = 1; k <= kClips; ++k) {
        const std::string name = "RECA" + Num(k, 4) + ".WAV";
        const std::string line = name + "," + std::to_string(k) + ",150.12500,01/02/24 10:00:0" + std::to_string(k) +
                                 ",01/02/24 10:00:0" + std::to_string(k + 1) + ",-70,0";
        sourceEvent += "WAV," + line + "\r\n";
        input->lines.push_back(line);
        const std::string audio = Filler(200000 + 1000 * k, char('A' + k));
        sources.push_back({"src/" + name, audio, audio});
        const auto old = k <= kOldClips ? std::optional(Filler(50000, char('a' + k))) : std::nullopt;
        s.files.push_back({"out/NEWX" + Num(k, 4) + ".WAV", old, audio});
    }
    sourceEvent += "STOPBYTRIGGER,01/02/24 10:00:09,RECA0006.WAV\r\n";
    s.files[0].newBytes = zarn::ExportText(zarn::ExportNamesOf("out/NEWX.EVA"), *input);
    s.files.push_back({"src/RECA.EVA", sourceEvent, sourceEvent});
    s.files.insert(s.files.end(), sources.begin(), sources.end());
    s.run = [input](const std::string& dir) {
        zarn::ExportInput in = *input;
        in.eventFileName = dir + "/src/RECA.EVA";
        in.eventFolder = dir + "/src/";
        return bool(zarn::WriteExport(zarn::ExportNamesOf(dir + "/out/NEWX.EVA"), in));
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

// Writes `bytes` in pieces of at most `piece`, each followed by fdatasync when `syncEach`.
bool WriteOut(int fd, std::string_view bytes, std::size_t piece, bool syncEach) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), std::min(bytes.size(), piece));
        if (n <= 0 || (syncEach && ::fdatasync(fd) != 0)) return false;
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

// A writer that rewrites its file in place, in flushed pieces so that a kill has time to land
// inside the rewrite: the harness must find it damaged.
Scenario NaiveScenario() {
    const std::string newBytes = Filler(900000, 'n');
    return OneFile("NAIVE.SIG", Filler(300000, 'o'), newBytes, [newBytes](const std::string& dir) {
        const int fd = ::open((dir + "/NAIVE.SIG").c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
        if (fd < 0) return false;
        const bool ok = WriteOut(fd, newBytes, 100000, true);
        return ::close(fd) == 0 && ok;
    });
}

// A writer that replaces its file by a rename but neither looks at the rename's result nor syncs
// the folder after it: the harness must catch its false successes.
Scenario CarelessScenario() {
    const std::string newBytes = Filler(200000, 'n');
    return OneFile("CARELESS.SIG", Filler(100000, 'o'), newBytes, [newBytes](const std::string& dir) {
        const std::string temp = dir + "/.CARELESS.SIG.tmp000";
        const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, kOldMode);
        if (fd < 0) return false;
        const bool written = WriteOut(fd, newBytes, newBytes.size(), false) && ::fsync(fd) == 0;
        if (::close(fd) != 0 || !written) {
            ::unlink(temp.c_str());
            return false;
        }
        if (::rename(temp.c_str(), (dir + "/CARELESS.SIG").c_str()) != 0) ::unlink(temp.c_str());
        return true;
    });
}

// The writers that "all" runs, then those that must fail the checks.
const std::vector<std::pair<std::string, std::function<Scenario()>>> kWriters = {
    {"siglist", SignalListScenario},
    {"config", ConfigScenario},
    {"pointer", PointerScenario},
    {"comment", CommentScenario},
    {"split", [] { return SplitScenario(true); }},
    {"split-nosav", [] { return SplitScenario(false); }},
    {"export", ExportScenario},
    {"naive", NaiveScenario},
    {"careless", CarelessScenario},
};
constexpr std::size_t kCheckedWriters = 7; // the first seven

bool LayOld(const Scenario& s, const std::string& dir) {
    std::error_code ec;
    fs::remove_all(dir, ec);
    if (!fs::create_directories(dir, ec)) return false;
    for (const auto& folder : s.folders)
        if (!fs::create_directories(dir + "/" + folder, ec)) return false;
    for (const auto& f : s.files) {
        const std::string path = dir + "/" + f.name;
        if (f.oldBytes && (!RawWrite(path, *f.oldBytes) || ::chmod(path.c_str(), kOldMode) != 0)) return false;
    }
    return true;
}

struct Verdict {
    bool allNew = true; // every owned file holds its new content
    bool allOld = true;
    int leftovers = 0;                 // temporary files left beside their targets
    std::vector<std::string> problems; // files neither old nor new, strays, broken rules across files
};

Verdict Check(const Scenario& s, const std::string& dir) {
    Verdict v;
    std::vector<State> states;
    for (const auto& f : s.files) {
        const std::string path = dir + "/" + f.name;
        struct stat st {};
        State state = State::Other;
        std::string bytes;
        if (::lstat(path.c_str(), &st) != 0) {
            // A file that existed before may not be missing afterwards, unless the writer removes it.
            state = !f.oldBytes ? State::Old : f.mayVanish ? State::Absent : State::Other;
        } else if (S_ISREG(st.st_mode) && zarn::ReadFileBytes(path, bytes)) {
            state = f.oldBytes && bytes == *f.oldBytes ? State::Old : bytes == f.newBytes ? State::New : State::Other;
        }
        const bool same = f.oldBytes && *f.oldBytes == f.newBytes;
        if (state == State::Other) {
            v.problems.push_back(f.name + ": neither the old nor the new content (" + std::to_string(bytes.size()) +
                                 " bytes)");
        } else if (f.oldBytes && !f.mayVanish && state != State::Absent && (st.st_mode & 07777) != kOldMode) {
            v.problems.push_back(f.name + ": permissions changed to " + Num(st.st_mode & 07777, 4, "%0*lo"));
        }
        if (same && state == State::Old) state = State::New;
        v.allNew = v.allNew && state == State::New;
        v.allOld = v.allOld && (state == State::Old || same);
        states.push_back(state);
    }
    if (const std::string broken = s.rule ? s.rule(states) : ""; !broken.empty()) {
        std::string detail = broken + " (";
        for (std::size_t i = 0; i < states.size(); ++i)
            detail += (i ? ", " : "") + s.files[i].name + " " + StateName(states[i]);
        v.problems.push_back(detail + ")");
    }
    // Anything else in the folders is a leftover temporary file, or a stray that must not be there.
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(dir, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec)) {
        const std::string rel = fs::relative(it->path(), dir).string();
        if (it->is_directory() ||
            std::any_of(s.files.begin(), s.files.end(), [&](const OwnedFile& f) { return f.name == rel; }))
            continue;
        // A temporary file of ReplaceFileAtomically: "." + name + "." + six characters.
        if (std::any_of(s.files.begin(), s.files.end(), [&](const OwnedFile& f) {
                const fs::path p(f.name);
                const std::string stem = (p.parent_path() / ("." + p.filename().string() + ".")).string();
                return rel.size() == stem.size() + 6 && rel.starts_with(stem);
            })) {
            ++v.leftovers;
        } else {
            v.problems.push_back(rel + ": a stray file");
        }
    }
    return v;
}

struct Options {
    std::string kind;
    int trials = 50;
    std::uint64_t seed = 0;
    int onlyTrial = -1;
    bool verbose = false;
};

// falseSuccess: the writer said ok but left something other than the new content; old, fresh and
// between: where the interruptions left the files; calls: interposed calls of an undisturbed run.
struct Totals {
    int trials = 0, damaged = 0, falseSuccess = 0, leftovers = 0;
    int old = 0, fresh = 0, between = 0;
    long calls = 0;
};

double Now() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// Runs `work` in a child and says whether it exited by itself saying the write succeeded; kills it
// `delay` seconds after it started (a negative delay: never).
bool RunChild(const std::function<bool()>& work, double delay) {
    int fds[2];
    if (::pipe(fds) != 0) return false;
    const pid_t pid = ::fork();
    if (pid < 0) return false;
    if (pid == 0) {
        ::close(fds[0]);
        if (::write(fds[1], "g", 1) != 1) ::_exit(5);
        ::_exit(work() ? 0 : 3);
    }
    ::close(fds[1]);
    char got = 0;
    if (::read(fds[0], &got, 1) == 1 && delay >= 0) {
        timespec ts{static_cast<time_t>(delay), static_cast<long>((delay - static_cast<time_t>(delay)) * 1e9)};
        while (::nanosleep(&ts, &ts) != 0 && errno == EINTR) {
        }
        ::kill(pid, SIGKILL);
    }
    ::close(fds[0]);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void Arm(bool power, long failAt) {
    plan = FaultPlan{.armed = true, .failAt = failAt, .power = power};
}

// Lays the old files and runs the writer undisturbed, counting its interposed calls and timing it;
// -1 when it does not leave the new content.
long CountCalls(const Scenario& s, const std::string& dir, bool power, double& seconds) {
    if (!LayOld(s, dir)) return -1;
    Arm(power, 0);
    const double start = Now();
    const bool ok = s.run(dir);
    seconds = Now() - start;
    plan.armed = false;
    return ok && Check(s, dir).allNew ? plan.calls : -1;
}

void Tally(Totals& t, const Verdict& v, bool saidOk, const Options& o, const std::string& what, int trial) {
    ++t.trials;
    t.damaged += static_cast<int>(v.problems.size());
    t.leftovers += v.leftovers;
    ++(v.allNew ? t.fresh : v.allOld ? t.old : t.between);
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
                     v.allNew ? "new" : v.allOld ? "old" : "between", saidOk ? "ok" : "failed", v.leftovers);
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

// Runs the trials of one writer and kind; false when the set-up is broken.
bool RunTrials(const std::string& name, const Scenario& s, const std::string& dir, const Options& o, Totals& t) {
    const std::string what = "writer=" + name + " kind=" + o.kind;
    const auto run = [&] { return s.run(dir); };
    // The writer's real duration (the median of three runs) and its calls; the power may fail
    // before any of them or after the last.
    std::vector<double> durations(3);
    for (double& seconds : durations) {
        t.calls = CountCalls(s, dir, o.kind == "power", seconds);
        if (t.calls < 0) {
            std::fprintf(stderr, "%s: the writer fails undisturbed\n", what.c_str());
            return false;
        }
    }
    std::sort(durations.begin(), durations.end());
    if (o.kind != "kill" && t.calls == 0) return true; // the caller reports the missing interposition
    for (int trial = std::max(o.onlyTrial, 0); trial < (o.onlyTrial >= 0 ? o.onlyTrial + 1 : o.trials); ++trial) {
        std::seed_seq seq{static_cast<std::uint32_t>(o.seed), static_cast<std::uint32_t>(o.seed >> 32),
                          static_cast<std::uint32_t>(trial)};
        std::mt19937_64 rng(seq);
        if (!LayOld(s, dir)) return false;
        bool ok = false;
        if (o.kind == "kill") {
            // A little past the end too, so that finished writes are checked as well.
            ok = RunChild(run, std::uniform_real_distribution<double>(0, durations[1] * 1.15)(rng));
        } else if (o.kind == "inject") {
            Arm(false, std::uniform_int_distribution<long>(1, t.calls)(rng));
            plan.sticky = std::uniform_int_distribution<int>(0, 1)(rng) == 1;
            plan.err = std::uniform_int_distribution<int>(0, 1)(rng) ? ENOSPC : EIO;
            ok = s.run(dir);
            plan.armed = false;
            if (o.verbose)
                std::fprintf(stderr, "trial %d: call %ld of %ld fails%s with %s\n", trial, plan.failAt, t.calls,
                             plan.sticky ? " from then on" : " once", plan.err == EIO ? "EIO" : "ENOSPC");
        } else {
            const long cutAt = std::uniform_int_distribution<long>(1, t.calls + 1)(rng);
            ok = RunChild(
                [&]() -> bool {
                    journal = PowerJournal{};
                    journal.atStart = FilesIn(dir);
                    journal.on = true;
                    Arm(true, cutAt);
                    const bool saidOk = s.run(dir);
                    plan.armed = false;
                    CutPower(saidOk ? 0 : 3); // the power fails after the writer returned
                },
                -1);
            if (o.verbose)
                std::fprintf(stderr, "trial %d: the power fails %s call %ld of %ld\n", trial,
                             cutAt > t.calls ? "after" : "before", std::min(cutAt, t.calls), t.calls);
        }
        Tally(t, Check(s, dir), ok, o, what, trial);
    }
    return true;
}

// Trial I of seed S is replayed with --seed S --trial I.
int Usage() {
    std::fprintf(stderr, "usage: crash_harness [--writer NAME|all] [--kind kill|inject|power|all] [--trials N] "
                         "[--seed S] [--trial I] [--verbose]\nwriters: siglist config pointer comment split "
                         "split-nosav export (and naive and careless, writers that must fail the checks)\n");
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
        const char* value = a != "--verbose" && i + 1 < argc ? argv[++i] : "";
        if (a == "--writer" || a == "--kind")
            (a == "--writer" ? writer : kind) = value;
        else if (a == "--trials" || a == "--trial")
            (a == "--trials" ? o.trials : o.onlyTrial) = std::atoi(value);
        else if (a == "--seed")
            o.seed = std::strtoull(value, nullptr, 10);
        else if (a == "--verbose")
            o.verbose = true;
        else
            return Usage();
    }
    std::vector<std::string> writers, kinds = {"kill", "inject", "power"};
    for (std::size_t i = 0; i < kWriters.size(); ++i)
        if ((writer == "all" && i < kCheckedWriters) || writer == kWriters[i].first)
            writers.push_back(kWriters[i].first);
    if (kind != "all") kinds = {kind};
    if (writers.empty() || o.trials < 1 || (kind != "all" && kind != "kill" && kind != "inject" && kind != "power"))
        return Usage();
    std::string work = (fs::temp_directory_path() / "crash_harness.XXXXXX").string();
    if (!::mkdtemp(work.data())) return 2;

    std::printf("seed %llu\n", static_cast<unsigned long long>(o.seed));
    std::printf("%-12s %-7s %7s %8s %13s %10s %6s %6s %8s %9s\n", "writer", "kind", "trials", "damaged",
                "ok-but-wrong", "leftovers", "old", "mixed", "new", "time(s)");
    bool damaged = false, broken = false, unreached = false;
    for (const auto& name : writers) {
        const Scenario s = std::find_if(kWriters.begin(), kWriters.end(), [&](const auto& w) {
                               return w.first == name;
                           })->second();
        for (const auto& k : kinds) {
            o.kind = k;
            Totals t;
            const std::string dir = work + "/" + name + "-" + k;
            const double start = Now();
            const bool ran = RunTrials(name, s, dir, o, t);
            std::printf("%-12s %-7s %7d %8d %13d %10d %6d %6d %8d %9.2f\n", name.c_str(), k.c_str(), t.trials,
                        t.damaged, t.falseSuccess, t.leftovers, t.old, t.between, t.fresh, Now() - start);
            std::fflush(stdout);
            damaged = damaged || t.damaged > 0 || t.falseSuccess > 0;
            broken = broken || !ran;
            if (ran && k != "kill" && t.calls == 0) {
                std::fprintf(stderr, "writer=%s kind=%s: no interposed call reached the writer\n", name.c_str(),
                             k.c_str());
                unreached = true;
            }
        }
    }
    std::error_code ec;
    fs::remove_all(work, ec);
    return damaged ? 1 : broken ? 2 : unreached ? 4 : 0;
}
