// The waveform reduction of a WAV clip. The bytes go into an in-memory file that the reader opens
// by its /proc path, so the check and the reduction run the whole way a clip file takes, through
// libsndfile's virtual I/O.
#include "fuzz_support.h"
#include "waveform.h"

#include <cstdlib>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

using namespace zarn;
using zarn_fuzz::Require;

namespace {

int MemoryFile() {
    static const int fd = [] {
        const int f = memfd_create("zarn-fuzz-wav", MFD_CLOEXEC);
        if (f < 0) std::abort();
        return f;
    }();
    return fd;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const int fd = MemoryFile();
    if (ftruncate(fd, 0) != 0) std::abort();
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = pwrite(fd, data + done, size - done, static_cast<off_t>(done));
        if (n <= 0) std::abort();
        done += static_cast<std::size_t>(n);
    }
    const std::string path = "/proc/self/fd/" + std::to_string(fd);

    const WavFileCheck check = CheckWavFile(path);
    const Waveform wave = ReadWaveform(path);
    if (check.state != WavFileState::Playable) {
        Require(wave.state != WavFileState::Playable && wave.columns.empty());
        return 0;
    }
    if (wave.state != WavFileState::Playable) return 0; // a read error in the samples
    Require(static_cast<std::int64_t>(wave.columns.size()) == wave.layout.drawnColumns);
    for (const WaveColumn& c : wave.columns)
        Require(c.min <= c.max);
    const std::vector<WaveColumn> merged = MergeColumns(wave.columns, wave.layout.unitWidth);
    Require(merged.size() <= wave.columns.size());
    return 0;
}
