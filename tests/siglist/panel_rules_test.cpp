#include "panel_rules.h"

#include <gtest/gtest.h>

#include <string>

namespace zarn {
namespace {

// Each field's check on a typed text: the text it then shows, or "!" when refused.
TEST(PanelRules, FieldChecks) {
    using Check = std::optional<std::string> (*)(std::string_view);
    const Check freq = CheckFreqField, ifbw = CheckIfbwField, cor = CheckCorField, pri = CheckPriorityField;
    const struct {
        Check check;
        const char* text;
        const char* shown;
    } cases[] = {
        {freq, "12.5", "00012.50000"}, {freq, "100000", "!"}, {freq, "99999.999999", "!"},
        {freq, "-0", "00000.00000"}, {freq, "-1", "!"}, {freq, "  ", "!"}, {freq, "12.5MHz", "!"},
        {freq, " 7 ", "00007.00000"}, {ifbw, "0.01", "00.010"}, {ifbw, "99.999", "99.999"},
        {ifbw, "99.9995", "!"}, {ifbw, "-0.001", "!"}, {ifbw, "", "!"}, {cor, "-7", "-1"},
        {cor, "-0.5", "-1"}, {cor, "-0", "00"}, {cor, "7", "07"}, {cor, "98.7", "99"}, {cor, "99.2", "!"},
        {cor, "120", "!"}, {cor, "x", "!"}, {pri, "0", "0"}, {pri, "8.7", "9"}, {pri, "-0", "0"},
        {pri, "9.2", "!"}, {pri, "10", "!"}, {pri, "-1", "!"}, {pri, "", "!"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.check(c.text).value_or("!"), c.shown) << '"' << c.text << '"';
}

TEST(PanelRules, StartValuesAndDetectionIndex) {
    const PanelValues add = PanelStartForAdd();
    EXPECT_EQ(MakeEntryLine(add.freq, add.ifbw, add.cor, kDetectionModes[add.det - 1],
                            static_cast<SignalClass>(add.cls), add.priority, false, add.comment),
              " 00020.00000   00.010   20   FM    ?s     9        ");
    const PanelValues v = PanelStartFromLine(" 00145.50000   12.500   -1   ISB   ids    0    x   Net 4");
    EXPECT_EQ(v.freq + "|" + v.ifbw + "|" + v.cor + "|" + v.priority + "|" + v.comment,
              "00145.50000|12.500|-1|0|Net 4");
    EXPECT_EQ(v.det, 7);
    EXPECT_EQ(v.cls, 1);
    const PanelValues e = PanelStartEmpty();
    EXPECT_EQ(e.det, 0);
    EXPECT_EQ(e.cls, -1);
    EXPECT_TRUE(e.freq.empty() && e.priority.empty());
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(DetectionIndex(kDetectionModes[i]), i + 1);
    for (const char* other : {"FM", "", "xyz"})
        EXPECT_EQ(DetectionIndex(other), 1) << other;
}

// A multiple edit changes only the filled fields and the lockout column; short lines keep their columns.
TEST(PanelRules, ApplyMultiEdit) {
    const std::string line = " 00020.00000   01.500   15   PLS   soi    3    x   Net 4";
    const struct {
        MultiEdit edit;
        std::string line, result;
    } cases[] = {
        {{"", "", "", "5", true}, " 00030.00000   00.030   05   CW    ids    0        with, a comment ",
         " 00030.00000   00.030   05   CW    ids    5    x   with, a comment "},
        {{"", "", "", "5", false}, line, " 00020.00000   01.500   15   PLS   soi    5        Net 4"},
        {{"02.000", "-1", "USB", "", false}, line, " 00020.00000   02.000   -1   USB   soi    3        Net 4"},
        {MultiEdit{}, line, " 00020.00000   01.500   15   PLS   soi    3        Net 4"},
        {{"", "", "", "1", true}, " 00020.00000", " 00020.00000" + std::string(30, ' ') + "1    x   "},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ApplyMultiEdit(c.line, c.edit), c.result);
    EXPECT_EQ(ReplaceQuestion("00020.00000"), "Freq = 00020.00000 MHz is already available in the Signal "
                                              "List.  Do you want to replace it with new data?");
}

} // namespace
} // namespace zarn
