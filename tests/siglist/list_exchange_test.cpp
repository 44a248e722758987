// Lists in other programs' formats: files as gqrx, SDR++, CHIRP and scanner software write them come in
// as entry lines, with broken lines counted and foreign letters brought to Latin-1; our lists go out
// in each format and come back with every field the format can hold.
#include "entry_line.h"
#include "list_exchange.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zarn {
namespace {

using Lines = std::vector<std::string>;

std::string Entry(const char* freq, const char* ifbw, const char* det, const std::string& comment,
                  const char* priority = "9", bool lockout = false) {
    return MakeEntryLine(freq, ifbw, "20", det, SignalClass::Unknown, priority, lockout, comment);
}

// gqrx's own layout: the tag table, a blank line, the header line, padded columns in Hz. Names in
// UTF-8 with Polish letters (o with acute is Latin-1 already), an empty name, one frequency twice.
const std::string kGqrxFull =
    "# Tag name          ;  color\n"
    "Untagged            ; #c0c0c0\n"
    "Lotnictwo           ; #ff8000\n"
    "\n"
    "# Frequency ; Name                     ; Modulation          ;  Bandwidth; Tags\n"
    "   118100000; Krak\303\263w Wie\305\274a              ; AM                  ;       8000; Lotnictwo\n"
    "   145500000; \305\201\303\263d\305\272 przemiennik        ; Narrow FM           ;      10000; Untagged\n"
    "   145500000; \305\201\303\263d\305\272 again              ; Narrow FM           ;      12500; Untagged\n"
    "    98000000; Radio Gda\xC5\x84sk             ; WFM (stereo)        ;     160000; Untagged\n"
    "     7074000;                          ; USB                 ;       2800; Untagged\n"
    "  not a freq; broken                   ; AM                  ;      10000; Untagged\n"
    "    14074000; FT8 20m                  ; CW-U                ;       wide; Untagged\n"
    "     3573000; short line\n";

TEST(ReadExchange, GqrxBookmarks) {
    const struct {
        const char* what;
        int malformed, namesChanged;
        std::vector<int> at;
        std::string text;
        Lines lines;
    } cases[] = {
        {"tag table and header", 3, 4, {11, 12, 13}, kGqrxFull,
         {Entry("00118.10000", "00.008", "AM ", "Krak\363w Wieza"),
          Entry("00145.50000", "00.010", "FM ", "L\363dz przemiennik"),
          Entry("00145.50000", "00.013", "FM ", "L\363dz again"),
          Entry("00098.00000", "00.160", "FM ", "Radio Gdansk"), Entry("00007.07400", "00.003", "USB", "")}},
        {"bookmark lines only, CR LF, extra info field", 0, 0, {},
         "   162550000; NOAA WX2 ; Narrow FM ; 10000 ; Weather\r\n"
         "   121500000; Guard ; AM-Sync ; 9000 ; Air ; more\r\n"
         "   433920000; ISM raw ; Raw I/Q ; 250000 ;\r\n",
         {Entry("00162.55000", "00.010", "FM ", "NOAA WX2"), Entry("00121.50000", "00.009", "AM ", "Guard"),
          Entry("00433.92000", "00.250", "IFT", "ISM raw")}},
        {"header line, no tag table; unknown mode, out of range values", 3, 0, {3, 4, 6},
         "# Frequency ; Name ; Modulation ; Bandwidth; Tags\n"
         "  1000000; LF ; Demod Off ; 0 ; Untagged\n"
         "  100000000000; Too high ; AM ; 10000 ; Untagged\n"
         "  200000000; Negative width ; AM ; -5 ; Untagged\n"
         "  300000000; Huge width ; CW-L ; 500000000 ; Untagged\n"
         "  -1000000; Negative ; AM ; 1000 ; Untagged\n"
         "  474000; NDB ; CW-U ; 500 ; Untagged\n",
         {Entry("00001.00000", "00.000", "AM ", "LF"), Entry("00300.00000", "99.999", "CW ", "Huge width"),
          Entry("00000.47400", "00.001", "CW ", "NDB")}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(DetectExchangeFormat(c.text), ExchangeFormat::Gqrx);
        const ExchangeRead r = ReadExchange(ExchangeFormat::Gqrx, c.text);
        EXPECT_TRUE(r.ok);
        EXPECT_EQ(r.lines, c.lines);
        EXPECT_EQ(std::tie(r.malformed, r.namesChanged, r.malformedAt),
                  std::tie(c.malformed, c.namesChanged, c.at));
    }
}

// SDR++ keeps every list of its frequency manager in one file; names are the bookmarks' keys.
const std::string kSdrpp = R"({
    "bookmarkDisplayMode": 1,
    "lists": {
        "General": {
            "bookmarks": {
                "Airband ATIS": { "bandwidth": 8330.0, "frequency": 127800000.0, "mode": 2 },
                "\u015Awinouj\u015Bcie FM": { "bandwidth": 200000.0, "frequency": 99500000.0, "mode": 1 },
                "Beacon": { "bandwidth": 500.0, "frequency": 241000000000.0, "mode": 5 }
            },
            "showOnWaterfall": true
        },
        "Marine": {
            "bookmarks": {
                "Broken": { "bandwidth": 12500.0, "mode": 0 },
                "Ch 16": { "bandwidth": 12500.0, "frequency": 156800000.0, "mode": 0 },
                "Ch 70 DSC": { "bandwidth": 12500.0, "frequency": 156525000.0, "mode": 7 }
            },
            "showOnWaterfall": false
        }
    },
    "selectedList": "General"
})";

