#include "textfile.h"

#include "paths.h"

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <ctime>
#include <unistd.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace zarn {

namespace {

std::string Reason(const std::string& what, const std::string& path, int err) {
    return what + " " + path + ": " + std::strerror(err);
}

// Closes the descriptor on every road out of a function.
class Fd {
public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) ::close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    // Closes now and tells whether the close succeeded (a failed close can mean lost data).
    int Close() {
        const int rc = ::close(fd_);
        fd_ = -1;
        return rc;
    }

private:
    int fd_;
};

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

mode_t NewFileMode() {
    // The process umask can only be read by setting it; the programs are single-threaded.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

} // namespace

FileResult ReadFileBytes(const std::string& path, std::string& bytes) {
    bytes.clear();
    // O_NONBLOCK so that a FIFO given by mistake cannot hang the open; it is refused below.
    Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (fd.get() < 0) return FileResult::Failure(Reason("Cannot open", path, errno));
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0) return FileResult::Failure(Reason("Cannot read", path, errno));
    if (S_ISDIR(st.st_mode)) return FileResult::Failure(Reason("Cannot read", path, EISDIR));
    if (!S_ISREG(st.st_mode)) return FileResult::Failure("Cannot read " + path + ": not a regular file");

    // One byte more than the file holds, so that the read which finds the end needs no more room:
    // growing the string at the end would copy the whole file into a second allocation.
    bytes.resize(static_cast<std::size_t>(st.st_size) + 1);
    std::size_t got = 0;
    for (;;) {
        if (got == bytes.size()) bytes.resize(bytes.size() + 65536); // the file may have grown
        const ssize_t n = ::read(fd.get(), bytes.data() + got, bytes.size() - got);
        if (n < 0) {
            if (errno == EINTR) continue;
            const int err = errno;
            bytes.clear();
            return FileResult::Failure(Reason("Cannot read", path, err));
        }
        if (n == 0) break;
        got += static_cast<std::size_t>(n);
    }
    bytes.resize(got);
    return FileResult::Success();
}

bool LineCursor::Next(std::string_view& line) {
    if (rest_.empty()) return false;
    const std::size_t end = rest_.find('\n');
    if (end == std::string_view::npos) {
        line = rest_;
        rest_ = {};
        return true;
    }
    line = rest_.substr(0, end);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    rest_.remove_prefix(end + 1);
    return true;
}

std::size_t LineCount(std::string_view text) {
    const char* p = text.data();
    const std::size_t n = text.size();
    std::size_t ends = 0, i = 0;
#if defined(__SSE2__)
    // Sixteen characters a step rather than a search call a line: each byte lane counts its line
    // ends, and the lanes are summed before any of them can pass 255.
    const __m128i lf = _mm_set1_epi8('\n'), zero = _mm_setzero_si128();
    while (i + 16 <= n) {
        __m128i lanes = zero;
        for (int step = 0; step < 255 && i + 16 <= n; ++step, i += 16) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
            lanes = _mm_sub_epi8(lanes, _mm_cmpeq_epi8(v, lf));
        }
        const __m128i sums = _mm_sad_epu8(lanes, zero);
        ends += static_cast<std::size_t>(_mm_cvtsi128_si32(sums) + _mm_extract_epi16(sums, 4));
    }
#endif
    for (; i < n; ++i)
        ends += p[i] == '\n';
    return ends + (n > 0 && p[n - 1] != '\n');
}

std::vector<std::string> SplitLines(std::string_view text) {
    std::vector<std::string> lines;
    LineCursor cursor(text);
    for (std::string_view line; cursor.Next(line);)
        lines.emplace_back(line);
    return lines;
}

FileResult ReadTextLines(const std::string& path, std::vector<std::string>& lines) {
    std::string bytes;
    FileResult result = ReadFileBytes(path, bytes);
    lines = result ? SplitLines(bytes) : std::vector<std::string>{};
    return result;
}

std::string JoinCrLf(const std::vector<std::string>& lines) {
    std::size_t size = 0;
    for (const auto& line : lines)
        size += line.size() + 2;
    std::string out;
    out.reserve(size);
    for (const auto& line : lines) {
        out += line;
        out += "\r\n";
    }
    return out;
}

