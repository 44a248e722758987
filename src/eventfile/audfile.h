// The companion setup file (".AUD"): collection type and the rows' bandwidth/mode and label texts.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zarn {

enum class CollectionType : int { Priority = 0, Spectral = 1, Netora = 2 };

struct AudClassification {
    CollectionType type = CollectionType::Netora;
    int smdLines = 0; // SMD lines of the file (the PRIORITY rows); counted over the whole file,
                      // also past an SPE line
};

// No AUD file: NETORA. A line beginning "SPE" (any case): SPECTRAL. Otherwise PRIORITY with one
// row per "SMD" line (any case) -- except a file of exactly 100 SMD lines whose 11th and 100th
// lines are equal (whole line text, without its line end), which is SPECTRAL.
AudClassification ClassifyAud(std::string_view audText);
// Whether a line begins "SPE" (any case): the file is SPECTRAL whatever its SMD lines say. Stops at
// the first such line.
bool HasSpectralLine(std::string_view audText);
inline AudClassification ClassifyNoAud() {
    return {CollectionType::Netora, 0};
}

struct RowAttributes {
    std::string label; // field 12 and field 13 frequencies, "00000.00000" each, joined by ", "
    std::string mode;  // bandwidth text followed by mode text, e.g. ", 030KHz, FM "
};

// One element per SMD line, in file order (element k-1 describes channel k). Fields are counted
// between commas, field 0 being "SMD". A line with fewer than fifteen fields still makes its row:
// a missing field reads as empty, so its codes fall to ", 300KHz" / ", IFT" and its frequencies to 0.
std::vector<RowAttributes> ReadRowAttributes(std::string_view audText);

// Texts of the code tables by the last character of the field ('\0' for an empty field).
std::string_view BandwidthText(char code); // '1' ", 010KHz", '2' ", 030KHz", '3' ", 100KHz", else ", 300KHz"
std::string_view ModeText(char code);      // '1'..'7' AM FM CW PLS USB LSB ISB, else ", IFT"

// Row 1 of a NETORA collection.
inline constexpr std::string_view kNetoraRowMode = ", 025KHz, FM ";

} // namespace zarn
