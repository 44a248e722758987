// The waveform of the player window as numbers: the picture's size and scale for a clip, the
// reduction of its samples to one min/max pair per column, the marked range, the cursor and the
// scrolling. The window only draws what these give.
#pragma once

#include "twips.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zarn {

// Thirty seconds at 11025 samples per second are drawn to the panel width.
inline constexpr std::uint32_t kSamplesPerWidth = 330750;
// The canonical 44-byte header of the equipment's 8-bit mono clips: the data size at byte 40,
// samples from byte 44.
inline constexpr std::size_t kWavDataSizeOffset = 40;
inline constexpr std::size_t kWavSamplesOffset = 44;

// P_WAV and O_WAV, twips.
inline constexpr int kWavPanelWidth = 4620;
inline constexpr int kWavPanelHeight = 1455;
inline constexpr int kScrolledPictureHeight = 1200; // leaves room for Scrl_WAV below
inline constexpr int kWavScrollMax = 32767;
// The picture's vertical scale: y = 255 at the top edge, -1 at the bottom edge.
inline constexpr int kWaveScaleTop = 255;
inline constexpr int kWaveScaleHeight = -256;

// L_PlotFile captions.
inline constexpr std::string_view kLoadingText = "Loading ...";
inline constexpr std::string_view kFileNotFoundText = "File Not Found";
inline constexpr std::string_view kFileNotPlayableText = "File Not Playable";

struct WaveLayout {
    double pictureWidth = kWavPanelWidth; // O_WAV width in twips, after halving
    int pictureHeight = kWavPanelHeight;  // O_WAV height in twips
    bool scrollBar = false;               // Scrl_WAV shown
    std::int64_t columns = 0;             // Columns: the picture's ScaleWidth
    int unitWidth = 1;                    // WavUnitWidth: picture units per screen pixel
    std::int16_t largeChange = kWavScrollMax;
    std::int16_t smallChange = 0;
    std::uint32_t bytesPerColumn = 1;
    // Full columns the data fills, never more than the picture holds; the samples left over
    // after the last of them are not drawn.
    std::int64_t drawnColumns = 0;
};

// The picture for a clip of dataSize sample bytes on a screen of the given dots per inch.
WaveLayout LayOutWaveform(std::uint32_t dataSize, double dpi = kDefaultDpi);

// O_WAV left in twips for a scroll bar value.
double PictureLeft(int scrollValue, const WaveLayout& layout);

struct WaveColumn {
    std::uint8_t min = 255;
    std::uint8_t max = 0;
    friend bool operator==(const WaveColumn&, const WaveColumn&) = default;
};

// Reduces a stream of 8-bit samples, fed block by block, to one min/max pair per column of
// bytesPerColumn samples. Only the columns are kept, never the samples.
class ColumnReducer {
public:
    ColumnReducer(std::uint32_t bytesPerColumn, std::int64_t maxColumns);

