#include "waveform.h"

#include "numbers.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <memory>
#include <sndfile.h>
#include <sys/stat.h>
#include <unistd.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#include <immintrin.h>
#elif defined(__aarch64__)
#include <arm_neon.h>
#endif

namespace zarn {

namespace {

// The picture is never wider than this many panel widths; longer clips halve it.
constexpr double kMaxPanelWidths = 3.5;
// Fits the second-level cache, so each block is reduced while it is still there.
constexpr std::size_t kReadBlock = 256 * 1024;
// Samples converted per block on the decoding path; with the byte buffer it stays in the cache.
constexpr std::size_t kSampleBlock = 128 * 1024;

std::uint32_t LittleEndian32(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

// Reads up to count bytes at offset; fewer only at the end of the file. -1 on an error.
ssize_t ReadFullyAt(int fd, unsigned char* buffer, std::size_t count, off_t offset) {
    std::size_t done = 0;
    while (done < count) {
        const ssize_t n = ::pread(fd, buffer + done, count - done, offset + static_cast<off_t>(done));
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
    explicit Fd(const std::string& path)
        : fd_(::open(path.c_str(), O_RDONLY | O_CLOEXEC)), openErrno_(fd_ < 0 ? errno : 0) {}
    ~Fd() {
        if (fd_ >= 0) ::close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    int openErrno() const { return openErrno_; }

private:
    int fd_;
    int openErrno_;
};

// libsndfile reads the file through these calls, with a position of its own.
struct FdIo {
    int fd = -1;
    sf_count_t length = 0;
    sf_count_t at = 0;
};

sf_count_t IoLength(void* user) {
    return static_cast<FdIo*>(user)->length;
}

sf_count_t IoSeek(sf_count_t offset, int whence, void* user) {
    auto* io = static_cast<FdIo*>(user);
    const sf_count_t base = whence == SEEK_CUR ? io->at : whence == SEEK_END ? io->length : 0;
    if (base + offset < 0) return -1;
    io->at = base + offset;
    return io->at;
}

sf_count_t IoRead(void* data, sf_count_t count, void* user) {
    auto* io = static_cast<FdIo*>(user);
    if (count <= 0) return 0;
    const ssize_t n = ReadFullyAt(io->fd, static_cast<unsigned char*>(data), static_cast<std::size_t>(count),
                                  static_cast<off_t>(io->at));
    if (n <= 0) return 0;
    io->at += n;
    return n;
}

sf_count_t IoWrite(const void*, sf_count_t, void*) {
    return 0;
}

sf_count_t IoTell(void* user) {
    return static_cast<FdIo*>(user)->at;
}

SF_VIRTUAL_IO gIoCalls = {IoLength, IoSeek, IoRead, IoWrite, IoTell};

struct SndCloser {
    void operator()(SNDFILE* snd) const { sf_close(snd); }
};
using SndPtr = std::unique_ptr<SNDFILE, SndCloser>;

SndPtr OpenVirtual(FdIo& io, SF_INFO& info) {
    io.at = 0;
    info = SF_INFO{};
    return SndPtr(sf_open_virtual(&gIoCalls, SFM_READ, &info, &io));
}

// True for a RIFF file whose chunks up to and including the data chunk lie within the file: its
// samples are all there. It runs before libsndfile sees the file, so a size field that claims
// gigabytes never makes libsndfile reserve memory for them. Other containers are no clips of ours.
bool DataChunkFits(int fd, sf_count_t size) {
    unsigned char head[12];
    if (ReadFullyAt(fd, head, 12, 0) != 12) return false;
    if (std::memcmp(head, "RIFF", 4) != 0 || std::memcmp(head + 8, "WAVE", 4) != 0) return false;
    sf_count_t at = 12;
    while (at + 8 <= size) {
        if (ReadFullyAt(fd, head, 8, static_cast<off_t>(at)) != 8) return false;
        const sf_count_t length = LittleEndian32(head + 4);
        if (std::memcmp(head, "data", 4) == 0) return at + 8 + length <= size;
        at += 8 + length + (length & 1);
    }
    return false; // no data chunk, or its header cut short
}

// A clip file opened for its samples, positioned at the first frame.
struct OpenClip {
    explicit OpenClip(const std::string& path) : fd(path) {}
    Fd fd;
    FdIo io;
    SF_INFO info{};
    SndPtr snd;
    WavFileCheck check;
};

// Opens and checks a clip the way the WAV control does: a WAV that libsndfile reads, whose data
// is all there.
void OpenWav(OpenClip& clip) {
    const int fd = clip.fd.get();
    if (fd < 0) {
        const int e = clip.fd.openErrno();
        clip.check.state = e == ENOENT || e == ENOTDIR ? WavFileState::Missing : WavFileState::NotPlayable;
        return;
    }
    clip.check.state = WavFileState::NotPlayable;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size <= 0) return;
    const sf_count_t size = st.st_size;
    if (!DataChunkFits(fd, size)) return;
    clip.io = FdIo{fd, size};
    clip.snd = OpenVirtual(clip.io, clip.info);
    if (!clip.snd) return;
    const int type = clip.info.format & SF_FORMAT_TYPEMASK;
    if (type != SF_FORMAT_WAV && type != SF_FORMAT_WAVEX) return;
    if (clip.info.channels < 1 || clip.info.frames < 0) return;
    // The layout takes a 32-bit count: over 24 hours at 48 kHz, no clip of this equipment.
    if (clip.info.frames > std::numeric_limits<std::uint32_t>::max()) return;
    clip.check = {WavFileState::Playable, static_cast<std::uint32_t>(clip.info.frames)};
}

// The equipment's own layout: its data bytes are already the samples the columns are made of.
bool RawBytesAreSamples(const SF_INFO& info) {
    return (info.format & SF_FORMAT_SUBMASK) == SF_FORMAT_PCM_U8 && info.channels == 1;
}

// Floor division: a negative sum rounds down like the arithmetic shift of the one-channel case.
int FloorDiv(int a, int b) {
    return a >= 0 ? a / b : -((-a + b - 1) / b);
}

// Reduces the clip's frames; false when they end short of what the header claims.
bool ReduceSamples(OpenClip& clip, ColumnReducer& reducer) {
    std::uint64_t left = clip.check.dataSize;
    if (RawBytesAreSamples(clip.info)) {
        // One block a thread, kept: a fresh one each clip costs its page faults again.
        thread_local std::vector<unsigned char> block(kReadBlock);
        while (left > 0 && !reducer.Full()) {
            const auto want = static_cast<sf_count_t>(std::min<std::uint64_t>(left, block.size()));
            // The file may shrink while it is read: a short read is as bad as an error.
            if (sf_read_raw(clip.snd.get(), block.data(), want) != want) return false;
            reducer.Feed(block.data(), static_cast<std::size_t>(want));
            left -= static_cast<std::uint64_t>(want);
        }
        return true;
    }
    // Float data beyond full scale is clipped rather than wrapped round.
    sf_command(clip.snd.get(), SFC_SET_CLIPPING, nullptr, SF_TRUE);
    const int channels = clip.info.channels;
    const std::size_t perBlock = std::max<std::size_t>(1, kSampleBlock / static_cast<std::size_t>(channels));
    std::vector<short> samples(perBlock * static_cast<std::size_t>(channels));
    std::vector<unsigned char> bytes(perBlock);
    while (left > 0 && !reducer.Full()) {
        const auto want = static_cast<sf_count_t>(std::min<std::uint64_t>(left, perBlock));
        if (sf_readf_short(clip.snd.get(), samples.data(), want) != want) return false;
        detail::ToBytes(samples.data(), static_cast<std::size_t>(want), channels, bytes.data());
        reducer.Feed(bytes.data(), static_cast<std::size_t>(want));
        left -= static_cast<std::uint64_t>(want);
    }
    return true;
}

} // namespace

namespace detail {

WaveColumn FoldMinMaxScalar(const unsigned char* p, std::size_t n, WaveColumn col) {
    for (std::size_t i = 0; i < n; ++i) {
        col.min = std::min(col.min, p[i]);
        col.max = std::max(col.max, p[i]);
    }
    return col;
}

void ToBytesScalar(const short* samples, std::size_t frames, int channels, unsigned char* out) {
    const auto n = static_cast<std::size_t>(channels);
    for (std::size_t i = 0; i < frames; ++i) {
        int sum = 0;
        for (std::size_t c = 0; c < n; ++c)
            sum += samples[i * n + c];
        out[i] = static_cast<unsigned char>(FloorDiv(sum, 256 * channels) + 128);
    }
}

void BytesToFloatsScalar(const unsigned char* bytes, std::size_t n, float* out) {
    for (std::size_t i = 0; i < n; ++i)
        out[i] = (static_cast<float>(bytes[i]) - 128.0f) * (1.0f / 128.0f);
}

// The fold keeps two independent chains of 16-byte mins and maxes. It starts from the first and the
// last 16 bytes, so the bytes after the last whole vector are covered without a byte loop: a byte
// taken twice changes no min or max. The wider kernels likewise, with their steps aligned. Runs shorter than
// a vector, and the frames after the last whole step of the conversion, go through the plain loops.
#if defined(__SSE2__)

namespace {

// Folds the lanes of lo and hi into col. The max is taken as the complement of the min of the
// complements, so both share one register from the second step on.
WaveColumn FoldLanes(__m128i lo, __m128i hi, WaveColumn col) {
    lo = _mm_min_epu8(lo, _mm_srli_si128(lo, 8));
    hi = _mm_max_epu8(hi, _mm_srli_si128(hi, 8));
    __m128i v = _mm_unpacklo_epi64(lo, _mm_xor_si128(hi, _mm_set1_epi8(-1)));
    v = _mm_min_epu8(v, _mm_srli_epi64(v, 32));
    v = _mm_min_epu8(v, _mm_srli_epi64(v, 16));
    v = _mm_min_epu8(v, _mm_srli_epi64(v, 8));
    const auto min = static_cast<std::uint8_t>(_mm_cvtsi128_si32(v));
    const auto max = static_cast<std::uint8_t>(~_mm_extract_epi16(v, 4));
    col.min = std::min(col.min, min);
    col.max = std::max(col.max, max);
    return col;
}

__attribute__((target("avx2"))) __m256i Load32(const unsigned char* p) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}

} // namespace

// The same fold on 32-byte vectors, for processors that have them (nearly every x86-64 made since
// 2013). The build cannot assume them, so it is compiled for them alone and chosen at run time.
__attribute__((target("avx2"))) WaveColumn FoldMinMaxAvx2(const unsigned char* p, std::size_t n,
                                                          WaveColumn col) {
    __m256i lo0 = Load32(p), hi0 = lo0, lo1 = Load32(p + n - 32), hi1 = lo1;
    // The steps start at the first boundary of a vector past p, so no load after the first one
    // straddles two cache lines.
    std::size_t i = 32 - (reinterpret_cast<std::uintptr_t>(p) & 31);
    for (; i + 128 <= n; i += 128) {
        const __m256i a = Load32(p + i), b = Load32(p + i + 32), c = Load32(p + i + 64),
                      d = Load32(p + i + 96);
        lo0 = _mm256_min_epu8(lo0, _mm256_min_epu8(a, b));
        hi0 = _mm256_max_epu8(hi0, _mm256_max_epu8(a, b));
        lo1 = _mm256_min_epu8(lo1, _mm256_min_epu8(c, d));
        hi1 = _mm256_max_epu8(hi1, _mm256_max_epu8(c, d));
    }
    for (; i + 32 <= n; i += 32) {
        const __m256i a = Load32(p + i);
        lo0 = _mm256_min_epu8(lo0, a);
        hi0 = _mm256_max_epu8(hi0, a);
    }
    const __m256i lo = _mm256_min_epu8(lo0, lo1), hi = _mm256_max_epu8(hi0, hi1);
    return FoldLanes(_mm_min_epu8(_mm256_castsi256_si128(lo), _mm256_extracti128_si256(lo, 1)),
                     _mm_max_epu8(_mm256_castsi256_si128(hi), _mm256_extracti128_si256(hi, 1)), col);
}

namespace {

__attribute__((target("avx512bw"))) __m512i Load64(const unsigned char* p) {
    return _mm512_loadu_si512(p);
}

// The halves by a plain shuffle: GCC 12's own extract and cast intrinsics warn of an uninitialised
// value in its header.
__attribute__((target("avx512bw"))) __m256i LowHalf(__m512i v) {
    return __builtin_shufflevector(v, v, 0, 1, 2, 3);
}
__attribute__((target("avx512bw"))) __m256i HighHalf(__m512i v) {
    return __builtin_shufflevector(v, v, 4, 5, 6, 7);
}

} // namespace

// And on 64-byte vectors. The fold is bound by its min and max instructions, two for each vector
// read, so wider vectors are the one way to fewer of them: a third less time than the 32-byte
// fold where the processor has them (most x86-64 servers, and desktops since 2022).
__attribute__((target("avx512bw"))) WaveColumn FoldMinMaxAvx512(const unsigned char* p, std::size_t n,
                                                                WaveColumn col) {
    __m512i lo0 = Load64(p), hi0 = lo0, lo1 = Load64(p + n - 64), hi1 = lo1;
    // Each of these loads straddling two cache lines would cost as much as the fold saves.
    std::size_t i = 64 - (reinterpret_cast<std::uintptr_t>(p) & 63);
    for (; i + 256 <= n; i += 256) {
        const __m512i a = Load64(p + i), b = Load64(p + i + 64), c = Load64(p + i + 128),
                      d = Load64(p + i + 192);
        lo0 = _mm512_min_epu8(lo0, _mm512_min_epu8(a, b));
        hi0 = _mm512_max_epu8(hi0, _mm512_max_epu8(a, b));
        lo1 = _mm512_min_epu8(lo1, _mm512_min_epu8(c, d));
        hi1 = _mm512_max_epu8(hi1, _mm512_max_epu8(c, d));
    }
    for (; i + 64 <= n; i += 64) {
        const __m512i a = Load64(p + i);
        lo0 = _mm512_min_epu8(lo0, a);
        hi0 = _mm512_max_epu8(hi0, a);
    }
    const __m512i lo = _mm512_min_epu8(lo0, lo1), hi = _mm512_max_epu8(hi0, hi1);
    const __m256i lo256 = _mm256_min_epu8(LowHalf(lo), HighHalf(lo));
    const __m256i hi256 = _mm256_max_epu8(LowHalf(hi), HighHalf(hi));
    return FoldLanes(_mm_min_epu8(_mm256_castsi256_si128(lo256), _mm256_extracti128_si256(lo256, 1)),
                     _mm_max_epu8(_mm256_castsi256_si128(hi256), _mm256_extracti128_si256(hi256, 1)), col);
}

bool HasAvx2() {
    static const bool has = __builtin_cpu_supports("avx2");
    return has;
}

bool HasAvx512() {
    static const bool has = __builtin_cpu_supports("avx512bw");
    return has;
}

WaveColumn FoldMinMax(const unsigned char* p, std::size_t n, WaveColumn col) {
    if (n >= 64 && HasAvx512()) return FoldMinMaxAvx512(p, n, col);
    if (n >= 32 && HasAvx2()) return FoldMinMaxAvx2(p, n, col);
    return FoldMinMaxSse2(p, n, col);
}

WaveColumn FoldMinMaxSse2(const unsigned char* p, std::size_t n, WaveColumn col) {
    if (n < 16) return FoldMinMaxScalar(p, n, col);
    const auto load = [p](std::size_t i) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i)); };
    __m128i lo0 = load(0), hi0 = lo0, lo1 = load(n - 16), hi1 = lo1;
    std::size_t i = 16;
    for (; i + 64 <= n; i += 64) {
        const __m128i a = load(i), b = load(i + 16), c = load(i + 32), d = load(i + 48);
        lo0 = _mm_min_epu8(lo0, _mm_min_epu8(a, b));
        hi0 = _mm_max_epu8(hi0, _mm_max_epu8(a, b));
        lo1 = _mm_min_epu8(lo1, _mm_min_epu8(c, d));
        hi1 = _mm_max_epu8(hi1, _mm_max_epu8(c, d));
    }
    for (; i + 16 <= n; i += 16) {
        const __m128i a = load(i);
        lo0 = _mm_min_epu8(lo0, a);
        hi0 = _mm_max_epu8(hi0, a);
    }
    return FoldLanes(_mm_min_epu8(lo0, lo1), _mm_max_epu8(hi0, hi1), col);
}

