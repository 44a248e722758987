// Signal list records: one record parsed into an entry line must come back as the same line after
// it is written and read again, and a whole list file must reload as the list it was saved from.
#include "entry_line.h"
#include "fuzz_support.h"
#include "signal_list.h"

ZARN_FUZZ_TARGET(text) {
    // The input as one record line (up to its first line end).
    const std::string_view record = text.substr(0, text.find_first_of("\r\n"));
    double freq = -1;
    if (const std::optional<std::string> line = ParseSignalRecordLine(record, freq)) {
        Require(freq == EntryFrequency(*line));
        Require(line->size() >= kEntryLineLength);
        const std::string written = FormatSignalRecord(*line);
        Require(written.find_first_of("\r\n") == std::string::npos);
        const std::optional<std::string> again = ParseSignalRecordLine(written);
        Require(again && *again == *line);
        std::string appended = "x";
        AppendSignalRecord(appended, *line);
        Require(appended.substr(1) == written);
    }

    // The input as a whole list file.
    SignalList list;
    const SignalLoadResult loaded = MergeSignalRecords(text, list);
    Require(loaded.merged >= 0 && loaded.refused >= 0 && loaded.overflow >= 0);
    Require(list.Count() <= SignalList::kMaxEntries);
    SignalList reloaded;
    const SignalLoadResult again = MergeSignalRecords(SignalFileText(list), reloaded);
    Require(again.refused == 0 && again.overflow == 0);
    Require(reloaded.Lines() == list.Lines());
}
