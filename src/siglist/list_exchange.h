// Signal lists in the formats of other receiver and SDR programs: gqrx bookmarks, the SDR++
// frequency manager, CHIRP's generic CSV and a scanner channel CSV. Reading gives entry lines (new
// entries, class unknown) and what could not be taken; writing gives the whole file text. The
// window places the lines with the same rules as a paste.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zarn {

enum class ExchangeFormat { Gqrx, SdrPlusPlus, Chirp, Scanner };

// The operator's name of a format, as the file dialogs and messages show it.
const char* ExchangeFormatName(ExchangeFormat format);
// The extension a file of the format gets when the operator types none (".csv", ".json").
const char* ExchangeExtension(ExchangeFormat format);

// Which format a file's text is in, from its first lines: JSON is SDR++, a header beginning
// "Location," is CHIRP, "Channel," the scanner CSV, semicolon fields gqrx. No value for anything else.
std::optional<ExchangeFormat> DetectExchangeFormat(std::string_view bytes);

// What a read brought in.
struct ExchangeRead {
    bool ok = true;                 // false: the text is not a file of the format at all (nothing was read)
    std::string error;              // why, in words for the operator
    std::vector<std::string> lines; // entry lines in file order
    int malformed = 0;              // lines or bookmarks left out whole: no usable frequency, bad fields
    std::vector<int> malformedAt;   // their line numbers (from 1; SDR++: bookmark number), the first 10
    int namesChanged = 0;           // names that held characters outside Latin-1 or control characters
};

// The SDR++ file's list names, in file order; empty when the text is not such a file.
std::vector<std::string> SdrppListNames(std::string_view bytes);

// Reads a whole file text. For SDR++, `lists` names the lists to take (Latin-1, as SdrppListNames
// gives them); empty takes every list.
ExchangeRead ReadExchange(ExchangeFormat format, std::string_view bytes,
                          const std::vector<std::string>& lists = {});

// The whole file text for the entry lines, in the format's own character set (UTF-8).
std::string WriteExchange(ExchangeFormat format, const std::vector<std::string>& lines);

// A name from a UTF-8 file as list text: every character outside Latin-1 becomes its nearest Latin-1
// letter or "?", control characters a space. Text that is not valid UTF-8 is taken as Latin-1
// already. `changed` tells whether anything was replaced.
std::string NameToLatin1(std::string_view utf8, bool& changed);

} // namespace zarn