void ToBytes(const short* samples, std::size_t frames, int channels, unsigned char* out) {
    const auto load = [samples](std::size_t i) {
        return _mm_loadu_si128(reinterpret_cast<const __m128i*>(samples + i));
    };
    const auto store = [out](std::size_t i, __m128i v) {
        // The signed bytes with the sign bit flipped: the +128 to the unsigned scale.
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_xor_si128(v, _mm_set1_epi8(-128)));
    };
    std::size_t i = 0;
    if (channels == 1) {
        for (; i + 16 <= frames; i += 16)
            store(i, _mm_packs_epi16(_mm_srai_epi16(load(i), 8), _mm_srai_epi16(load(i + 8), 8)));
    } else if (channels == 2) {
        // A multiply-add with ones sums each frame's pair to 32 bits; the sum fits 17.
        const __m128i ones = _mm_set1_epi16(1);
        const auto frames4 = [&](std::size_t at) {
            return _mm_srai_epi32(_mm_madd_epi16(load(at), ones), 9);
        };
        for (; i + 16 <= frames; i += 16) {
            const std::size_t s = 2 * i;
            store(i, _mm_packs_epi16(_mm_packs_epi32(frames4(s), frames4(s + 8)),
                                     _mm_packs_epi32(frames4(s + 16), frames4(s + 24))));
        }
    }
    ToBytesScalar(samples + i * static_cast<std::size_t>(channels), frames - i, channels, out + i);
}