TEST(ReadExchange, SdrppListsOneOrAll) {
    EXPECT_EQ(DetectExchangeFormat(kSdrpp), ExchangeFormat::SdrPlusPlus);
    EXPECT_EQ(SdrppListNames(kSdrpp), (Lines{"General", "Marine"}));

    const ExchangeRead marine = ReadExchange(ExchangeFormat::SdrPlusPlus, kSdrpp, {"Marine"});
    EXPECT_EQ(marine.lines, (Lines{Entry("00156.80000", "00.013", "FM ", "Ch 16"),
                                   Entry("00156.52500", "00.013", "IFT", "Ch 70 DSC")}));
    EXPECT_EQ(marine.malformed, 1); // no frequency: left out whole

    const ExchangeRead all = ReadExchange(ExchangeFormat::SdrPlusPlus, kSdrpp);
    EXPECT_EQ(all.lines, (Lines{Entry("00127.80000", "00.008", "AM ", "Airband ATIS"),
                                Entry("00099.50000", "00.200", "FM ", "Swinoujscie FM"),
                                Entry("00156.80000", "00.013", "FM ", "Ch 16"),
                                Entry("00156.52500", "00.013", "IFT", "Ch 70 DSC")}));
    EXPECT_EQ(all.malformed, 2); // the 241 GHz beacon does not fit the frequency column either
    EXPECT_EQ(all.namesChanged, 1);

    const ExchangeRead broken = ReadExchange(ExchangeFormat::SdrPlusPlus, "{ \"lists\": { \"General\": ");
    EXPECT_FALSE(broken.ok);
    EXPECT_TRUE(broken.lines.empty());
    EXPECT_TRUE(SdrppListNames("{ \"lists\": 3 }").empty());
}

