// The hour-long 8-bit clip the waveform and spectrogram benchmarks read, and sox timed on it as
// the yardstick of another program doing the same reading.
#pragma once

#include "large_inputs.h"
#include "waveform.h"

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace zarn::bench {

class HourClip {
public:
    explicit HourClip(const char* benchName) : files_(Folder(), benchName), hour_(files_.File("HOUR.WAV")) {}
    // The folder given on the command line; empty makes a fresh one for the run.
    static std::string& Folder() {
        static std::string folder;
        return folder;
    }
    const std::string& hour() const { return hour_; }
    bool ok() const { return CheckWavFile(hour_).dataSize == 3600u * 11025u; }

private:
    LargeInputs files_;
    std::string hour_;
};

// Wall seconds of `sox ARGS...`, its output thrown away; negative when sox cannot be run.
inline double SoxSeconds(std::vector<std::string> args) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    args.insert(args.begin(), "sox");
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, "sox", &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) return -1;
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0)
        if (errno != EINTR) return -1;
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? took.count() : -1;
}

} // namespace zarn::bench
