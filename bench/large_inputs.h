// The large demo inputs (LARGE.EVA, LARGE.SIG, HOUR.WAV): taken from the folder given with
// "--inputs=DIR", or written by the demo generator into a temporary folder that is removed at exit.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace zarn::bench {

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
