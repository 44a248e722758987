// The large demo inputs (LARGE.EVA, LARGE.SIG, HOUR.WAV): taken from the folder given with
// "--inputs=DIR", or written by the demo generator into a temporary folder that is removed at exit.
#pragma once

#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace zarn::bench {

// The floor's reader: open, one read() into a buffer of the file's size, close.
inline std::string PlainRead(const std::string& path) {
    std::string bytes;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return bytes;
    struct stat st {};
    if (::fstat(fd, &st) == 0) {
        bytes.resize(static_cast<std::size_t>(st.st_size));
        std::size_t got = 0;
        while (got < bytes.size()) {
            const ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
            if (n <= 0) break;
            got += static_cast<std::size_t>(n);
        }
        bytes.resize(got);
    }
    ::close(fd);
    return bytes;
}

class LargeInputs {
public:
    explicit LargeInputs(const std::string& given, const char* benchName) {
        namespace fs = std::filesystem;
        if (!given.empty()) {
            folder_ = given;
            return;
        }
        const fs::path self = fs::read_symlink("/proc/self/exe");
        const fs::path generator = self.parent_path().parent_path() / "tools" / "demo_station";
        folder_ =
            (fs::temp_directory_path() / (std::string(benchName) + "_" + std::to_string(getpid()))).string();
        owned_ = true;
        const std::string command = generator.string() + " --large " + folder_ + " > /dev/null";
        if (std::system(command.c_str()) != 0) std::fprintf(stderr, "cannot run %s\n", command.c_str());
    }
    ~LargeInputs() {
        if (owned_) std::filesystem::remove_all(folder_);
    }
    LargeInputs(const LargeInputs&) = delete;
    LargeInputs& operator=(const LargeInputs&) = delete;

    std::string File(const char* name) const { return folder_ + "/" + name; }

private:
    std::string folder_;
    bool owned_ = false;
};

} // namespace zarn::bench
