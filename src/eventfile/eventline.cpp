#include "eventline.h"

#include "formats.h"
#include "paths.h"

#include <bit>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace zarn {

LineKind ClassifyLine(std::string_view line) {
    if (IsSegmentStartLine(line)) return LineKind::SegmentStart;
    if (IsClipLine(line)) return LineKind::Clip;
    if (line.substr(0, 14) == "STOPBYTRIGGER,") return LineKind::StopByTrigger;
    if (line.substr(0, 4) == "Ver,") return LineKind::Creator;
    return LineKind::Other;
}

LineFields SplitFields(std::string_view line) {
    // Runs for every line of large event files: memchr for the commas, views only, no allocation.
    LineFields out;
    const char* p = line.data();
    const char* const end = p + line.size();
    for (int i = 0;; ++i) {
        const auto* comma = static_cast<const char*>(
            p == end ? nullptr : std::memchr(p, ',', static_cast<std::size_t>(end - p)));
        const std::size_t idx = static_cast<std::size_t>(i);
        if (!comma) {
            out.field[idx] = std::string_view(p, static_cast<std::size_t>(end - p));
            out.count = i + 1;
            return out;
        }
        out.field[idx] = std::string_view(p, static_cast<std::size_t>(comma - p));
        if (i == kMaxFields - 1) {
            // The eighth comma closes field 7; the rest of the line is not read.
            out.count = kMaxFields;
            return out;
        }
        p = comma + 1;
    }
}

namespace {

// Bit i set when p[i] is a comma, for the `count` (at most 16) characters from p.
[[gnu::always_inline]] inline unsigned CommaBits(const char* p, std::size_t count) {
#if defined(__SSE2__)
    if (count == 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        return static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_set1_epi8(','))));
    }
#endif
    unsigned bits = 0;
    for (std::size_t k = 0; k < count; ++k)
        bits |= static_cast<unsigned>(p[k] == ',') << k;
    return bits;
}

} // namespace

LineFields SplitFieldsByBlocks(std::string_view line) {
    LineFields out;
    const char* const p = line.data();
    const std::size_t n = line.size();
    std::size_t start = 0; // where the current field begins
    int i = 0;
    for (std::size_t base = 0; base < n; base += 16) {
        // The last, partial block of a line of 16 or more is read as its last 16 characters, less
        // those seen already.
        const std::size_t left = n - base;
        unsigned commas = left >= 16 ? CommaBits(p + base, 16)
                          : n >= 16  ? CommaBits(p + n - 16, 16) >> (16 - left)
                                     : CommaBits(p, n);
        while (commas != 0) {
            const std::size_t comma = base + static_cast<std::size_t>(std::countr_zero(commas));
            commas &= commas - 1;
            out.field[static_cast<std::size_t>(i)] = std::string_view(p + start, comma - start);
            start = comma + 1;
            if (i == kMaxFields - 1) {
                // The eighth comma closes field 7; the rest of the line is not read.
                out.count = kMaxFields;
                return out;
            }
            ++i;
        }
    }
    out.field[static_cast<std::size_t>(i)] = std::string_view(p + start, n - start);
    out.count = i + 1;
    return out;
}

bool OpensSegment(std::string_view line) {
    return IsSegmentStartLine(line) && !SplitFields(line)[1].empty();
}

std::string ClipPrefix(std::string_view eventFilePath) {
    // The base name is the file name less its four-character extension (".EVA").
    const std::string name = FileNameOf(eventFilePath);
    if (name.size() < 9) return name.substr(0, name.size() >= 4 ? name.size() - 4 : 0);
    return name.substr(0, 4);
}

std::string ClipFileName(std::string_view prefix, int k) {
    std::string name(prefix);
    name += FormatNumber(k, "0000");
    name += ".WAV";
    return name;
}

namespace {

bool IsAsciiDigit(char c) {
    return c >= '0' && c <= '9';
}

std::string ReplaceLastThree(std::string_view path, std::string_view with) {
    std::string out(path.substr(0, path.size() >= 3 ? path.size() - 3 : 0));
    out += with;
    return out;
}

} // namespace

bool IsClipFileOfPrefix(std::string_view prefix, std::string_view fileName) {
    constexpr std::string_view kExtension = ".WAV";
    if (fileName.size() < prefix.size() + 1 + kExtension.size()) return false;
    if (!EqualsNoCase(fileName.substr(0, prefix.size()), prefix)) return false;
    if (!EqualsNoCase(fileName.substr(fileName.size() - kExtension.size()), kExtension)) return false;
    const std::string_view digits =
        fileName.substr(prefix.size(), fileName.size() - prefix.size() - kExtension.size());
    for (char c : digits) {
        if (!IsAsciiDigit(c)) return false;
    }
    return true;
}

std::string AudFileName(std::string_view eventFilePath) {
    return ReplaceLastThree(eventFilePath, "AUD");
}
std::string SavFileName(std::string_view eventFilePath) {
    return ReplaceLastThree(eventFilePath, "SAV");
}

std::string SplitWorkFileName(std::string_view currentFolder) {
    return JoinPath(currentFolder, "temp.eva");
}

} // namespace zarn
