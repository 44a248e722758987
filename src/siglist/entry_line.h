// The entry line: one signal list entry as a line of fixed columns. It is the one form every window
// shares: the list shows it, the clipboard carries it, the summary picture and the player read it by
// column. Columns are counted from 1 in the comments below.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace zarn {

// Counts and indices of the list are 16-bit, so a list holds at most this many entries.
inline constexpr int kMaxSignalEntries = 32767;
// An entry line without a comment is this long; the comment starts in column 52.
inline constexpr std::size_t kEntryLineLength = 51;

enum class SignalClass { Soi = 0, Ids = 1, Unknown = 2 };

// The detection modes in chooser order, each 3 characters.
inline constexpr const char* kDetectionModes[8] = {"AM ", "FM ", "CW ", "PLS", "USB", "LSB", "ISB", "IFT"};

// Columns `first` (from 1) for `width` characters; the part beyond the line's end is left off.
std::string_view EntryColumns(std::string_view line, std::size_t first, std::size_t width);

std::string_view EntryKey(std::string_view line);          // columns 1-12: space and frequency; the sort key
std::string_view EntryFreqText(std::string_view line);     // columns 2-12
std::string_view EntryIfbwText(std::string_view line);     // columns 16-21
std::string_view EntryCorText(std::string_view line);      // columns 25-26
std::string_view EntryDetText(std::string_view line);      // columns 30-32
std::string_view EntryClassText(std::string_view line);    // columns 36-38
std::string_view EntryPriorityText(std::string_view line); // column 43
bool EntryLockedOut(std::string_view line);                // column 48 is "x"
std::string_view EntryComment(std::string_view line);      // column 52 on; empty for a line of 51 or less

// Numeric values read leniently from their columns, in MHz.
double EntryFrequency(std::string_view line);
double EntryIfbw(std::string_view line);

SignalClass ClassFromText(std::string_view cls); // "soi", "ids", anything else unknown

// Assembles an entry line from field texts that already have their widths ("00000.00000",
// "00.000", "00" or "-1", a 3-character mode, one priority digit).
std::string MakeEntryLine(std::string_view freq, std::string_view ifbw, std::string_view cor,
                          std::string_view det, SignalClass cls, std::string_view priority, bool lockout,
                          std::string_view comment);

// A signal record (one line of a .SIG file) already split at its first comma into the frequency
// field and the rest. Malformed groups take their defaults. No value when the frequency field is not
// a number in 0 <= f < 100000 (an empty line, a foreign header, or a frequency that would not fit
// the 11-character column and push every other column out of place).
std::optional<std::string> ParseSignalRecord(std::string_view freqField, std::string_view rest);

// The same for a whole record line: split at its first comma (a line without one has an empty rest).
std::optional<std::string> ParseSignalRecordLine(std::string_view record);
// The same, also giving the entry's frequency as EntryFrequency reads it from the line.
std::optional<std::string> ParseSignalRecordLine(std::string_view record, double& freq);

// The record text of an entry line, without its line end; the inverse of ParseSignalRecord.
std::string FormatSignalRecord(std::string_view line);
// The same, appended to `out` (the file writer builds one text for the whole list).
void AppendSignalRecord(std::string& out, std::string_view line);

} // namespace zarn