TEST(ReadExchange, ChirpAndScannerCsv) {
    // CHIRP's current header (with RxDtcsCode, CrossMode, Power, DVCODE); quoted fields.
    const std::string chirp =
        "Location,Name,Frequency,Duplex,Offset,Tone,rToneFreq,cToneFreq,DtcsCode,DtcsPolarity,RxDtcsCode,"
        "CrossMode,Mode,TStep,Skip,Power,Comment,URCALL,RPT1CALL,RPT2CALL,DVCODE\r\n"
        "0,WX1,162.550000,,0.000000,,88.5,88.5,023,NN,023,Tone->Tone,FM,5.00,S,50W,NOAA weather,,,,\r\n"
        "1,\"CALL,2M\",146.520000,,0.000000,,88.5,88.5,023,NN,023,Tone->Tone,NFM,5.00,P,50W,,,,,\r\n"
        "2,AIR,121.500000,,0.000000,,88.5,88.5,023,NN,023,Tone->Tone,AM,5.00,,50W,AIR guard,,,,\r\n"
        "3,BAD,abc,,0.000000,,88.5,88.5,023,NN,023,Tone->Tone,FM,5.00,,50W,,,,,\r\n"
        "4,\"OPEN,146.0,,0.000000\r\n"
        "5,WIDE,98.100000,,0.000000,,88.5,88.5,023,NN,023,Tone->Tone,WFM,5.00,,50W,,,,,\r\n";
    EXPECT_EQ(DetectExchangeFormat(chirp), ExchangeFormat::Chirp);
    const ExchangeRead c = ReadExchange(ExchangeFormat::Chirp, chirp);
    EXPECT_EQ(c.lines, (Lines{Entry("00162.55000", "00.010", "FM ", "WX1 NOAA weather", "9", true),
                              Entry("00146.52000", "00.010", "FM ", "CALL,2M", "0"),
                              Entry("00121.50000", "00.010", "AM ", "AIR guard"),
                              Entry("00098.10000", "00.200", "FM ", "WIDE")}));
    EXPECT_EQ(c.malformedAt, (std::vector<int>{5, 6}));

    const std::string scanner = "Channel,Name,Frequency,Modulation,CTCSS/DCS,Delay,Lockout,Priority\n"
                                "1,Police Dispatch,460.125,NFM,136.5,2,No,Yes\n"
                                "2,Stra\305\274 Po\305\274arna,154.430,FM,,2,Yes,No\n"
                                "3,Broadcast,101.1,WFM,,0,Off,Off\n"
                                "4,Too high,123456.0,FM,,2,No,No\n"
                                "5,Too,many,fields,1,2,3,4,5\n";
    EXPECT_EQ(DetectExchangeFormat(scanner), ExchangeFormat::Scanner);
    const ExchangeRead s = ReadExchange(ExchangeFormat::Scanner, scanner);
    EXPECT_EQ(s.lines, (Lines{Entry("00460.12500", "00.010", "FM ", "Police Dispatch", "0"),
                              Entry("00154.43000", "00.010", "FM ", "Straz Pozarna", "9", true),
                              Entry("00101.10000", "00.200", "FM ", "Broadcast")}));
    EXPECT_EQ(s.malformedAt, (std::vector<int>{5, 6}));
    EXPECT_EQ(s.namesChanged, 1);

    // Columns are found by their header, in any order and case.
    EXPECT_EQ(ReadExchange(ExchangeFormat::Chirp, "frequency,NAME\n145.5,Net\n").lines,
              Lines{Entry("00145.50000", "00.010", "AM ", "Net")});
    // Without its header line a CSV file is refused whole rather than guessed at.
    EXPECT_FALSE(ReadExchange(ExchangeFormat::Chirp, "1,WX1,162.55\n").ok);
    EXPECT_EQ(DetectExchangeFormat("hello\n"), std::nullopt);
    EXPECT_EQ(DetectExchangeFormat(""), std::nullopt);
}

TEST(NameToLatin1, NearestLetterOrQuestionMark) {
    const struct {
        std::string in, out;
        bool changed;
    } cases[] = {
        {"Za\xC5\xBC\xC3\xB3\xC5\x82\xC4\x87 g\xC4\x99\xC5\x9Bl\xC4\x85 ja\xC5\xBA\xC5\x84",
         "Zaz\xF3lc gesla jazn", true},    // every Polish letter; o acute stays as Latin-1 F3
        {"Caf\xC3\xA9", "Caf\xE9", false}, // Latin-1 already
        {"\xD0\x9C\xD0\xBE\xD1\x81\xD0\xBA\xD0\xB2\xD0\xB0", "??????",
         true}, // Cyrillic has no nearest letter
        {"Tab\there", "Tab here", true},
        {"Caf\xE9", "Caf\xE9", false}, // not UTF-8: an 8-bit name is taken as it is
        {"\xE2\x80\x9CQuoted\xE2\x80\x9D \xE2\x80\x93 ok", "\"Quoted\" - ok", true},
    };
    for (const auto& c : cases) {
        bool changed = false;
        EXPECT_EQ(NameToLatin1(c.in, changed), c.out) << c.in;
        EXPECT_EQ(changed, c.changed) << c.in;
    }
}

// What each format writes, line for line, for one entry.
TEST(WriteExchange, FilesAsTheOtherProgramsWriteThem) {
    const Lines lines = {Entry("00145.50000", "00.012", "FM ", "Gda\xF1sk, r\xE9p;eater", "0", true)};
    const std::string gqrx = WriteExchange(ExchangeFormat::Gqrx, lines);
    EXPECT_EQ(gqrx, "# Tag name          ;  color\nUntagged            ; #c0c0c0\n\n"
                    "# Frequency ; Name                     ; Modulation          ;  Bandwidth; Tags\n"
                    "   145500000; Gda\xC3\xB1sk, r\xC3\xA9p,eater        ; Narrow FM           ;      "
                    "12000; Untagged\n");
    EXPECT_EQ(
        WriteExchange(ExchangeFormat::Chirp, lines),
        "Location,Name,Frequency,Duplex,Offset,Tone,rToneFreq,cToneFreq,DtcsCode,DtcsPolarity,Mode,TStep,"
        "Skip,Comment,URCALL,RPT1CALL,RPT2CALL\r\n"
        "1,\"Gda\xC3\xB1sk, r\xC3\xA9p;eate\",145.500000,,0.000000,,88.5,88.5,023,NN,FM,5.00,S,"
        "\"Gda\xC3\xB1sk, r\xC3\xA9p;eater\",,,\r\n");
    EXPECT_EQ(WriteExchange(ExchangeFormat::Scanner, lines),
              "Channel,Name,Frequency,Modulation,CTCSS/DCS,Delay,Lockout,Priority\r\n"
              "1,\"Gda\xC3\xB1sk, r\xC3\xA9p;eater\",145.500000,NFM,,2,Yes,Yes\r\n");
    const std::string json = WriteExchange(ExchangeFormat::SdrPlusPlus, lines);
    EXPECT_NE(json.find("\"selectedList\": \"Signal List\""), std::string::npos) << json;
    EXPECT_NE(json.find("\"frequency\": 145500000"), std::string::npos) << json;
    EXPECT_NE(json.find("\"bandwidth\": 12000"), std::string::npos) << json;
}

