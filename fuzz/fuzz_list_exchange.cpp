// Lists from other programs: whatever a gqrx, SDR++, CHIRP or scanner file holds, every line that
// comes in is a whole entry line with a usable frequency, and writing the lines out and reading them
// back in their own format keeps their frequencies.
#include "entry_line.h"
#include "fuzz_support.h"
#include "list_exchange.h"

ZARN_FUZZ_TARGET(text) {
    (void)DetectExchangeFormat(text);
    (void)SdrppListNames(text);
    for (ExchangeFormat format :
         {ExchangeFormat::Gqrx, ExchangeFormat::SdrPlusPlus, ExchangeFormat::Chirp, ExchangeFormat::Scanner}) {
        const ExchangeRead read = ReadExchange(format, text);
        Require(read.ok || read.lines.empty());
        Require(read.malformed >= static_cast<int>(read.malformedAt.size()) && read.malformedAt.size() <= 10);
        for (const std::string& line : read.lines) {
            Require(line.size() >= kEntryLineLength);
            Require(ParseSignalRecordLine(FormatSignalRecord(line)).has_value());
        }
        const ExchangeRead back = ReadExchange(format, WriteExchange(format, read.lines));
        Require(back.ok && back.malformed == 0 && back.lines.size() == read.lines.size());
        for (std::size_t i = 0; i < back.lines.size() && format != ExchangeFormat::SdrPlusPlus; ++i)
            Require(EntryFreqText(back.lines[i]) == EntryFreqText(read.lines[i]));
    }
}
