#include "clip_text.h"

#include <gtest/gtest.h>

#include <string>

namespace zarn {
namespace {

using Lines = std::vector<std::string>;

const std::string kA = " 00010.00000   00.010   20   FM    ?s     9        ";
const std::string kB = " 00020.00000   01.500   -1   PLS   soi    3    x   Net, 4";

TEST(ClipText, CopyAndCopyFreq) {
    EXPECT_EQ(SignalListClipText({}), "[SIGNAL LIST DATA FORMAT]\r\n");
    EXPECT_EQ(SignalListClipText({kA, kB}), "[SIGNAL LIST DATA FORMAT]\r\n" + kA + "\r\n" + kB + "\r\n");
    EXPECT_EQ(FrequencyClipText({kA, kB, kA}), "00010.00000\r\n00020.00000\r\n00010.00000\r\n");
    EXPECT_EQ(FrequencyClipText({}), "");
}

TEST(ClipText, CopiedTextPastesBackAsTheSameLines) {
    EXPECT_EQ(PastedSignalLines(SignalListClipText({kA, kB})), (Lines{kA, kB}));
}

struct PasteCase {
    const char* name;
    std::string text;
    std::optional<Lines> lines;
};

class PasteTest : public ::testing::TestWithParam<PasteCase> {};

TEST_P(PasteTest, Lines) {
    EXPECT_EQ(PastedSignalLines(GetParam().text), GetParam().lines);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, PasteTest,
    ::testing::Values(
        PasteCase{"Empty", "", std::nullopt}, PasteCase{"Frequencies", "00010.00000\r\n", std::nullopt},
        PasteCase{"ShortHeader", "[SIGNAL LIST DATA FORMAT", std::nullopt},
        PasteCase{"LowerCaseHeader", "[signal list data format]\r\n" + kA, std::nullopt},
        PasteCase{"HeaderOnly", "[SIGNAL LIST DATA FORMAT]\r\n", Lines{}},
        PasteCase{"HeaderWithoutEnd", "[SIGNAL LIST DATA FORMAT]", Lines{}},
        PasteCase{"LfEnds", "[SIGNAL LIST DATA FORMAT]\n" + kA + "\n" + kB + "\n", Lines{kA, kB}},
        PasteCase{"LastLineWithoutEnd", "[SIGNAL LIST DATA FORMAT]\r\n" + kA + "\r\n" + kB, Lines{kA, kB}},
        PasteCase{"EmptyLinesSkipped",
                  "[SIGNAL LIST DATA FORMAT]\r\n\r\n" + kA + "\r\n\n\r\n" + kB + "\r\n\r\n", Lines{kA, kB}},
        // Only a CR right before the LF is a line end; others are data.
        PasteCase{"InnerCr", "[SIGNAL LIST DATA FORMAT]\r\n" + kA + "\rx\r\r\n", Lines{kA + "\rx\r"}},
        PasteCase{"RestOfHeaderLineDropped", "[SIGNAL LIST DATA FORMAT] 3 entries\r\n" + kA, Lines{kA}}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace zarn
