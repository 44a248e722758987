// The plumbing every fuzz target shares: its entry point, and the helpers for inputs of several
// parts, raw doubles and files on disk.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

// Defines the libFuzzer entry point around a body that gets the input as `text`, in namespace zarn.
#define ZARN_FUZZ_TARGET(text)                                                                       \
    namespace zarn {                                                                                 \
    void FuzzOne(std::string_view text);                                                             \
    }                                                                                                \
    extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {              \
        zarn::FuzzOne({reinterpret_cast<const char*>(data), size});                                  \
        return 0;                                                                                    \
    }                                                                                                \
    void zarn::FuzzOne(std::string_view text)

namespace zarn::fuzz {

// Inputs that carry several files hold them one after another, each ended by this line, so the
// seeds stay readable and a mutation rarely breaks the split.
inline constexpr std::string_view kPartSeparator = "\n#~#\n";

// The parts of an input; the last one runs to the end of the input.
inline std::vector<std::string_view> SplitParts(std::string_view text) {
    std::vector<std::string_view> parts;
    for (std::size_t at; (at = text.find(kPartSeparator)) != std::string_view::npos;) {
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

// The input read as raw doubles, NaN and infinities among them.
template <class Fn> void ForEachDouble(std::string_view text, Fn check) {
    for (std::size_t at = 0; at + sizeof(double) <= text.size(); at += sizeof(double)) {
        double v;
        std::memcpy(&v, text.data() + at, sizeof v);
        check(v);
    }
}

// Writes the input to `name` in a folder of this process's own under /tmp (removed when the run
// ends); returns the folder.
inline std::string WriteScratch(const std::string& name, std::string_view bytes) {
    static const std::string folder = [] {
        static char dir[] = "/tmp/zarn-fuzz-XXXXXX";
        if (!mkdtemp(dir)) std::abort();
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(dir, ignored);
        });
        return std::string(dir);
    }();
    std::FILE* f = std::fopen((folder + "/" + name).c_str(), "wb");
    if (!f || (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size())) std::abort();
    std::fclose(f);
    return folder;
}

} // namespace zarn::fuzz

namespace zarn {
using namespace fuzz; // the targets' bodies live in namespace zarn
} // namespace zarn
