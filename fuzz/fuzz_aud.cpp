// The companion AUD file: the collection type and the rows' bandwidth, mode and label texts.
#include "audfile.h"
#include "fuzz_support.h"

ZARN_FUZZ_TARGET(text) {
    const AudClassification kind = ClassifyAud(text);
    const std::vector<RowAttributes> rows = ReadRowAttributes(text);
    // Both count the same SMD lines: a row per channel.
    Require(kind.smdLines >= 0 && rows.size() == static_cast<std::size_t>(kind.smdLines));
    for (const RowAttributes& row : rows)
        Require(!row.mode.empty());
}