void BytesToFloats(const unsigned char* bytes, std::size_t n, float* out) {
    // Sixteen bytes widened to four vectors of 32-bit integers; each conversion and the subtraction
    // are exact, the scaling by a power of two too, as in the plain loop.
    const __m128i zero = _mm_setzero_si128();
    const __m128 offset = _mm_set1_ps(128.0f), scale = _mm_set1_ps(1.0f / 128.0f);
    const auto store = [&](float* to, __m128i words) {
        _mm_storeu_ps(to, _mm_mul_ps(_mm_sub_ps(_mm_cvtepi32_ps(words), offset), scale));
    };
    std::size_t i = 0;
    for (; i + 16 <= n; i += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + i));
        const __m128i lo = _mm_unpacklo_epi8(v, zero), hi = _mm_unpackhi_epi8(v, zero);
        store(out + i, _mm_unpacklo_epi16(lo, zero));
        store(out + i + 4, _mm_unpackhi_epi16(lo, zero));
        store(out + i + 8, _mm_unpacklo_epi16(hi, zero));
        store(out + i + 12, _mm_unpackhi_epi16(hi, zero));
    }
    BytesToFloatsScalar(bytes + i, n - i, out + i);
}

#elif defined(__aarch64__)

WaveColumn FoldMinMax(const unsigned char* p, std::size_t n, WaveColumn col) {
    if (n < 16) return FoldMinMaxScalar(p, n, col);
    uint8x16_t lo0 = vld1q_u8(p), hi0 = lo0, lo1 = vld1q_u8(p + n - 16), hi1 = lo1;
    std::size_t i = 16;
    for (; i + 32 <= n; i += 32) {
        const uint8x16_t a = vld1q_u8(p + i), b = vld1q_u8(p + i + 16);
        lo0 = vminq_u8(lo0, a);
        hi0 = vmaxq_u8(hi0, a);
        lo1 = vminq_u8(lo1, b);
        hi1 = vmaxq_u8(hi1, b);
    }
    if (i + 16 <= n) {
        const uint8x16_t a = vld1q_u8(p + i);
        lo0 = vminq_u8(lo0, a);
        hi0 = vmaxq_u8(hi0, a);
    }
    col.min = std::min(col.min, vminvq_u8(vminq_u8(lo0, lo1)));
    col.max = std::max(col.max, vmaxvq_u8(vmaxq_u8(hi0, hi1)));
    return col;
}

