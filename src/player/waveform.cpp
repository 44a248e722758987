#include "waveform.h"

#include "numbers.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zarn {

namespace {

// The picture is never wider than this many panel widths; longer clips halve it.
constexpr double kMaxPanelWidths = 3.5;
// Fits the second-level cache, so each block is reduced while it is still there.
constexpr std::size_t kReadBlock = 256 * 1024;
// Two sets of 16 byte lanes: two independent chains per operation keep the vector unit busy. The
// fixed lane count lets the vectoriser take the loops even at -O2's cheapest cost model, and
// unsigned bytes need only one pminub/pmaxub per vector with plain SSE2.
constexpr std::size_t kLanes = 16;

// Min and max of n unsigned bytes folded into col.
WaveColumn FoldMinMax(const unsigned char* p, std::size_t n, WaveColumn col) {
    if (n < 2 * kLanes) {
        for (std::size_t i = 0; i < n; ++i) {
            col.min = std::min(col.min, p[i]);
            col.max = std::max(col.max, p[i]);
        }
        return col;
    }
    unsigned char lo[kLanes], hi[kLanes], lo2[kLanes], hi2[kLanes];
    for (std::size_t k = 0; k < kLanes; ++k) {
        lo[k] = hi[k] = p[k];
        lo2[k] = hi2[k] = p[kLanes + k];
    }
    const auto fold = [&](const unsigned char* q) __attribute__((always_inline)) {
        for (std::size_t k = 0; k < kLanes; ++k) {
            const unsigned char v = q[k], w = q[kLanes + k];
            lo[k] = lo[k] < v ? lo[k] : v;
            hi[k] = hi[k] > v ? hi[k] : v;
            lo2[k] = lo2[k] < w ? lo2[k] : w;
            hi2[k] = hi2[k] > w ? hi2[k] : w;
        }
    };
    for (std::size_t i = 2 * kLanes; i + 2 * kLanes <= n; i += 2 * kLanes)
        fold(p + i);
    // The last 32 bytes once more, covering the tail: a byte taken twice changes no min or max.
    fold(p + n - 2 * kLanes);
    // Lanes to one value by vector steps too: a byte-wise loop here would cost as much as the column.
    unsigned char m = 255, n2 = 0;
    for (std::size_t k = 0; k < kLanes; ++k) {
        lo[k] = lo[k] < lo2[k] ? lo[k] : lo2[k];
        hi[k] = hi[k] > hi2[k] ? hi[k] : hi2[k];
    }
    for (std::size_t k = 0; k < kLanes; ++k) {
        m = m < lo[k] ? m : lo[k];
        n2 = n2 > hi[k] ? n2 : hi[k];
    }
    col.min = std::min(col.min, m);
    col.max = std::max(col.max, n2);
    return col;
}

std::uint32_t LittleEndian32(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

// Reads up to count bytes; fewer only at the end of the file. -1 on an error.
ssize_t ReadFully(int fd, unsigned char* buffer, std::size_t count) {
    std::size_t done = 0;
    while (done < count) {
        const ssize_t n = ::read(fd, buffer + done, count - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return -1;
        }
        if (n == 0) break;
        done += static_cast<std::size_t>(n);
    }
    return static_cast<ssize_t>(done);
}

class Fd {
public:
    explicit Fd(const std::string& path) : fd_(::open(path.c_str(), O_RDONLY | O_CLOEXEC)) {}
    ~Fd() {
        if (fd_ >= 0) ::close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

// Checks the header of an open file and leaves the file at the first sample.
WavFileCheck CheckOpenWav(const Fd& fd, int openErrno) {
    if (fd.get() < 0)
        return {openErrno == ENOENT || openErrno == ENOTDIR ? WavFileState::Missing
                                                            : WavFileState::NotPlayable,
                0};
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) return {WavFileState::NotPlayable, 0};
    unsigned char header[kWavSamplesOffset];
    if (ReadFully(fd.get(), header, sizeof header) != static_cast<ssize_t>(sizeof header))
        return {WavFileState::NotPlayable, 0};
    if (std::memcmp(header, "RIFF", 4) != 0 || std::memcmp(header + 8, "WAVE", 4) != 0)
        return {WavFileState::NotPlayable, 0};
    const std::uint32_t dataSize = LittleEndian32(header + kWavDataSizeOffset);
    // A data size beyond the end would have the reader run past the file.
    if (static_cast<std::uint64_t>(dataSize) > static_cast<std::uint64_t>(st.st_size) - kWavSamplesOffset)
        return {WavFileState::NotPlayable, 0};
    return {WavFileState::Playable, dataSize};
}

} // namespace

WaveLayout LayOutWaveform(std::uint32_t dataSize, double dpi) {
    WaveLayout layout;
    double width = kWavPanelWidth;
    if (dataSize > kSamplesPerWidth) {
        width = static_cast<double>(kWavPanelWidth) * dataSize / kSamplesPerWidth;
        layout.pictureHeight = kScrolledPictureHeight;
        layout.scrollBar = true;
    }
    const double twipsPerPixel = kTwipsPerInch / dpi;
    layout.columns =
        std::max<std::int64_t>(1, static_cast<std::int64_t>(RoundHalfEven(width / twipsPerPixel)));
    while (width > kMaxPanelWidths * kWavPanelWidth) {
        width /= 2;
        layout.unitWidth *= 2;
    }
    layout.pictureWidth = width;
    layout.largeChange = RoundToInt16Clamped(static_cast<double>(kWavPanelWidth) * kWavScrollMax / width);
    layout.smallChange = RoundToInt16Clamped(layout.largeChange / 15.0);
    // A clip shorter than half the columns would round this to 0 and draw nothing at all; one
    // sample per column draws it at the left instead.
    const double perColumn =
        RoundHalfEven(static_cast<double>(dataSize) / static_cast<double>(layout.columns));
    layout.bytesPerColumn = static_cast<std::uint32_t>(std::max(1.0, perColumn));
    layout.drawnColumns = std::min<std::int64_t>(layout.columns, dataSize / layout.bytesPerColumn);
    return layout;
}

double PictureLeft(int scrollValue, const WaveLayout& layout) {
    return -(static_cast<double>(scrollValue) / kWavScrollMax) * (layout.pictureWidth - kWavPanelWidth - 30);
}

ColumnReducer::ColumnReducer(std::uint32_t bytesPerColumn, std::int64_t maxColumns)
    : bytesPerColumn_(std::max<std::uint32_t>(1, bytesPerColumn)),
      maxColumns_(std::max<std::int64_t>(0, maxColumns)) {}

void ColumnReducer::Feed(const unsigned char* bytes, std::size_t count) {
    while (count > 0 && !Full()) {
        const std::size_t take = std::min<std::size_t>(count, bytesPerColumn_ - count_);
        open_ = FoldMinMax(bytes, take, open_);
        count_ += static_cast<std::uint32_t>(take);
        bytes += take;
        count -= take;
        if (count_ == bytesPerColumn_) {
            columns_.push_back(open_);
            open_ = WaveColumn{};
            count_ = 0;
        }
    }
}

std::vector<WaveColumn> MergeColumns(const std::vector<WaveColumn>& columns, int unitWidth) {
    const std::size_t group = static_cast<std::size_t>(std::max(1, unitWidth));
    std::vector<WaveColumn> merged;
    merged.reserve((columns.size() + group - 1) / group);
    for (std::size_t i = 0; i < columns.size(); i += group) {
        WaveColumn m;
        for (std::size_t k = i; k < std::min(columns.size(), i + group); ++k) {
            m.min = std::min(m.min, columns[k].min);
            m.max = std::max(m.max, columns[k].max);
        }
        merged.push_back(m);
    }
    return merged;
}

WavFileCheck CheckWavFile(const std::string& path) {
    const Fd fd(path);
    return CheckOpenWav(fd, errno);
}

Waveform ReadWaveform(const std::string& path, double dpi) {
    Waveform wave;
    const Fd fd(path);
    const WavFileCheck check = CheckOpenWav(fd, errno);
    wave.state = check.state;
    if (check.state != WavFileState::Playable) return wave;

    wave.layout = LayOutWaveform(check.dataSize, dpi);
    ColumnReducer reducer(wave.layout.bytesPerColumn, wave.layout.drawnColumns);
    std::vector<unsigned char> block(kReadBlock);
    std::uint64_t left = check.dataSize;
    while (left > 0 && !reducer.Full()) {
        const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(left, block.size()));
        // The file may shrink while it is read: a short read is as bad as an error.
        if (ReadFully(fd.get(), block.data(), want) != static_cast<ssize_t>(want)) {
            wave.state = WavFileState::NotPlayable;
            return wave;
        }
        reducer.Feed(block.data(), want);
        left -= want;
    }
    wave.columns = reducer.TakeColumns();
    return wave;
}

RangeButtons PressMark(Marks& marks, MouseButton button, double x, const MarkScale& scale, bool playing) {
    if (button == MouseButton::Left) marks.start = x;
    if (button == MouseButton::Right) marks.stop = x;
    const double unit = std::max(1, scale.unitWidth);
    const auto thinMarker = [&] {
        marks.box = {true, marks.start, 3 * unit};
        return RangeButtons::Unavailable;
    };
    if (marks.start >= 0 && marks.stop > 0) {
        if (!marks.HasRange()) return thinMarker();
        double width = std::abs(marks.start - marks.stop);
        if (width < 4 * unit) {
            width = 4 * unit;
            marks.stop = marks.start + width;
        }
        marks.box = {true, marks.start, width};
        // A widened range at the right edge would reach past the clip's end.
        const auto position = [&](double units) {
            return std::clamp(UnitsToPosition(units, scale.wavLength, scale.scaleWidth), 0.0,
                              static_cast<double>(std::max<std::int64_t>(0, scale.wavLength)));
        };
        marks.playStart = position(marks.start);
        marks.playEnd = position(marks.stop);
        return playing ? RangeButtons::Keep : RangeButtons::Available;
    }
    if (marks.start > 0) return thinMarker();
    return RangeButtons::Keep;
}

void ClearMarks(Marks& marks) {
    marks.start = 0;
    marks.stop = 0;
    marks.box.visible = false;
}

void PlayWholeClip(Marks& marks, std::int64_t wavLength) {
    marks.playStart = 0;
    marks.box.left = 0;
    marks.playEnd = static_cast<double>(wavLength);
}

double UnitsToPosition(double x, std::int64_t wavLength, double scaleWidth) {
    if (!(scaleWidth > 0)) return 0;
    return x / scaleWidth * static_cast<double>(wavLength);
}

std::optional<double> CursorX(double position, std::int64_t wavLength, double scaleWidth) {
    if (wavLength < 1) return std::nullopt;
    return position / static_cast<double>(wavLength) * scaleWidth;
}

} // namespace zarn
