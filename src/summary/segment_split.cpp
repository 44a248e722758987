#include "segment_split.h"

#include "clip_table.h"
#include "dates.h"
#include "eventline.h"
#include "formats.h"
#include "numbers.h"
#include "textfile.h"

#include <cmath>

namespace zarn {

namespace {

void AppendLine(std::string& out, std::string_view line) {
    out += line;
    out += "\r\n";
}

} // namespace

std::string SplitStartLine(std::string_view clipFileField, std::string_view stopField) {
    // The clip name less its last four characters, then the number those four read as, plus one.
    const std::size_t keep = clipFileField.size() >= 4 ? clipFileField.size() - 4 : 0;
    std::string line = "STARTBYTRIGGER,";
    line += stopField;
    line += ',';
    line += clipFileField.substr(0, keep);
    line += FormatNumber(LeadingNumber(clipFileField.substr(keep)) + 1, "0000");
    return line;
}

SplitText SplitEventText(std::string_view eventText, int selectedSegment, int n) {
    // The segment and its clips are counted as the segment table counts them (START lines with a
    // start time; clip lines with a level), so the break falls after the clip the picture showed
    // as clip n.
    SplitText out;
    if (selectedSegment < 1 || n < 1) return out;
    out.text.reserve(eventText.size() + eventText.size() / 16 + 64);
    LineCursor cursor(eventText);
    std::string_view line;
    int segment = 0;
    while (segment < selectedSegment && cursor.Next(line)) {
        AppendLine(out.text, line);
        if (OpensSegment(line)) ++segment;
    }
    if (segment < selectedSegment) return {};
    int clips = 0;
    while (clips < n && cursor.Next(line)) {
        if (OpensSegment(line)) return {};
        AppendLine(out.text, line);
        if (!IsClipLine(line)) continue;
        const ClipLineFields fields = ClipLineFields::OfEventLine(line);
        if (fields[ClipFieldId::Level].empty()) continue;
        if (++clips == n) {
            const std::string_view stop = fields[ClipFieldId::StopTime];
            out.lastClipStop = std::string(stop);
            AppendLine(out.text, SplitStartLine(fields[ClipFieldId::FileName], stop));
        }
    }
    if (clips < n) return {};
    while (cursor.Next(line))
        AppendLine(out.text, line);
    out.ok = true;
    return out;
}

SplitResult SplitSegment(const std::string& eventFileName, int selectedSegment, int n, double segStart,
                         int secondsPerUnit) {
    SplitResult result;
    std::string before;
    if (FileResult read = ReadFileBytes(eventFileName, before); !read) {
        result.error = read.error;
        return result;
    }
    SplitText split = SplitEventText(before, selectedSegment, n);
    if (!split.ok) {
        result.error = "The segment of " + eventFileName + " no longer holds the clips to keep";
        return result;
    }
    // The backup first: should it fail, the event file has not been touched. Each step replaces
    // its target by a rename within its own folder, so the event file never goes missing.
    if (FileResult backup = ReplaceFileAtomically(SavFileName(eventFileName), before); !backup) {
        result.error = backup.error;
        return result;
    }
    if (FileResult rewrite = ReplaceFileAtomically(eventFileName, split.text); !rewrite) {
        result.error = rewrite.error;
        return result;
    }
    result.ok = true;
    if (const auto stop = ToDate(split.lastClipStop)) {
        const double units = std::nearbyint(UnitOf(*stop, segStart, secondsPerUnit));
        if (std::abs(units) < 1e15) result.segWidthUnits = static_cast<long>(units);
    }
    return result;
}

} // namespace zarn