void ToBytes(const short* samples, std::size_t frames, int channels, unsigned char* out) {
    const auto store = [out](std::size_t i, int8x8_t a, int8x8_t b) {
        // The signed bytes with the sign bit flipped: the +128 to the unsigned scale.
        vst1q_u8(out + i, veorq_u8(vreinterpretq_u8_s8(vcombine_s8(a, b)), vdupq_n_u8(0x80)));
    };
    std::size_t i = 0;
    if (channels == 1) {
        for (; i + 16 <= frames; i += 16)
            store(i, vshrn_n_s16(vld1q_s16(samples + i), 8), vshrn_n_s16(vld1q_s16(samples + i + 8), 8));
    } else if (channels == 2) {
        // The halving add is the floor of the pair's mean, exact without widening.
        const auto frames8 = [samples](std::size_t at) {
            const int16x8x2_t lr = vld2q_s16(samples + 2 * at);
            return vshrn_n_s16(vhaddq_s16(lr.val[0], lr.val[1]), 8);
        };
        for (; i + 16 <= frames; i += 16)
            store(i, frames8(i), frames8(i + 8));
    }
    ToBytesScalar(samples + i * static_cast<std::size_t>(channels), frames - i, channels, out + i);
}

void BytesToFloats(const unsigned char* bytes, std::size_t n, float* out) {
    const float32x4_t offset = vdupq_n_f32(128.0f), scale = vdupq_n_f32(1.0f / 128.0f);
    const auto store = [&](float* to, uint32x4_t words) {
        vst1q_f32(to, vmulq_f32(vsubq_f32(vcvtq_f32_u32(words), offset), scale));
    };
    std::size_t i = 0;
    for (; i + 16 <= n; i += 16) {
        const uint8x16_t v = vld1q_u8(bytes + i);
        const uint16x8_t lo = vmovl_u8(vget_low_u8(v)), hi = vmovl_u8(vget_high_u8(v));
        store(out + i, vmovl_u16(vget_low_u16(lo)));
        store(out + i + 4, vmovl_u16(vget_high_u16(lo)));
        store(out + i + 8, vmovl_u16(vget_low_u16(hi)));
        store(out + i + 12, vmovl_u16(vget_high_u16(hi)));
    }
    BytesToFloatsScalar(bytes + i, n - i, out + i);
}

