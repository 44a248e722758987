// The waveform reduction of a WAV clip. The bytes go into an in-memory file that the reader opens
// by its /proc path, so the check and the reduction run the whole way a clip file takes, through
// libsndfile's virtual I/O.
#include "fuzz_support.h"
#include "waveform.h"

#include <sys/mman.h>
#include <unistd.h>

ZARN_FUZZ_TARGET(text) {
    static const int fd = memfd_create("zarn-fuzz-wav", MFD_CLOEXEC);
    if (fd < 0 || ftruncate(fd, 0) != 0) std::abort();
    for (std::size_t done = 0; done < text.size();) {
        const ssize_t n = pwrite(fd, text.data() + done, text.size() - done, static_cast<off_t>(done));
        if (n <= 0) std::abort();
        done += static_cast<std::size_t>(n);
    }
    const std::string path = "/proc/self/fd/" + std::to_string(fd);

    const WavFileCheck check = CheckWavFile(path);
    const Waveform wave = ReadWaveform(path);
    if (check.state != WavFileState::Playable) {
        Require(wave.state != WavFileState::Playable && wave.columns.empty());
        return;
    }
    if (wave.state != WavFileState::Playable) return; // a read error in the samples
    Require(static_cast<std::int64_t>(wave.columns.size()) == wave.layout.drawnColumns);
    for (const WaveColumn& c : wave.columns)
        Require(c.min <= c.max);
    Require(MergeColumns(wave.columns, wave.layout.unitWidth).size() <= wave.columns.size());
}
