// Event file lines and the segment scan: every line classified, split and read the way the segment
// dialog, the clip table and the player read them, then the two passes of the segment count.
#include "clip_attributes.h"
#include "dates.h"
#include "eventline.h"
#include "fuzz_support.h"
#include "numbers.h"
#include "segscan.h"
#include "textfile.h"

ZARN_FUZZ_TARGET(text) {
    LineCursor cursor(text);
    std::string_view line;
    while (cursor.Next(line)) {
        const LineKind kind = ClassifyLine(line);
        Require((kind == LineKind::SegmentStart) == IsSegmentStartLine(line));
        const LineFields fields = SplitFields(line);
        Require(fields.count >= 1 && fields.count <= kMaxFields);
        for (int i = 0; i < kMaxFields; ++i) {
            const std::string_view f = fields[i];
            Require(f.empty() ||
                    (f.data() >= line.data() && f.data() + f.size() <= line.data() + line.size()));
        }
        (void)LeadingNumber(fields[2]);
        (void)LeadingNumber(fields[3]);
        (void)ToDate(fields[4]);
        (void)ToDate(fields[5]);
        if (IsClipLine(line)) {
            const ClipReadouts readouts = MakeClipReadouts(line.substr(line.size() >= 4 ? 4 : line.size()));
            (void)CaptionFrequency(readouts.Freq);
        }
    }

    // The file name rules take whatever path the operator chose; the first line stands in for it.
    LineCursor names(text);
    if (names.Next(line)) {
        const std::string prefix = ClipPrefix(line);
        (void)IsClipFileOfPrefix(prefix, ClipFileName(prefix, 1));
        (void)AudFileName(line);
        (void)SavFileName(line);
    }

    int last = -1;
    bool rising = true;
    const SegmentTable table = ScanSegments(text, [&](int percent) {
        rising = rising && percent > last && percent >= 0 && percent <= 100;
        last = percent;
    });
    Require(rising);
    Require(table.segCount >= 0);
    if (table.segCount > 0) {
        Require(last == 100);
        const auto n = static_cast<std::size_t>(table.segCount) + 1;
        Require(table.start.size() == n && table.stop.size() == n && table.clipCount.size() == n &&
                table.maxNumber.size() == n);
    } else {
        Require(last == -1 && table.start.empty());
    }
}
