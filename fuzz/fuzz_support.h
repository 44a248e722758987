// Small helpers shared by the fuzz targets.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace zarn_fuzz {

// Inputs that carry several files hold them one after another, each ended by this line, so the
// seeds stay readable and a mutation rarely breaks the split.
inline constexpr std::string_view kPartSeparator = "\n#~#\n";

inline std::string_view AsText(const std::uint8_t* data, std::size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

// The parts of an input; the last one runs to the end of the input.
inline std::vector<std::string_view> SplitParts(std::string_view text) {
    std::vector<std::string_view> parts;
    for (;;) {
        const std::size_t at = text.find(kPartSeparator);
        if (at == std::string_view::npos) break;
        parts.push_back(text.substr(0, at));
        text.remove_prefix(at + kPartSeparator.size());
    }
    parts.push_back(text);
    return parts;
}

// A property the code promises does not hold: stop here, so libFuzzer keeps the input.
inline void Require(bool holds) {
    if (!holds) __builtin_trap();
}

// A folder of this process's own under /tmp, removed when the run ends.
inline const std::string& ScratchFolder() {
    static const std::string folder = [] {
        static char name[] = "/tmp/zarn-fuzz-XXXXXX";
        if (!mkdtemp(name)) std::abort();
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(name, ignored);
        });
        return std::string(name);
    }();
    return folder;
}

} // namespace zarn_fuzz