    void Feed(const unsigned char* bytes, std::size_t count);
    void Feed(std::string_view bytes) {
        Feed(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
    }
    // Every column is made; further samples would only be dropped.
    bool Full() const { return static_cast<std::int64_t>(columns_.size()) >= maxColumns_; }
    const std::vector<WaveColumn>& columns() const { return columns_; }
    std::vector<WaveColumn> TakeColumns() { return std::move(columns_); }

private:
    std::uint32_t bytesPerColumn_;
    std::int64_t maxColumns_;
    std::uint32_t count_ = 0; // samples in the open column
    WaveColumn open_;
    std::vector<WaveColumn> columns_;
};

// The reduction's inner loops. The vector versions are chosen at compile time (SSE2 on x86-64,
// NEON on 64-bit ARM, the plain loops elsewhere), and on x86-64 the min/max fold also at run time
// (AVX-512 or AVX2 where the processor has them); the plain loops stay as the reference they are
// tested against.
namespace detail {
// Min and max of n unsigned bytes folded into col.
WaveColumn FoldMinMax(const unsigned char* p, std::size_t n, WaveColumn col);
WaveColumn FoldMinMaxScalar(const unsigned char* p, std::size_t n, WaveColumn col);
#if defined(__SSE2__)
// The x86-64 kernels FoldMinMax chooses between: 64-byte vectors where the processor has them
// (HasAvx512; FoldMinMaxAvx512 takes n >= 64 only), else 32-byte ones (HasAvx2; FoldMinMaxAvx2
// takes n >= 32 only), else the 16-byte ones every x86-64 has.
bool HasAvx2();
bool HasAvx512();
WaveColumn FoldMinMaxAvx512(const unsigned char* p, std::size_t n, WaveColumn col);
WaveColumn FoldMinMaxAvx2(const unsigned char* p, std::size_t n, WaveColumn col);
WaveColumn FoldMinMaxSse2(const unsigned char* p, std::size_t n, WaveColumn col);
#endif
// Frames of interleaved 16-bit samples to the 8-bit scale: the mean of the channels rounded down,
// then offset to unsigned, the 8-bit sample the same signal would have.
void ToBytes(const short* samples, std::size_t frames, int channels, unsigned char* out);
void ToBytesScalar(const short* samples, std::size_t frames, int channels, unsigned char* out);
// Unsigned 8-bit samples to floats in -1..1: (byte - 128) / 128.
void BytesToFloats(const unsigned char* bytes, std::size_t n, float* out);
void BytesToFloatsScalar(const unsigned char* bytes, std::size_t n, float* out);
} // namespace detail

// Columns merged by groups of unitWidth: one min/max pair per screen pixel of the picture.
std::vector<WaveColumn> MergeColumns(const std::vector<WaveColumn>& columns, int unitWidth);

enum class WavFileState {
    Playable,
    Missing,     // no file at the path
    NotPlayable, // a file that is truncated, not a WAV, claims more data than it holds, or cannot be read
};

struct WavFileCheck {
    WavFileState state = WavFileState::Missing;
    // Frames, when playable: for the 8-bit mono clips the value at byte 40.
    std::uint32_t dataSize = 0;
};

// Reads the header and the chunk headers only.
WavFileCheck CheckWavFile(const std::string& path);

struct Waveform {
    WavFileState state = WavFileState::Missing;
    WaveLayout layout;               // when playable
    std::vector<WaveColumn> columns; // layout.drawnColumns of them when playable, none otherwise
};

// Reads the clip's samples in large blocks and reduces them while reading. 8-bit mono data is
// taken as it is; any other layout is brought to the same 0..255 scale, one value per frame (the
// mean of its channels).
Waveform ReadWaveform(const std::string& path, double dpi = kDefaultDpi);

// A playable clip's frames, read in blocks as one value per frame on the -1..1 scale (the mean of its
// channels), for pictures that need the signal itself rather than its 8-bit outline. Opens and
// checks the file as ReadWaveform does.
class ClipFrameReader {
public:
    explicit ClipFrameReader(const std::string& path);
    ~ClipFrameReader();
    ClipFrameReader(const ClipFrameReader&) = delete;
    ClipFrameReader& operator=(const ClipFrameReader&) = delete;

    const WavFileCheck& Check() const;
    int SampleRate() const;
    // Up to `count` frames into out: how many were read, 0 after the last, -1 when the file ends
    // short of what its header claims or cannot be read.
    std::ptrdiff_t Read(float* out, std::size_t count);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// --- Marks: MarkStart and MarkStop in picture units, the range they give in control positions.

enum class MouseButton { Left, Right, Other };

// What a mark does to Cmd_PlayClip and Cmd_Loop.
enum class RangeButtons { Keep, Available, Unavailable };

// S_Clip, in picture units.
struct MarkBox {
    bool visible = false;
    double left = 0;
    double width = 0;
};

struct Marks {
    double start = 0; // MarkStart; an unset mark counts as 0
    double stop = 0;  // MarkStop
    double playStart = 0;
    double playEnd = 0;
    MarkBox box;
    // Both marks form a range that PlayClip and Loop can play.
    bool HasRange() const { return stop > start; }
};

// What the marks are measured against: the picture's ScaleWidth, WavUnitWidth and WavLength.
struct MarkScale {
    double scaleWidth = 0;
    int unitWidth = 1;
    std::int64_t wavLength = 0;
};

// A mouse press on the picture at x. PlayStart and PlayEnd change only when a range is marked.
RangeButtons PressMark(Marks& marks, MouseButton button, double x, const MarkScale& scale, bool playing);

// Hide Highlight and a new load: both marks unset, box hidden, PlayClip and Loop grey. The last
// range's PlayStart and PlayEnd stay.
void ClearMarks(Marks& marks);

// PlayClip and Loop without a range play the whole clip.
void PlayWholeClip(Marks& marks, std::int64_t wavLength);

// Control position of picture unit x; 0 when the picture has no scale.
double UnitsToPosition(double x, std::int64_t wavLength, double scaleWidth);

// The cursor line's x for a play position; none while no file is loaded (WavLength below 1).
std::optional<double> CursorX(double position, std::int64_t wavLength, double scaleWidth);

} // namespace zarn
