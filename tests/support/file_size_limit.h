// Makes writes fail part way, as a full disk would, even for root: while it lives, no file of the
// process may grow past `bytes`, and the signal that would end the process is ignored, so write()
// reports the failure instead.
#pragma once

#include <csignal>
#include <sys/resource.h>

namespace zarn::test {

class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) : handler_(std::signal(SIGXFSZ, SIG_IGN)) {
        getrlimit(RLIMIT_FSIZE, &saved_);
        rlimit small = saved_;
        small.rlim_cur = bytes;
        active_ = setrlimit(RLIMIT_FSIZE, &small) == 0;
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, handler_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

    bool Active() const { return active_; }

private:
    void (*handler_)(int);
    rlimit saved_{};
    bool active_ = false;
};

} // namespace zarn::test
