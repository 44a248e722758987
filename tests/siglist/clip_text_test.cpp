#include "clip_text.h"

#include <gtest/gtest.h>

#include <string>

namespace zarn {
namespace {

using Lines = std::vector<std::string>;

const std::string kA = " 00010.00000   00.010   20   FM    ?s     9        ";
const std::string kB = " 00020.00000   01.500   -1   PLS   soi    3    x   Net, 4";
const std::string kHeader = "[SIGNAL LIST DATA FORMAT]";

TEST(ClipText, CopyCopyFreqAndPaste) {
    EXPECT_EQ(SignalListClipText({}), kHeader + "\r\n");
    EXPECT_EQ(SignalListClipText({kA, kB}), kHeader + "\r\n" + kA + "\r\n" + kB + "\r\n");
    EXPECT_EQ(FrequencyClipText({kA, kB, kA}), "00010.00000\r\n00020.00000\r\n00010.00000\r\n");
    EXPECT_EQ(FrequencyClipText({}), "");
    const std::pair<std::string, std::optional<Lines>> pastes[] = {
        {"", std::nullopt},
        {"00010.00000\r\n", std::nullopt},
        {"[SIGNAL LIST DATA FORMAT", std::nullopt},
        {"[signal list data format]\r\n" + kA, std::nullopt},
        {kHeader, Lines{}},
        {SignalListClipText({kA, kB}), Lines{kA, kB}},
        {kHeader + "\n" + kA + "\n" + kB + "\n", Lines{kA, kB}},
        {kHeader + "\r\n" + kA + "\r\n" + kB, Lines{kA, kB}},
        {kHeader + "\r\n\r\n" + kA + "\r\n\n\r\n" + kB + "\r\n\r\n", Lines{kA, kB}}, // empty lines skipped
        {kHeader + "\r\n" + kA + "\rx\r\r\n", Lines{kA + "\rx\r"}}, // only a CR before the LF ends a line
        {kHeader + " 3 entries\r\n" + kA, Lines{kA}},                 // the rest of the header line dropped
    };
    for (const auto& [text, lines] : pastes)
        EXPECT_EQ(PastedSignalLines(text), lines) << text;
}

} // namespace
} // namespace zarn
