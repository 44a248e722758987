// The segment dialog as the operator sees it: what it shows for each segment, what it lets be
// chosen, and what it returns.
#include "segment_dialog.h"

#include "find_control.h"
#include "segment_answer.h"
#include "temp_dir.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace zarn {
namespace {

using test::TempDir;

std::string Clip(int n, const char* start, const char* stop, const char* level) {
    return "WAV,AB" + std::to_string(10000 + n).substr(1) + ".WAV," + std::to_string(n) + ",123.4500," +
           start + "," + stop + "," + level + ",0\r\n";
}

// Segment 1: two clips, the later one stopping first (the stop shown is the last counted line's).
// Segment 2: one clip among uncounted ones. Segment 3: clip lines without a level only.
const std::string kThree = "Ver, Created by the recorder\r\n"
                           "STARTBYTRIGGER,01/02/05 10:00:00,AB0001.WAV\r\n" +
                           Clip(1, "01/02/05 10:00:00", "01/02/05 10:05:00", "-80") +
                           Clip(2, "01/02/05 10:01:00", "01/02/05 10:01:09", "-75") +
                           "STARTBYTRIGGER,01/03/05 11:00:00,AB0003.WAV\r\n" +
                           Clip(3, "01/03/05 11:00:00", "01/03/05 11:00:30", "-90") +
                           Clip(4, "01/03/05 11:01:00", "01/03/05 11:02:00", "") +
                           "STOPBYTRIGGER,01/03/05 11:02:00,AB0004.WAV\r\n"
                           "STARTBYTRIGGER,12/31/99 23:00:00,AB0005.WAV\r\n" +
                           Clip(5, "12/31/99 23:00:00", "12/31/99 23:00:05", "") +
                           Clip(6, "12/31/99 23:10:00", "12/31/99 23:10:05", "");

const std::string kOne = "STARTBYTRIGGER,06/15/04 08:30:00,AB0001.WAV\r\n" +
                         Clip(1, "06/15/04 08:30:00", "06/15/04 08:30:10", "-60") +
                         Clip(2, "06/15/04 08:31:00", "06/15/04 08:31:10", "-61") +
                         Clip(3, "06/15/04 08:32:00", "06/15/04 08:32:10", "-62");

// A START line without a time is counted, but opens no segment: segment 2 stays empty.
const std::string kEmptyStartTime = "STARTBYTRIGGER,06/15/04 08:30:00,AB0001.WAV\r\n" +
                                    Clip(1, "06/15/04 08:30:00", "06/15/04 08:30:10", "-60") +
                                    "STARTBYTRIGGER,,AB0002.WAV\r\n" +
                                    Clip(2, "06/15/04 08:31:00", "06/15/04 08:31:10", "-61");

const std::string kNoStart = Clip(1, "06/15/04 08:30:00", "06/15/04 08:30:10", "-60");

using test::Control;
using test::SegmentAnswer;
using Action = SegmentAnswer::Action;

std::string Text(const QObject& dialog, const char* label) {
    return Control<QLabel>(&dialog, label)->text().toStdString();
}
QScrollBar* Scroll(const QObject& dialog) {
    return Control<QScrollBar>(&dialog, "HScroll1");
}
QPushButton* Button(const QObject& dialog, const char* name) {
    return Control<QPushButton>(&dialog, name);
}

class SegmentDialogTest : public ::testing::Test {
protected:
    bool Load(const std::string& text) { return dialog.Load(dir.write("AB.EVA", text), QPoint(40, 60)); }

    TempDir dir;
    SegmentDialog dialog;
};

// What the operator reads before anything is loaded.
TEST_F(SegmentDialogTest, Captions) {
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("SEGMENT SELECTION"));
    const std::pair<const char*, const char*> labels[] = {
        {"L_Segment", "Segment"},          {"P_Segment", "1"},         {"L_TotalSeg", "# of Segment(s)"},
        {"L_TotalWav", "# of Audio file(s)"}, {"L_StartTime", "Start Time"}, {"L_StopTime", "Stop Time"}};
    for (const auto& [name, caption] : labels)
        EXPECT_EQ(Text(dialog, name), caption) << name;
    EXPECT_EQ(Button(dialog, "OK")->text(), QStringLiteral("Ok"));
    EXPECT_EQ(Button(dialog, "Cancel")->text(), QStringLiteral("X"));
    EXPECT_TRUE(dialog.isModal());
}

// What the dialog shows once the scroll bar is stepped, click by click, to `segment`.
struct ShownCase {
    const char* file;
    const std::string* text;
    int segment;
    const char* totalSeg;
    const char* clips;
    const char* start;
    const char* stop;
    bool okEnabled;
};

class SegmentShown : public SegmentDialogTest, public ::testing::WithParamInterface<ShownCase> {};

TEST_P(SegmentShown, ScrollBarShowsTheSegment) {
    const ShownCase& c = GetParam();
    ASSERT_TRUE(Load(*c.text));
    EXPECT_EQ(dialog.pos(), QPoint(40, 60));
    EXPECT_EQ(Scroll(dialog)->isEnabled(), std::string(c.totalSeg) != "1"); // one segment fixes it
    EXPECT_EQ(Scroll(dialog)->minimum(), 1);
    EXPECT_EQ(Scroll(dialog)->maximum(), std::stoi(c.totalSeg));
    for (int s = 1; s < c.segment; ++s)
        Scroll(dialog)->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(Scroll(dialog)->value(), c.segment);
    EXPECT_EQ(Text(dialog, "P_Segment"), std::to_string(c.segment));
    EXPECT_EQ(Text(dialog, "P_TotalSeg"), c.totalSeg);
    EXPECT_EQ(Text(dialog, "P_TotalWav"), c.clips);
    EXPECT_EQ(Text(dialog, "P_StartTime"), c.start);
    EXPECT_EQ(Text(dialog, "P_StopTime"), c.stop);
    EXPECT_EQ(Button(dialog, "OK")->isEnabled(), c.okEnabled);
}