FileResult ReplaceFileAtomically(const std::string& path, std::string_view bytes) {
    std::string target = path;
    struct stat st {};
    bool exists = ::lstat(path.c_str(), &st) == 0;
    if (exists && S_ISLNK(st.st_mode)) {
        // Replace the file the link points to and keep the operator's link.
        char resolved[PATH_MAX];
        if (::realpath(path.c_str(), resolved)) target = resolved;
        exists = ::stat(target.c_str(), &st) == 0;
    }
    if (exists && S_ISDIR(st.st_mode)) return FileResult::Failure(Reason("Cannot write", path, EISDIR));

    const std::string name = FileNameOf(target);
    if (name.empty()) return FileResult::Failure("Cannot write " + path + ": no file name");
    std::string folder = FolderOf(target);
    std::string temp = folder + "." + name + ".XXXXXX";
    if (folder.empty()) folder = ".";

    Fd fd(::mkstemp(temp.data()));
    if (fd.get() < 0) return FileResult::Failure(Reason("Cannot create a temporary file in", folder, errno));

    auto fail = [&](const char* what, int err) {
        ::unlink(temp.c_str());
        return FileResult::Failure(Reason(what, path, err));
    };
    // mkstemp makes the file 0600; give it the old file's bits, or those of a newly created file.
    const mode_t mode = exists ? (st.st_mode & 07777) : NewFileMode();
    if (::fchmod(fd.get(), mode) != 0) return fail("Cannot write", errno);
    if (!WriteAll(fd.get(), bytes)) return fail("Cannot write", errno);
    if (::fsync(fd.get()) != 0) return fail("Cannot write", errno);
    if (fd.Close() != 0) return fail("Cannot write", errno);
    if (::rename(temp.c_str(), target.c_str()) != 0) return fail("Cannot replace", errno);

    // Make the rename itself durable. The new content is in place whatever happens here, and some
    // file systems refuse fsync on a folder, so this is best effort.
    Fd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() >= 0) ::fsync(dir.get());
    return FileResult::Success();
}

FileResult WriteTextLinesAtomically(const std::string& path, const std::vector<std::string>& lines) {
    return ReplaceFileAtomically(path, JoinCrLf(lines));
}

namespace {

// ".NAME.XXXXXX" with NAME ending in one of the extensions.
bool IsTemporaryName(std::string_view name, const std::vector<std::string>& extensions) {
    constexpr std::size_t kSuffix = 7; // ".XXXXXX"
    if (name.size() < 1 + kSuffix + 1 || name.front() != '.') return false;
    const std::string_view suffix = name.substr(name.size() - kSuffix);
    if (suffix.front() != '.') return false;
    for (const char c : suffix.substr(1))
        if (!std::isalnum(static_cast<unsigned char>(c))) return false;
    const std::string_view target = name.substr(1, name.size() - 1 - kSuffix);
    for (const std::string& ext : extensions) {
        if (target.size() <= ext.size()) continue;
        const std::string_view end = target.substr(target.size() - ext.size());
        bool same = true;
        for (std::size_t i = 0; i < ext.size() && same; ++i)
            same = std::tolower(static_cast<unsigned char>(end[i])) == std::tolower(static_cast<unsigned char>(ext[i]));
        if (same) return true;
    }
    return false;
}

} // namespace

int RemoveStaleTemporaries(const std::string& folder, const std::vector<std::string>& extensions, long minAgeSeconds) {
    // "" is the root, as for the other paths the programs build from a folder.
    DIR* dir = ::opendir(folder.empty() ? "/" : folder.c_str());
    if (!dir) return 0;
    const std::time_t now = std::time(nullptr);
    const std::string prefix = folder.empty() || folder.back() == '/' ? folder : folder + "/";
    int removed = 0;
    while (const dirent* e = ::readdir(dir)) {
        if (!IsTemporaryName(e->d_name, extensions)) continue;
        const std::string path = prefix + e->d_name;
        struct stat st {};
        // Only plain files: a link or a folder of that name is somebody else's.
        if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
        if (now - st.st_mtime < minAgeSeconds) continue;
        if (::unlink(path.c_str()) == 0) ++removed;
    }
    ::closedir(dir);
    return removed;
}

} // namespace zarn
