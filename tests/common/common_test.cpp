// The common readers and writers: numbers, number and date texts, the settings file, paths, text files.
#include "config.h"
#include "dates.h"
#include "formats.h"
#include "numbers.h"
#include "paths.h"
#include "temp_dir.h"
#include "textfile.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <limits>
#include <random>
#include <set>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <utime.h>

namespace zarn {
namespace {

using Lines = std::vector<std::string>;
using test::TempDir;
namespace fs = std::filesystem;

constexpr double kInf = std::numeric_limits<double>::infinity();

bool SameBits(double a, double b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// Long texts are read past the stack buffer; overflow is infinite.
TEST(LeadingNumber, ReadsTheLeadingNumberLeniently) {
    const struct {
        std::string text;
        double value;
    } cases[] = {{"", 0},
                 {"   ", 0}, {"abc", 0}, {"  12  ", 12}, {"1 2 3", 123}, {"-5", -5}, {"+5", 5},
                 {" - 1 2 . 5", -12.5}, {"--5", 0}, {"+-5", 0}, {".5", 0.5}, {"-.5", -0.5}, {"5.", 5},
                 {".", 0}, {"1.2.3", 1.2}, {"1,234", 1}, {"146.025,WAV", 146.025}, {"1.5e-3", 0.0015},
                 {"2D2", 200}, {"2d+2", 200}, {"1 E 2", 100}, {"1E", 1}, {"1E+", 1}, {"1E2.5", 100},
                 {"\t7\r\n", 7}, {"&H1F", 31}, {"&h1f", 31}, {"&HFFG", 255}, {"&O17", 15}, {"&O19", 1},
                 {"&H", 0}, {"&X1", 0}, {"1e-999", 0}, {std::string(80, '0') + "42.5", 42.5},
                 {std::string(100, '1'), 1.1111111111111111e99}, {"1e999", kInf}, {"-1e999", -kInf},
                 {"0.0000001e400", kInf}, {"1e99999999999999999999", kInf}};
    for (const auto& c : cases)
        EXPECT_DOUBLE_EQ(LeadingNumber(c.text), c.value) << '"' << c.text << '"';
}

TEST(IsNumericText, WholeTextIsOneNumber) {
    for (const char* yes : {"12", "  -12.5  ", "+.5", "5.", "1E5", "1.5e-3", "2D2"})
        EXPECT_TRUE(IsNumericText(yes)) << yes;
    for (const char* no : {"", "   ", ".", "-", "1 2", "12a", "1E", "1E+", "1.2.3", "&H1F", "1,5"})
        EXPECT_FALSE(IsNumericText(no)) << no;
}

TEST(RoundToInt16, HalfToEvenWithinTheRange) {
    const struct {
        double value;
        std::optional<std::int16_t> exact;
        std::int16_t clamped;
    } cases[] = {{0.5, 0, 0},
                 {1.5, 2, 2}, {2.5, 2, 2}, {-0.5, 0, 0}, {-1.5, -2, -2}, {-3.5, -4, -4}, {2.5001, 3, 3},
                 {-2.5001, -3, -3}, {0.49999999999999994, 0, 0}, {32767.4, 32767, 32767},
                 {32767.5, std::nullopt, 32767}, {-32768.5, -32768, -32768}, {-32768.6, std::nullopt, -32768},
                 {40000, std::nullopt, 32767}, {-kInf, std::nullopt, -32768},
                 {std::numeric_limits<double>::quiet_NaN(), std::nullopt, 0}};
    for (const auto& c : cases) {
        EXPECT_EQ(RoundToInt16(c.value), c.exact) << c.value;
        EXPECT_EQ(RoundToInt16Clamped(c.value), c.clamped) << c.value;
    }
}

// The fast readers take only their own forms (the fuzz target checks the values they give).
TEST(FastDecimalReaders, TakeOnlyTheirForms) {
    const std::pair<const char*, double> read[] = {
        {"-0", -0.0}, {"5.", 5.0}, {"+.5", 0.5}, {"000000000000145", 145.0}, {"123456789012345", 123456789012345.0}};
    for (const auto& [text, value] : read)
        EXPECT_TRUE(SameBits(PlainDecimalValue(text).value_or(-1), value)) << text;
    EXPECT_EQ((FixedDecimalValue<5, 5>("00145.02500")), 145.025);
    EXPECT_EQ((FixedDecimalValue<2, 3>("99.999")), 99.999);
    for (const char* text :
         {"", "-", "+", ".", "-.", "..5", "1.2.3", " 12", "12 ", "1e5", "&H1F", "12a", "1,5", "--5", "+-5",
          "\x80", "1234567890123456", "0000000000000001", "123456789012345.6"})
        EXPECT_FALSE(PlainDecimalValue(text).has_value()) << text;
    for (const char* text : {"", "00145.0250", "00145.025000", "00145,02500", "0014 .02500", "00145.0250x",
                             "-0145.02500", "00145.0250 ", "0014.502500"})
        EXPECT_FALSE((FixedDecimalValue<5, 5>(text)).has_value()) << text;
    // Sixteen and more digits still read whole, by the lenient reader.
    EXPECT_TRUE(SameBits(LeadingNumber("0.1234567890123456789"), 0.1234567890123456789));
    // Against the correctly rounded reading of the C library, for digit strings of every length.
    std::mt19937 rng(2024);
    for (int k = 0; k < 20000; ++k) {
        std::string text = k % 3 ? "" : "-", fixed = "00000.00000";
        for (int d = static_cast<int>(rng() % 15); d >= 0; --d)
            text += static_cast<char>('0' + rng() % 10);
        text.insert(rng() % text.size() + (text[0] == '-'), ".");
        for (char& c : fixed)
            c = c == '.' ? c : static_cast<char>('0' + rng() % 10);
        ASSERT_TRUE(SameBits(PlainDecimalValue(text).value_or(-1), std::strtod(text.c_str(), nullptr))) << text;
        ASSERT_TRUE(SameBits(LeadingNumber(text), std::strtod(text.c_str(), nullptr))) << text;
        ASSERT_TRUE(SameBits((*FixedDecimalValue<5, 5>(fixed)), std::strtod(fixed.c_str(), nullptr))) << fixed;
    }
}

TEST(FormatNumber, MatchesThePicture) {
    const struct {
        double value;
        const char* picture;
        const char* text;
    } cases[] = {
        {7, "000", "007"}, {-87, "000", "-087"}, {1234, "000", "1234"}, {0, "0", "0"}, {0.5, "0", "1"},
        {2.5, "0", "3"}, {-2.5, "0", "-3"}, {0.4999, "0", "0"}, {-0.4, "0", "0"}, {99.5, "00", "100"},
        {-145.5, "0000.0000", "-0145.5000"}, {9.99995, "0000.0000", "0010.0000"},
        {9999.99995, "0000.0000", "10000.0000"}, {-0.00004, "0000.0000", "0000.0000"},
        {0.00005, "0000.0000", "0000.0001"}, {-0.00005, "0000.0000", "-0000.0001"}, {1.005, "0.00", "1.01"},
        {0.125, "00.00", "00.13"}, {12.3456, "00.000", "12.346"}, {123456.5, "00000.00000", "123456.50000"},
        {-146.125, " 00000.00000", " -00146.12500"}, {1e20, "000", "100000000000000000000"},
        {std::numeric_limits<double>::quiet_NaN(), "000", "NaN"},
        {-std::numeric_limits<double>::infinity(), "0.00", "-Inf"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatNumber(c.value, c.picture), c.text) << c.value << " with \"" << c.picture << "\"";
}

TEST(FormatGeneral, ShortestForm) {
    const std::pair<double, const char*> cases[] = {
        {-0.0, "0"}, {0.5, "0.5"}, {-3, "-3"}, {0.0001, "0.0001"}, {0.00001, "1E-05"}, {1.5e-7, "1.5E-07"},
        {-1.25e100, "-1.25E+100"}, {999999999999999, "999999999999999"}, {1e15, "1E+15"}, {0.1 + 0.2, "0.3"},
        {2.0 / 3, "0.666666666666667"}, {123456789.125, "123456789.125"}, {100, "100"},
    };
    for (const auto& [value, text] : cases)
        EXPECT_EQ(FormatGeneral(value), text) << value;
}

TEST(FormatDateTime, EventAndTwelveHourForms) {
    const double lastSecond = SerialFromParts({2005, 12, 31, 23, 59, 59});
    EXPECT_EQ(FormatDateTime(0), "12/30/99 00:00:00");
    EXPECT_EQ(FormatDateTime(SerialFromParts({2005, 1, 5, 3, 4, 5})), "01/05/05 03:04:05");
    // Rounds to the second, never showing 24 hours.
    EXPECT_EQ(FormatDateTime(lastSecond + 0.9999 / 86400), "01/01/06 00:00:00");
    EXPECT_EQ(FormatDateTime(lastSecond + 0.4 / 86400), "12/31/05 23:59:59");
    EXPECT_EQ(FormatDateTimeAmPm(SerialFromParts({2005, 1, 5, 15, 4, 5})), "1/5/05 3:04:05 PM");
    EXPECT_EQ(FormatDateTimeAmPm(SerialFromParts({2005, 1, 5, 0, 0, 7})), "1/5/05 12:00:07 AM");
    EXPECT_EQ(FormatDateTimeAmPm(SerialFromParts({2005, 1, 5, 12, 30, 0})), "1/5/05 12:30:00 PM");
    EXPECT_EQ(FormatDateTimeAmPm(SerialFromParts({1999, 11, 25, 11, 59, 59})), "11/25/99 11:59:59 AM");
}

double Serial(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
    return SerialFromParts({y, mo, d, h, mi, s});
}

TEST(Serial, DaysFromTheEpochAndBack) {
    EXPECT_EQ(Serial(1899, 12, 30), 0);
    EXPECT_EQ(Serial(1900, 1, 1), 2);
    EXPECT_EQ(Serial(2000, 1, 1), 36526);
    EXPECT_DOUBLE_EQ(Serial(1899, 12, 30, 12), 0.5);
    EXPECT_DOUBLE_EQ(Serial(1899, 12, 29, 18), -0.25); // days plus fraction, no sign trick
    for (double day = -657434; day <= 2958465; day += 997.3)
        EXPECT_NEAR(SerialFromParts(PartsFromSerial(day)), day, 0.5 / 86400) << day;
    const DateParts p = PartsFromSerial(Serial(2000, 2, 29, 13, 14, 15));
    EXPECT_EQ((std::vector<int>{p.year, p.month, p.day, p.hour, p.minute, p.second}),
              (std::vector<int>{2000, 2, 29, 13, 14, 15}));
    // Outlandish serials are clamped, not undefined.
    EXPECT_EQ(PartsFromSerial(1e300).year, 9999);
    EXPECT_EQ(PartsFromSerial(-1e300).year, 100);
    EXPECT_EQ(PartsFromSerial(std::nan("")).year, 1899);
}

TEST(ToDate, ReadsTheEventFormAndTheGeneralForms) {
    const std::pair<const char*, double> cases[] = {
        {"12/31/05 23:59:58", Serial(2005, 12, 31, 23, 59, 58)},
        {"12/31/89 23:59:58", Serial(2089, 12, 31, 23, 59, 58)}, // two-digit years: 1990 to 2089
        {"01/01/90 00:00:00", Serial(1990, 1, 1)},
        {"12/31/2005 23:59:58", Serial(2005, 12, 31, 23, 59, 58)},
        {"02/29/04 12:00:00", Serial(2004, 2, 29, 12)},
        // Only the last 17 characters count when they have the event-file form.
        {"START,146.025,12/31/05 23:59:58", Serial(2005, 12, 31, 23, 59, 58)},
        {"12/31/05 1:02:03", Serial(2005, 12, 31, 1, 2, 3)},
        {"12/31/05 11:59:58 PM", Serial(2005, 12, 31, 23, 59, 58)},
        {"12/31/95 12:00:01 AM", Serial(1995, 12, 31, 0, 0, 1)},
        {"1/5/05 12:30:00 PM", Serial(2005, 1, 5, 12, 30)},
        {" 1/5/2005 3:04 pm ", Serial(2005, 1, 5, 15, 4)},
        {"1/5/05 3:04:05PM", Serial(2005, 1, 5, 15, 4, 5)},
        {"1/5/05", Serial(2005, 1, 5)},
        {"23:59:58", Serial(1899, 12, 30, 23, 59, 58)},
    };
    for (const auto& [text, serial] : cases)
        EXPECT_NEAR(ToDate(text).value_or(-1e9), serial, 0.1 / 86400) << text;
    const std::string bad[] = {"", "   ", "garbage", "13/01/05 00:00:00", "00/10/05 00:00:00",
                               "12/00/05 00:00:00", "02/29/05 00:00:00", "04/31/05 12:00:00",
                               "12/31/05 24:00:00", "12/31/05 23:60:00", "12/31/05 23:59:60", "2/30/05",
                               "1/5/05 13:04:05 PM", "1/5/05 0:04:05 AM", "1/5/05 3:04:05 XM",
                               "1/5/05 3:04:05 PM junk", "12/31/05x", "12/31/005", "12/31/199",
                               "12/31/20055", "12/31", "12//05", "1/5/05 3", "1/5/05 3:", "12/31/ 5 23:59:58",
                               "12/31/0a 23:59:58", "12/31/05 23-59-58", "25:00", ":", "/", "12/31/05 23:59:58:00",
                               std::string("12/31/05\0 23:59:58", 18)};
    for (const std::string& text : bad) {
        EXPECT_FALSE(ToDate(text).has_value()) << text;
        EXPECT_FALSE(ParseDateText(text).has_value()) << text;
    }
}

// The remembering reader against the general one, on runs of one date with rising times, repeats
// and impossible dates and times; a refused text must leave nothing remembered.
TEST(DateReader, SameValueAsToDateForEveryText) {
    std::mt19937 rng(1);
    const auto pick = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    DateReader reader;
    const auto same = [&](const std::string& text) {
        const auto a = reader.Read(text), b = ToDate(text);
        return a.has_value() == b.has_value() && (!a || std::memcmp(&*a, &*b, sizeof(double)) == 0);
    };
    for (const char* text :
         {"03/01/24 20:00:03", "03/01/24 20:0x:03", "03/01/24 1:02:03 ", "02/30/24 20:00:03",
          "02/30/24 20:00:04", "03/01/24 20:00:03", "03/01/24 24:00:00", "03/01/24 23:59:59"})
        ASSERT_TRUE(same(text)) << text;
    for (int run = 0; run < 1500; ++run) {
        const int month = pick(0, 13), day = pick(0, 32), year = pick(0, 9) < 7 ? pick(85, 94) : pick(0, 99);
        for (int k = pick(1, 20); k > 0; --k) {
            char buf[64];
            std::snprintf(buf, sizeof buf, "%02d/%02d/%02d %02d:%02d:%02d", month, day, year,
                          pick(0, 20) ? pick(0, 23) : pick(24, 99), pick(0, 20) ? pick(0, 59) : 60,
                          pick(0, 20) ? pick(0, 59) : pick(60, 99));
            std::string t = buf;
            if (pick(0, 20) == 0) t[static_cast<std::size_t>(pick(0, 16))] = " 0/:a.\x7f\xff"[pick(0, 8)];
            ASSERT_TRUE(same(t)) << t;
            ASSERT_TRUE(same(t)) << t;
        }
    }
}

TEST(ParseConfig, ReadsTheDisplaySwitchAndTheBandwidth) {
    const struct {
        const char* text;
        double ifbw;
        bool wavOn;
    } cases[] = {
        {"[WAV Display]\r\nON\r\n[IFBW]\r\n25\r\n", 0.025, true},
        {"[WAV Display]\r\nOFF\r\n[IFBW]\r\n50\r\n", 0.050, false},
        // The reading stops once a bandwidth is read: a display section after it is never seen.
        {"[IFBW]\r\n12.5\r\n[WAV Display]\r\nON\r\n", 0.0125, false},
        // Names and the switch are compared exactly.
        {"[WAV Display]\r\non\r\n[IFBW]\r\n25\r\n", 0.025, false},
        {"[ifbw]\r\n50\r\n[WAV Display] \r\nON\r\n", 0.025, false},
        // Without a bandwidth the station default stands in; -1 would make every clip its own row.
        {"[WAV Display]\r\nON\r\n", 0.025, true},
        {"[IFBW]\r\n-5\r\n", 0.025, false},
        {"[WAV Display]\r\nON\r\n[IFBW]", 0.025, true},
        // Not a number reads as 0, which is a bandwidth, and ends the reading.
        {"[IFBW]\r\nwide\r\n[WAV Display]\r\nON\r\n", 0.0, false},
        {"[IFBW]\r\n 1 5 KHz\r\n", 0.015, false},
        {"[WAV Display]\nON\n[IFBW]\n30\n", 0.030, true},
        {"", 0.025, false},
    };
    for (const auto& c : cases) {
        const Settings s = ParseConfig(c.text);
        EXPECT_DOUBLE_EQ(s.DefaultIfbw, c.ifbw) << c.text;
        EXPECT_EQ(s.WavDisplayOn, c.wavOn) << c.text;
    }
}

TEST(ConfigFile, MissingGivesDefaultsAndWrittenReadsBack) {
    TempDir dir;
    EXPECT_DOUBLE_EQ(ReadConfig(dir.path()).DefaultIfbw, 0.025);
    EXPECT_TRUE(ReadConfig(dir.path()).WavDisplayOn);
    ASSERT_TRUE(WriteConfig(dir.path(), false, "12.5"));
    EXPECT_EQ(TempDir::read(dir.file("Zarn_Aud.Ini")), "[WAV Display]\r\nOFF\r\n[IFBW]\r\n12.5\r\n");
    EXPECT_DOUBLE_EQ(ReadConfig(dir.path()).DefaultIfbw, 0.0125);
    EXPECT_FALSE(ReadConfig(dir.path()).WavDisplayOn);
}

TEST(ProgramFolder, PathsAreJoinedWithoutDoubledSeparator) {
    EXPECT_EQ(ProgramFolderFrom("/home/op/station/"), "/home/op/station");
    EXPECT_EQ(ProgramFolderFrom("/home/op/station"), "/home/op/station");
    EXPECT_EQ(ProgramFolderFrom("/"), ""); // the root, like a drive's root, leaves an empty name
    EXPECT_EQ(ConfigFilePath(""), "/Zarn_Aud.Ini");
    EXPECT_EQ(HelpFilePath("/st/"), "/st/Zarn_aud.HLP");
    EXPECT_EQ(HelpFilePath("/st"), "/st/Zarn_aud.HLP");
}

TEST(WaitMs, RaisesShortWaitsTo50AndBlocks) {
    for (const auto& [asked, waited] : {std::pair{10, 50}, std::pair{80, 80}}) {
        int ms = asked;
        const auto t0 = std::chrono::steady_clock::now();
        WaitMs(ms);
        EXPECT_EQ(ms, waited);
        EXPECT_GE(std::chrono::steady_clock::now() - t0, std::chrono::milliseconds(waited));
    }
}

// The exact name comes first; else the first of the other-case names in name order.
TEST(FindFileNoCase, ExactNameFirstThenAnyCase) {
    TempDir dir;
    for (const char* name : {"CLIP0001.WAV", "Mixed.Aud", "twin.sig", "TWIN.SIG"})
        dir.write(name, "");
    const struct {
        std::string folder;
        const char* name;
        const char* found; // nullptr: none
    } cases[] = {
        {dir.path(), "twin.sig", "twin.sig"},
        {dir.path(), "TWIN.SIG", "TWIN.SIG"},
        {dir.path(), "Twin.Sig", "TWIN.SIG"},
        {dir.path(), "clip0001.wav", "CLIP0001.WAV"},
        {dir.path() + "/", "mixed.aud", "Mixed.Aud"},
        {dir.path(), "CLIP0001.WA", nullptr},
        {dir.path(), "", nullptr},
        {dir.file("NO_SUCH_FOLDER"), "x", nullptr},
        {dir.file("CLIP0001.WAV"), "x", nullptr}, // a file, not a folder
    };
    for (const auto& c : cases)
        EXPECT_EQ(FindFileNoCase(c.folder, c.name),
                  c.found ? std::optional<std::string>(dir.file(c.found)) : std::nullopt)
            << c.folder << " | " << c.name;
    EXPECT_EQ(FindPathNoCase(dir.file("mixed.aud")), dir.file("Mixed.Aud"));

    // An empty folder is the current folder.
    const auto saved = fs::current_path();
    fs::current_path(dir.path());
    const auto folded = FindFileNoCase("", "mixed.AUD");
    const auto missing = FindFileNoCase("", "none");
    fs::current_path(saved);
    EXPECT_EQ(folded, "Mixed.Aud");
    EXPECT_EQ(missing, std::nullopt);
}

TEST(Paths, ExistenceSplitJoinAndCase) {
    TempDir dir;
    const std::string file = dir.write("A.EVA", "x");
    fs::create_symlink("A.EVA", dir.file("LINK"));
    EXPECT_TRUE(FileExists(file) && FileExists(dir.file("LINK")) && FolderExists(dir.path()));
    EXPECT_FALSE(FileExists(dir.path()) || FileExists(dir.file("B.EVA")) || FileExists("") ||
                 FolderExists(file));

    EXPECT_EQ(FolderOf("/data/run1/A.EVA"), "/data/run1/");
    EXPECT_EQ(FolderOf("A.EVA"), "");
    EXPECT_EQ(FolderOf("/A.EVA"), "/");
    EXPECT_EQ(FileNameOf("/data/run1/A.EVA"), "A.EVA");
    EXPECT_EQ(FileNameOf("A.EVA"), "A.EVA");
    EXPECT_EQ(FileNameOf("/data/"), "");
    EXPECT_EQ(JoinPath("/data", "A.EVA"), "/data/A.EVA");
    EXPECT_EQ(JoinPath("/data/", "/A.EVA"), "/data/A.EVA");
    EXPECT_EQ(JoinPath("", "A.EVA"), "A.EVA");

    EXPECT_TRUE(EqualsNoCase("Clip0001.wav", "CLIP0001.WAV"));
    EXPECT_FALSE(EqualsNoCase("CLIP0001.WAV", "CLIP0001.WA"));
    EXPECT_FALSE(EqualsNoCase("[", "{"));       // 0x5B and 0x7B differ only in the case bit
    EXPECT_FALSE(EqualsNoCase("\xe9", "\xc9")); // Latin-1 letters are not folded
    EXPECT_EQ(ToUpperAscii("abc\xe9z{1"), "ABC\xe9Z{1");
}

std::set<std::string> Entries(const std::string& folder) {
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(folder))
        names.insert(e.path().filename());
    return names;
}

TEST(SplitLines, EndsAtLfOrCrLf) {
    const std::pair<std::string, Lines> cases[] = {
        {"", {}},
        {"a\nb\r\nc", {"a", "b", "c"}},
        {"\r\n", {""}},
        {"a\r\n\r\nb\n\n", {"a", "", "b", ""}},
        // A CR not followed by LF is data, and so is every other byte.
        {"a\rb\r\nx\r", {"a\rb", "x\r"}},
        {std::string("\0\xff,\xe9\r\n", 6), {std::string("\0\xff,\xe9", 4)}},
    };
    for (const auto& [text, lines] : cases)
        EXPECT_EQ(SplitLines(text), lines) << text;
}

// The count agrees with the cursor on every short text of LF, CR and a letter, and on long texts
// of every density of line ends, at every offset, up to all line ends (where a byte lane's count
// would pass 255).
TEST(LineCount, AgreesWithTheCursor) {
    const auto cursorCount = [](std::string_view text) {
        std::size_t n = 0;
        LineCursor cursor(text);
        for (std::string_view line; cursor.Next(line);)
            ++n;
        return n;
    };
    const char alphabet[] = {'\n', '\r', 'a'};
    for (std::size_t length = 0; length <= 7; ++length) {
        std::size_t total = 1;
        for (std::size_t k = 0; k < length; ++k)
            total *= 3;
        for (std::size_t code = 0; code < total; ++code) {
            std::string text;
            for (std::size_t k = 0, c = code; k < length; ++k, c /= 3)
                text += alphabet[c % 3];
            ASSERT_EQ(LineCount(text), cursorCount(text)) << testing::PrintToString(text);
        }
    }
    std::mt19937 rng(5);
    for (const std::size_t length : {15u, 16u, 17u, 4079u, 4080u, 4081u, 4096u, 9000u, 70000u})
        for (const unsigned percent : {0u, 3u, 50u, 100u}) {
            std::string text(length + 15, 'a');
            for (char& c : text)
                if (rng() % 100 < percent) c = '\n';
            for (std::size_t at = 0; at < 16; at += 5) {
                const std::string_view view = std::string_view(text).substr(at, length);
                ASSERT_EQ(LineCount(view), cursorCount(view)) << length << " " << percent << "% at " << at;
            }
        }
}

TEST(TextFile, ReadsAndWritesExactBytes) {
    TempDir dir;
    const std::string bytes("line 1\r\n\0\xff tail", 15);
    std::string got = "stale";
    ASSERT_TRUE(ReadFileBytes(dir.write("A.EVA", bytes), got));
    EXPECT_EQ(got, bytes);
    ASSERT_TRUE(ReadFileBytes(dir.write("EMPTY", ""), got));
    EXPECT_EQ(got, "");
    const FileResult missing = ReadFileBytes(dir.file("NOPE"), got);
    EXPECT_FALSE(missing);
    EXPECT_NE(missing.error.find("NOPE"), std::string::npos) << missing.error;
    EXPECT_FALSE(ReadFileBytes(dir.path(), got));
    Lines lines{"stale"};
    EXPECT_FALSE(ReadTextLines(dir.file("NOPE"), lines));
    EXPECT_TRUE(lines.empty());

    const Lines written{"[IFBW]", "", "25", "caf\xe9, comma"};
    const std::string path = dir.file("Zarn_Aud.Ini");
    ASSERT_TRUE(WriteTextLinesAtomically(path, written));
    EXPECT_EQ(TempDir::read(path), "[IFBW]\r\n\r\n25\r\ncaf\xe9, comma\r\n");
    ASSERT_TRUE(ReadTextLines(path, lines));
    EXPECT_EQ(lines, written);
    EXPECT_EQ(JoinCrLf({}), "");
}

TEST(ReplaceFileAtomically, KeepsPermissionsAndLinksAndLeavesNoTemporary) {
    TempDir dir;
    const std::string path = dir.write("LIST.SIG", "old content that is longer than the new one\r\n");
    ASSERT_EQ(chmod(path.c_str(), 0640), 0);
    const FileResult r = ReplaceFileAtomically(path, "new\r\n");
    ASSERT_TRUE(r) << r.error;
    EXPECT_EQ(TempDir::read(path), "new\r\n");
    EXPECT_EQ(fs::status(path).permissions(), fs::perms(0640));

    const mode_t mask = umask(022);
    ASSERT_TRUE(ReplaceFileAtomically(dir.file("NEW.SIG"), ""));
    umask(mask);
    EXPECT_EQ(fs::status(dir.file("NEW.SIG")).permissions(), fs::perms(0644)); // not mkstemp's 0600

    fs::create_symlink("LIST.SIG", dir.file("LINK.SIG"));
    ASSERT_TRUE(ReplaceFileAtomically(dir.file("LINK.SIG"), "linked"));
    EXPECT_EQ(TempDir::read(path), "linked");
    EXPECT_TRUE(fs::is_symlink(dir.file("LINK.SIG")));

    fs::create_directory(dir.file("SUB"));
    EXPECT_FALSE(ReplaceFileAtomically(dir.file("SUB"), "x"));
    EXPECT_FALSE(ReplaceFileAtomically(dir.file("MISSING/LIST.SIG"), "x"));
    EXPECT_FALSE(ReplaceFileAtomically(dir.path() + "/", "x"));
    EXPECT_EQ(Entries(dir.path()), (std::set<std::string>{"LIST.SIG", "NEW.SIG", "LINK.SIG", "SUB"}));
    EXPECT_TRUE(fs::is_empty(dir.file("SUB")));
}

// Stale temporaries of the listed kinds go; everything else in the folder stays, including a fresh
// temporary that another running copy may be writing right now.
TEST(RemoveStaleTemporaries, RemovesOnlyOldTemporariesOfTheListedFiles) {
    TempDir dir;
    const Lines stale = {".STATION.SIG.a1B2c3", ".~FREQ.~IG.ZZZZZZ", ".~freq.cmt.000000"};
    const Lines kept = {"STATION.SIG",
                        "STATION.SIG.a1B2c3",   // no leading dot
                        ".STATION.SIG.a1B2c",   // five characters
                        ".STATION.SIG.a1B2c3d", // seven
                        ".STATION.SIG.a1_2c3",  // not a letter or digit
                        ".notes.txt.a1B2c3",    // a kind not listed
                        ".SIG.a1B2c3"};         // no name before the extension
    for (const Lines* names : {&stale, &kept}) {
        for (const std::string& name : *names) {
            const std::string path = dir.write(name, "x");
            const utimbuf twoMinutesAgo{std::time(nullptr) - 120, std::time(nullptr) - 120};
            ::utime(path.c_str(), &twoMinutesAgo);
        }
    }
    dir.write(".OTHER.SIG.q1w2e3", "fresh");
    fs::create_directory(dir.file(".FOLDER.SIG.abcdef"));
    fs::create_symlink(dir.file("STATION.SIG"), dir.file(".LINK.SIG.abcdef"));

    EXPECT_EQ(RemoveStaleTemporaries(dir.path(), {".SIG", ".~IG", ".Cmt"}), 3);
    std::set<std::string> left(kept.begin(), kept.end());
    left.insert({".OTHER.SIG.q1w2e3", ".FOLDER.SIG.abcdef", ".LINK.SIG.abcdef"});
    EXPECT_EQ(Entries(dir.path()), left);
    EXPECT_EQ(RemoveStaleTemporaries(dir.file("missing"), {".SIG"}), 0);
}

} // namespace
} // namespace zarn
