// The configuration file's text.
#include "config.h"
#include "fuzz_support.h"

#include <cmath>

using namespace zarn;
using zarn_fuzz::Require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const Settings s = ParseConfig(zarn_fuzz::AsText(data, size));
    // A negative or missing bandwidth falls back to the default, so it is never below zero.
    Require(!std::isnan(s.DefaultIfbw) && s.DefaultIfbw >= 0);
    return 0;
}