#else

WaveColumn FoldMinMax(const unsigned char* p, std::size_t n, WaveColumn col) {
    return FoldMinMaxScalar(p, n, col);
}

void ToBytes(const short* samples, std::size_t frames, int channels, unsigned char* out) {
    ToBytesScalar(samples, frames, channels, out);
}

void BytesToFloats(const unsigned char* bytes, std::size_t n, float* out) {
    BytesToFloatsScalar(bytes, n, out);
}

#endif

} // namespace detail

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
      maxColumns_(std::max<std::int64_t>(0, maxColumns)) {
    // Room for every column at once (a header's claim is not trusted beyond a few megabytes).
    columns_.reserve(static_cast<std::size_t>(std::min<std::int64_t>(maxColumns_, 1 << 20)));
}

void ColumnReducer::Feed(const unsigned char* bytes, std::size_t count) {
    while (count > 0 && !Full()) {
        const std::size_t take = std::min<std::size_t>(count, bytesPerColumn_ - count_);
        open_ = detail::FoldMinMax(bytes, take, open_);
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
    OpenClip clip(path);
    OpenWav(clip);
    return clip.check;
}

Waveform ReadWaveform(const std::string& path, double dpi) {
    Waveform wave;
    OpenClip clip(path);
    OpenWav(clip);
    wave.state = clip.check.state;
    if (clip.check.state != WavFileState::Playable) return wave;

    wave.layout = LayOutWaveform(clip.check.dataSize, dpi);
    ColumnReducer reducer(wave.layout.bytesPerColumn, wave.layout.drawnColumns);
    if (!ReduceSamples(clip, reducer)) {
        wave.state = WavFileState::NotPlayable;
        return wave;
    }
    wave.columns = reducer.TakeColumns();
    return wave;
}

struct ClipFrameReader::Impl {
    explicit Impl(const std::string& path) : clip(path) {}
    OpenClip clip;
    std::uint64_t left = 0; // frames the header still promises
    std::vector<unsigned char> bytes;
    std::vector<float> interleaved;
};

ClipFrameReader::ClipFrameReader(const std::string& path) : impl_(std::make_unique<Impl>(path)) {
    OpenWav(impl_->clip);
    if (impl_->clip.check.state == WavFileState::Playable) impl_->left = impl_->clip.check.dataSize;
}

ClipFrameReader::~ClipFrameReader() = default;

const WavFileCheck& ClipFrameReader::Check() const {
    return impl_->clip.check;
}

int ClipFrameReader::SampleRate() const {
    return impl_->clip.info.samplerate;
}

std::ptrdiff_t ClipFrameReader::Read(float* out, std::size_t count) {
    Impl& d = *impl_;
    if (d.clip.check.state != WavFileState::Playable) return -1;
    const auto want = static_cast<sf_count_t>(std::min<std::uint64_t>(d.left, count));
    if (want == 0) return 0;
    SNDFILE* snd = d.clip.snd.get();
    const auto n = static_cast<std::size_t>(want);
    if (RawBytesAreSamples(d.clip.info)) {
        // The equipment's 8-bit clips: their bytes converted directly, without libsndfile's own pass.
        d.bytes.resize(n);
        if (sf_read_raw(snd, d.bytes.data(), want) != want) return -1;
        detail::BytesToFloats(d.bytes.data(), n, out);
    } else {
        const int channels = d.clip.info.channels;
        if (channels == 1) {
            if (sf_readf_float(snd, out, want) != want) return -1;
        } else {
            d.interleaved.resize(n * static_cast<std::size_t>(channels));
            if (sf_readf_float(snd, d.interleaved.data(), want) != want) return -1;
            const auto c = static_cast<std::size_t>(channels);
            for (std::size_t i = 0; i < n; ++i) {
                float sum = 0;
                for (std::size_t k = 0; k < c; ++k)
                    sum += d.interleaved[i * c + k];
                out[i] = sum / static_cast<float>(channels);
            }
        }
    }
    d.left -= static_cast<std::uint64_t>(want);
    return static_cast<std::ptrdiff_t>(want);
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