// Ours -> format -> ours: a list made of what the format can hold comes back unchanged; what it cannot
// hold comes back as a new entry would have it.
TEST(WriteExchange, RoundTripPerFormat) {
    const Lines sdr = {
        Entry("00007.07400", "00.003", "USB", "FT8 40 m"),
        Entry("00014.07400", "00.003", "LSB", "Caf\xE9 net"),
        Entry("00099.50000", "00.200", "FM ", "Broadcast"),
        Entry("00145.50000", "00.012", "FM ", ""),
        Entry("00145.51000", "00.012", "FM ", "Gda\xF1sk"),
        Entry("00433.92000", "00.250", "IFT", "ISM"),
        Entry("00010.00000", "00.001", "CW ", "Beacon"),
        Entry("00121.50000", "00.009", "AM ", "Guard"),
    };
    const Lines csv = {
        Entry("00007.07400", "00.010", "USB", "FT8 40 m", "0"),
        Entry("00099.50000", "00.200", "FM ", "Broadcast"),
        Entry("00145.50000", "00.010", "FM ", "", "9", true),
        Entry("00145.51250", "00.010", "FM ", "A name longer than sixteen, with \"quotes\""),
        Entry("00121.50000", "00.010", "AM ", "Guard \xE9t\xE9", "0"),
        Entry("00010.00000", "00.010", "CW ", "Beacon"),
    };
    const struct {
        ExchangeFormat format;
        const Lines& lines;
    } cases[] = {{ExchangeFormat::Gqrx, sdr},
                 {ExchangeFormat::SdrPlusPlus, sdr},
                 {ExchangeFormat::Chirp, csv},
                 {ExchangeFormat::Scanner, csv}};
    for (const auto& c : cases) {
        SCOPED_TRACE(ExchangeFormatName(c.format));
        const std::string text = WriteExchange(c.format, c.lines);
        EXPECT_EQ(DetectExchangeFormat(text), c.format);
        const ExchangeRead back = ReadExchange(c.format, text);
        EXPECT_EQ(back.malformed, 0);
        EXPECT_EQ(back.namesChanged, 0);
        Lines got = back.lines;
        if (c.format == ExchangeFormat::SdrPlusPlus) std::sort(got.begin(), got.end()); // keyed by name
        Lines want = c.lines;
        if (c.format == ExchangeFormat::SdrPlusPlus) std::sort(want.begin(), want.end());
        EXPECT_EQ(got, want);
    }

    // Fields no format holds: COR, class; priority and lockout beyond what CHIRP and scanners know.
    const Lines ours = {
        MakeEntryLine("00030.00000", "00.010", "-1", "AM ", SignalClass::Soi, "3", true, "x")};
    EXPECT_EQ(ReadExchange(ExchangeFormat::Gqrx, WriteExchange(ExchangeFormat::Gqrx, ours)).lines,
              Lines{Entry("00030.00000", "00.010", "AM ", "x")});
    EXPECT_EQ(ReadExchange(ExchangeFormat::Chirp, WriteExchange(ExchangeFormat::Chirp, ours)).lines,
              Lines{Entry("00030.00000", "00.010", "AM ", "x", "9", true)});
    // SDR++ names are keys: two entries with one comment both go out, under different names.
    const Lines twice = {Entry("00145.50000", "00.012", "FM ", "Net"),
                         Entry("00145.60000", "00.012", "FM ", "Net")};
    const std::string sdrpp = WriteExchange(ExchangeFormat::SdrPlusPlus, twice);
    EXPECT_EQ(ReadExchange(ExchangeFormat::SdrPlusPlus, sdrpp).lines,
              (Lines{twice[0], Entry("00145.60000", "00.012", "FM ", "Net (2)")}));
}

} // namespace
} // namespace zarn
