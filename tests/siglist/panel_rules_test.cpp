#include "panel_rules.h"

#include <gtest/gtest.h>

#include <string>

namespace zarn {
namespace {

enum class Field { Freq, Ifbw, Cor, Priority };

struct FieldCase {
    Field field;
    std::string text;
    std::optional<std::string> result;
};

std::optional<std::string> Check(Field f, std::string_view text) {
    switch (f) {
    case Field::Freq:
        return CheckFreqField(text);
    case Field::Ifbw:
        return CheckIfbwField(text);
    case Field::Cor:
        return CheckCorField(text);
    case Field::Priority:
        return CheckPriorityField(text);
    }
    return std::nullopt;
}

class FieldRuleTest : public ::testing::TestWithParam<FieldCase> {};

TEST_P(FieldRuleTest, AcceptsAndFormatsOrRejects) {
    EXPECT_EQ(Check(GetParam().field, GetParam().text), GetParam().result) << '"' << GetParam().text << '"';
}

const std::optional<std::string> kRejected;

INSTANTIATE_TEST_SUITE_P(
    Fields, FieldRuleTest,
    ::testing::Values(
        FieldCase{Field::Freq, "12.5", "00012.50000"}, FieldCase{Field::Freq, "100000", kRejected},
        FieldCase{Field::Freq, "99999.999999", kRejected}, FieldCase{Field::Freq, "0", "00000.00000"},
        FieldCase{Field::Freq, "-0", "00000.00000"}, FieldCase{Field::Freq, "-1", kRejected},
        FieldCase{Field::Freq, "", kRejected}, FieldCase{Field::Freq, "  ", kRejected},
        FieldCase{Field::Freq, "12.5MHz", kRejected}, FieldCase{Field::Freq, " 7 ", "00007.00000"},
        FieldCase{Field::Ifbw, "99.9995", kRejected}, FieldCase{Field::Ifbw, "0.01", "00.010"},
        FieldCase{Field::Ifbw, "99.999", "99.999"}, FieldCase{Field::Ifbw, "-0.001", kRejected},
        FieldCase{Field::Ifbw, "", kRejected}, FieldCase{Field::Cor, "-7", "-1"},
        FieldCase{Field::Cor, "-0.5", "-1"}, FieldCase{Field::Cor, "-0", "00"},
        FieldCase{Field::Cor, "120", kRejected}, FieldCase{Field::Cor, "7", "07"},
        FieldCase{Field::Cor, "98.7", "99"}, FieldCase{Field::Cor, "99", "99"},
        FieldCase{Field::Cor, "99.2", kRejected}, FieldCase{Field::Cor, "x", kRejected},
        FieldCase{Field::Cor, "", kRejected}, FieldCase{Field::Priority, "3", "3"},
        FieldCase{Field::Priority, "0", "0"}, FieldCase{Field::Priority, "8.7", "9"},
        FieldCase{Field::Priority, "-0", "0"}, FieldCase{Field::Priority, "10", kRejected},
        FieldCase{Field::Priority, "9.2", kRejected}, FieldCase{Field::Priority, "-1", kRejected},
        FieldCase{Field::Priority, "", kRejected}));

TEST(PanelStart, FromLineAndForAdd) {
    const PanelValues add = PanelStartForAdd();
    const std::string addLine =
        MakeEntryLine(add.freq, add.ifbw, add.cor, kDetectionModes[add.det - 1],
                      static_cast<SignalClass>(add.cls), add.priority, false, add.comment);
    EXPECT_EQ(addLine, " 00020.00000   00.010   20   FM    ?s     9        ");

    const PanelValues v = PanelStartFromLine(" 00145.50000   12.500   -1   ISB   ids    0    x   Net 4");
    EXPECT_EQ(v.freq, "00145.50000");
    EXPECT_EQ(v.ifbw, "12.500");
    EXPECT_EQ(v.cor, "-1");
    EXPECT_EQ(v.det, 7);
    EXPECT_EQ(v.cls, 1);
    EXPECT_EQ(v.priority, "0");
    EXPECT_EQ(v.comment, "Net 4");

    const PanelValues e = PanelStartEmpty();
    EXPECT_EQ(e.det, 0);
    EXPECT_EQ(e.cls, -1);
    EXPECT_TRUE(e.freq.empty() && e.priority.empty());
}

TEST(DetectionIndex, ChooserPositions) {
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(DetectionIndex(kDetectionModes[i]), i + 1);
    EXPECT_EQ(DetectionIndex("FM"), 1);
    EXPECT_EQ(DetectionIndex(""), 1);
    EXPECT_EQ(DetectionIndex("xyz"), 1);
}

TEST(ApplyMultiEdit, OnlyPriorityChangesColumn43AndLockout) {
    const std::string lines[] = {
        " 00010.00000   00.010   20   FM    ?s     9        ",
        " 00020.00000   01.500   -1   PLS   soi    3    x   Net 4",
        " 00030.00000   00.030   05   CW    ids    0        with, a comment ",
    };
    MultiEdit edit;
    edit.priority = "5";
    for (bool lockout : {true, false}) {
        edit.lockout = lockout;
        for (const std::string& old : lines) {
            std::string expected = old;
            expected[42] = '5';
            expected[47] = lockout ? 'x' : ' ';
            EXPECT_EQ(ApplyMultiEdit(old, edit), expected);
        }
    }
}

TEST(ApplyMultiEdit, FilledFieldsReplaceTheirColumns) {
    MultiEdit edit{"02.000", "-1", "USB", "", false};
    EXPECT_EQ(ApplyMultiEdit(" 00020.00000   01.500   15   PLS   soi    3    x   Net 4", edit),
              " 00020.00000   02.000   -1   USB   soi    3        Net 4");
    // Nothing filled but the lockout box: only column 48 may change.
    EXPECT_EQ(ApplyMultiEdit(" 00020.00000   01.500   15   PLS   soi    3    x   ", MultiEdit{}),
              " 00020.00000   01.500   15   PLS   soi    3        ");
    // A short line keeps every column in its place.
    EXPECT_EQ(ApplyMultiEdit(" 00020.00000", MultiEdit{"", "", "", "1", true}),
              " 00020.00000" + std::string(30, ' ') + "1    x   ");
}

TEST(ReplaceQuestion, Text) {
    EXPECT_EQ(ReplaceQuestion("00020.00000"),
              "Freq = 00020.00000 MHz is already available in the Signal List.  Do you want to replace it "
              "with new data?");
}

} // namespace
} // namespace zarn
