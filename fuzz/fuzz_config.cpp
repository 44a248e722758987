// The configuration file's text.
#include "config.h"
#include "fuzz_support.h"

#include <cmath>

ZARN_FUZZ_TARGET(text) {
    const Settings s = ParseConfig(text);
    // A negative or missing bandwidth falls back to the default, so it is never below zero.
    Require(!std::isnan(s.DefaultIfbw) && s.DefaultIfbw >= 0);
}
