// The group marks of a signal record ("[", "]", "{", "}", "(", ")", "/", "\") and the places this
// program writes them at, so that the record parser can settle all eight groups with one check.
#pragma once

#include <cstddef>
#include <string_view>

namespace zarn {

inline constexpr int kRecordMarkCount = 8;
inline constexpr char kRecordMarks[kRecordMarkCount] = {'[', ']', '{', '}', '(', ')', '/', '\\'};

// A record's rest (after the frequency's comma) as this program writes it: "[" at 0, "]" at 26,
// "{" at 27, "}" at 29, "(" at 30, ")" at 32, "/" at 33, "\" at 35, and no other mark before
// position 36.
inline constexpr std::size_t kRecordLayoutLength = 36;
inline constexpr std::size_t kRecordLayoutPlaces[kRecordMarkCount] = {0, 26, 27, 29, 30, 32, 33, 35};

// True when `rest` has the standard layout. Checks 16 characters at a time where the processor
// can; nearly every record of a file passes through here.
bool HasStandardRecordLayout(std::string_view rest);

// The same, a character at a time; what the other is checked against.
bool HasStandardRecordLayoutPlain(std::string_view rest);

} // namespace zarn