INSTANTIATE_TEST_SUITE_P(
    Files, SegmentShown,
    ::testing::Values(
        ShownCase{"one", &kOne, 1, "1", "3", "06/15/04 08:30:00", "06/15/04 08:32:10", true},
        ShownCase{"three", &kThree, 1, "3", "2", "01/02/05 10:00:00", "01/02/05 10:01:09", true},
        ShownCase{"three", &kThree, 2, "3", "1", "01/03/05 11:00:00", "01/03/05 11:00:30", true},
        // No counted clip: date zero for the stop, nothing to choose.
        ShownCase{"three", &kThree, 3, "3", "0", "12/31/99 23:00:00", "12/30/99 00:00:00", false},
        ShownCase{"emptyStart", &kEmptyStartTime, 2, "2", "0", "12/30/99 00:00:00", "12/30/99 00:00:00",
                  false}),
    [](const ::testing::TestParamInfo<ShownCase>& info) {
        return std::string(info.param.file) + "_" + std::to_string(info.param.segment);
    });

TEST_F(SegmentDialogTest, StepsBackToAChoosableSegment) {
    ASSERT_TRUE(Load(kThree));
    Scroll(dialog)->setValue(3);
    EXPECT_FALSE(Button(dialog, "OK")->isEnabled());
    Scroll(dialog)->setValue(1);
    EXPECT_EQ(Text(dialog, "P_Segment"), "1");
    EXPECT_EQ(Text(dialog, "P_TotalWav"), "2");
    EXPECT_TRUE(Button(dialog, "OK")->isEnabled());
    EXPECT_EQ(dialog.Table().segCount, 3);
    EXPECT_EQ(dialog.Table().clipCount, (std::vector<int>{0, 2, 1, 0}));
}

// OK gives the segment shown; OK on an empty segment does nothing; X and Escape give nothing even
// with a segment on show.
TEST_F(SegmentDialogTest, AnswersAndWhatTheyReturn) {
    const struct {
        const char* name;
        int scrollTo;
        Action action;
        int chosen;
    } cases[] = {{"OK", 2, Action::Ok, 2}, {"OK on empty", 3, Action::Cancel, 0},
                 {"X", 2, Action::Cancel, 0}, {"Escape", 2, Action::Escape, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SegmentDialog d;
        ASSERT_TRUE(d.Load(dir.write("AB.EVA", kThree), QPoint(0, 0)));
        SegmentAnswer answer([&](QDialog& shown) {
            EXPECT_EQ(Text(shown, "P_TotalSeg"), "3");
            Scroll(shown)->setValue(c.scrollTo);
            if (c.scrollTo == 3) {
                QTest::mouseClick(Button(shown, "OK"), Qt::LeftButton);
                EXPECT_TRUE(shown.isVisible()) << "a segment without clips cannot be chosen";
            }
            return c.action;
        });
        EXPECT_EQ(d.Choose(), c.chosen);
        EXPECT_TRUE(answer.Seen());
        EXPECT_EQ(d.SelectedSegment(), c.chosen);
        EXPECT_FALSE(d.isVisible());
    }
}

TEST_F(SegmentDialogTest, ProgressRunsToTheEndAndTheCountIsReportedOnce) {
    std::vector<int> percents;
    int counted = 0;
    SegmentProgress progress;
    progress.percent = [&](int p) { percents.push_back(p); };
    progress.counted = [&] { ++counted; };
    std::string big;
    for (int s = 0; s < 40; ++s)
        big += kThree;
    ASSERT_TRUE(dialog.Load(dir.write("BIG.EVA", big), QPoint(0, 0), progress));
    EXPECT_EQ(counted, 1);
    ASSERT_FALSE(percents.empty());
    EXPECT_EQ(percents.back(), 100);
    EXPECT_TRUE(std::is_sorted(percents.begin(), percents.end()));
    EXPECT_GE(percents.front(), 0);
    EXPECT_EQ(Text(dialog, "P_TotalSeg"), "120");
    EXPECT_EQ(Scroll(dialog)->maximum(), 120);
}

TEST_F(SegmentDialogTest, NothingToChooseFromFileWithoutSegmentsOrUnreadable) {
    const struct {
        const char* what;
        std::string path;
    } files[] = {
        {"no START line", dir.write("NOSEG.EVA", kNoStart)},
        {"empty", dir.write("EMPTY.EVA", "")},
        {"missing", dir.file("GONE.EVA")},
        {"a folder", dir.path()},
    };
    for (const auto& f : files) {
        SCOPED_TRACE(f.what);
        SegmentDialog d;
        int counted = 0;
        SegmentProgress progress;
        progress.counted = [&] { ++counted; };
        EXPECT_FALSE(d.Load(f.path, QPoint(0, 0), progress));
        // The progress window must still be taken down.
        EXPECT_EQ(counted, 1);
        EXPECT_EQ(d.SelectedSegment(), 0);
        EXPECT_EQ(d.Table().segCount, 0);
    }
}

} // namespace
} // namespace zarn
