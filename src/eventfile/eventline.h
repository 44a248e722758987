// Lines, fields and file names of the audio event file and its companion files.
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace zarn {

enum class LineKind { SegmentStart, Clip, StopByTrigger, Creator, Other };

// Decided by the first characters, case-sensitive: "START" (five), "WAV" (three),
// "STOPBYTRIGGER,", "Ver,". A line beginning "WAVE" is a clip line.
LineKind ClassifyLine(std::string_view line);
inline bool IsSegmentStartLine(std::string_view line) {
    return line.substr(0, 5) == "START";
}
inline bool IsClipLine(std::string_view line) {
    return line.substr(0, 3) == "WAV";
}

inline constexpr int kMaxFields = 8;

// The fields 0..7 of a comma-separated line. Fields are not trimmed; an empty field between two
// commas is "", a trailing comma gives an empty last field. A line holds at most eight fields:
// the eighth comma ends field 7 and whatever follows it is ignored. Missing fields are "".
// The views point into the line.
struct LineFields {
    std::array<std::string_view, kMaxFields> field{};
    int count = 0; // fields present, 1..8 (an empty line has one empty field)
    std::string_view operator[](int i) const { return field[static_cast<std::size_t>(i)]; }
};
LineFields SplitFields(std::string_view line);
// The same fields, found by testing the line 16 characters at a time for commas (at once, where the
// processor can): the clip table splits every line of a segment this way. SplitFields is what it is
// checked against.
LineFields SplitFieldsByBlocks(std::string_view line);

// A START line that opens a segment: one with a start time in field 1. A START line with an empty
// field 1 opens none; the segment table, the clip table and the segment split all count this way.
bool OpensSegment(std::string_view line);

// The fields of a clip, by name. The event file writes a clip as
//   WAV,<file>,<number>,<frequency MHz>,<start>,<stop>,<level dBm>,<value>
// where the number is a PRIORITY clip's channel and a track otherwise. The clip table keeps each
// line without its "WAV," keyword, so the same field sits one place further left there; reading
// fields by name keeps callers from counting either way.
enum class ClipFieldId { FileName, Number, Frequency, StartTime, StopTime, Level, Value };

// A clip line's fields, split once. A field the line does not reach is "". The views point into
// the line.
class ClipLineFields {
public:
    // The event file's own line, keyword first.
    static ClipLineFields OfEventLine(std::string_view line) { return {line, 1}; }
    // A clip table's line: the event file's line without its "WAV,".
    static ClipLineFields OfTableLine(std::string_view line) { return {line, 0}; }

    std::string_view operator[](ClipFieldId id) const { return fields_[static_cast<int>(id) + offset_]; }

private:
    static_assert(static_cast<int>(ClipFieldId::Value) + 1 < kMaxFields, "every named field is split out");
    // The fields are split straight into place: every clip line of a segment comes through here.
    ClipLineFields(std::string_view line, int offset) : fields_(SplitFieldsByBlocks(line)), offset_(offset) {}
    LineFields fields_;
    int offset_ = 0; // 1 when the keyword is field 0
};

// One field of a clip table's line.
inline std::string_view ClipFieldOf(std::string_view tableLine, ClipFieldId id) {
    return ClipLineFields::OfTableLine(tableLine)[id];
}

// Clip prefix of an event file: the first four characters of its base name; when the file name
// (with its extension) has fewer than nine characters, the name less its last four characters.
// AB.EVA -> "AB", ABCDE.EVA -> "ABCD", ABCDEFGH.EVA -> "ABCD". Takes a path or a bare name.
std::string ClipPrefix(std::string_view eventFilePath);

// prefix + k formatted "0000" + ".WAV".
std::string ClipFileName(std::string_view prefix, int k);

// True when `fileName` is prefix + one or more digits + ".WAV", compared without regard to case:
// the clip files an event file of that prefix owns.
bool IsClipFileOfPrefix(std::string_view prefix, std::string_view fileName);

// The event file's path with its last three characters replaced by "AUD" / "SAV".
std::string AudFileName(std::string_view eventFilePath);
std::string SavFileName(std::string_view eventFilePath);

// The work file of a segment split: "temp.eva" in the given (current) folder.
std::string SplitWorkFileName(std::string_view currentFolder);

} // namespace zarn
