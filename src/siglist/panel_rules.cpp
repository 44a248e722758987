#include "panel_rules.h"

#include "formats.h"
#include "numbers.h"

namespace zarn {

namespace {

// The value of a field whose whole text is a number.
std::optional<double> FieldValue(std::string_view text) {
    if (!IsNumericText(text)) return std::nullopt;
    return LeadingNumber(text);
}

// The formatted text, provided the format kept to its width (rounding can add a digit).
std::optional<std::string> Formatted(double value, std::string_view picture) {
    std::string text = FormatNumber(value, picture);
    if (text.size() != picture.size()) return std::nullopt;
    return text;
}

// Columns of an old line, padded to their width so a short line cannot shift what follows.
std::string_view OldColumns(std::string_view line, std::size_t first, std::size_t width,
                            std::string& buffer) {
    const std::string_view cols = EntryColumns(line, first, width);
    if (cols.size() == width) return cols;
    buffer.assign(cols);
    buffer.append(width - cols.size(), ' ');
    return buffer;
}

} // namespace

PanelValues PanelStartForAdd() {
    PanelValues v;
    v.freq = "00020.00000";
    v.ifbw = "00.010";
    v.cor = "20";
    v.det = 2;
    v.cls = 2;
    v.priority = "9";
    return v;
}

PanelValues PanelStartFromLine(std::string_view line) {
    PanelValues v;
    v.freq = EntryFreqText(line);
    v.ifbw = EntryIfbwText(line);
    v.cor = EntryCorText(line);
    v.det = DetectionIndex(EntryDetText(line));
    v.cls = static_cast<int>(ClassFromText(EntryClassText(line)));
    v.priority = EntryPriorityText(line);
    v.comment = EntryComment(line);
    return v;
}

PanelValues PanelStartEmpty() {
    return PanelValues{};
}

int DetectionIndex(std::string_view det) {
    for (int i = 1; i < 8; ++i)
        if (det == kDetectionModes[i]) return i + 1;
    return 1;
}

std::optional<std::string> CheckFreqField(std::string_view text) {
    const auto v = FieldValue(text);
    if (!v || !(*v >= 0 && *v < 100000)) return std::nullopt;
    return Formatted(*v, "00000.00000");
}

std::optional<std::string> CheckIfbwField(std::string_view text) {
    const auto v = FieldValue(text);
    if (!v || !(*v >= 0 && *v <= 99.999)) return std::nullopt;
    return Formatted(*v, "00.000");
}

std::optional<std::string> CheckCorField(std::string_view text) {
    const auto v = FieldValue(text);
    if (!v) return std::nullopt;
    if (*v < 0) return std::string("-1");
    if (!(*v <= 99)) return std::nullopt;
    return Formatted(*v, "00");
}

std::optional<std::string> CheckPriorityField(std::string_view text) {
    const auto v = FieldValue(text);
    if (!v || !(*v >= 0 && *v <= 9)) return std::nullopt;
    return Formatted(*v, "0");
}

std::string ApplyMultiEdit(std::string_view old, const MultiEdit& edit) {
    std::string b1, b2, b3, b4, b5, b6;
    std::string line;
    line.reserve(kEntryLineLength + EntryComment(old).size());
    line += OldColumns(old, 1, 15, b1);
    line += edit.ifbw.empty() ? OldColumns(old, 16, 6, b2) : std::string_view(edit.ifbw);
    line += "   ";
    line += edit.cor.empty() ? OldColumns(old, 25, 2, b3) : std::string_view(edit.cor);
    line += "   ";
    line += edit.det.empty() ? OldColumns(old, 30, 3, b4) : std::string_view(edit.det);
    line += "   ";
    line += OldColumns(old, 36, 3, b5);
    line += "   ";
    if (edit.priority.empty()) {
        line += OldColumns(old, 42, 5, b6);
    } else {
        line += ' ';
        line += edit.priority;
        line += "   ";
    }
    line += edit.lockout ? " x   " : "     ";
    line += EntryComment(old);
    return line;
}

std::string ReplaceQuestion(std::string_view freqText) {
    return "Freq = " + std::string(freqText) +
           " MHz is already available in the Signal List.  Do you want to replace it with new data?";
}

} // namespace zarn
