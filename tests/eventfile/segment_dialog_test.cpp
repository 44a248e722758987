// The segment dialog as the operator sees it: what it shows for each segment, what it lets be
// chosen, and what it returns.
#include "segment_dialog.h"

#include "find_control.h"
#include "segment_answer.h"
#include "temp_dir.h"

#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zarn {
namespace {

using test::Control;
using test::SegmentAnswer;
using test::TempDir;

std::string Clip(int n, const char* start, const char* stop, const char* level) {
    return "WAV,AB000" + std::to_string(n) + ".WAV," + std::to_string(n) + ",123.4500," + start + "," + stop +
           "," + level + ",0\r\n";
}

// Segment 1: two clips, the later one stopping first (the stop shown is the last counted line's).
// Segment 2: one clip among uncounted ones. Segment 3: clip lines without a level only.
const std::string kThree = "Ver, Created by the recorder\r\nSTARTBYTRIGGER,01/02/05 10:00:00,AB0001.WAV\r\n" +
                           Clip(1, "01/02/05 10:00:00", "01/02/05 10:05:00", "-80") +
                           Clip(2, "01/02/05 10:01:00", "01/02/05 10:01:09", "-75") +
                           "STARTBYTRIGGER,01/03/05 11:00:00,AB0003.WAV\r\n" +
                           Clip(3, "01/03/05 11:00:00", "01/03/05 11:00:30", "-90") +
                           Clip(4, "01/03/05 11:01:00", "01/03/05 11:02:00", "") +
                           "STOPBYTRIGGER,01/03/05 11:02:00,AB0004.WAV\r\n"
                           "STARTBYTRIGGER,12/31/99 23:00:00,AB0005.WAV\r\n" +
                           Clip(5, "12/31/99 23:00:00", "12/31/99 23:00:05", "");

const std::string kOne = "STARTBYTRIGGER,06/15/04 08:30:00,AB0001.WAV\r\n" +
                         Clip(1, "06/15/04 08:30:00", "06/15/04 08:30:10", "-60") +
                         Clip(2, "06/15/04 08:31:00", "06/15/04 08:31:10", "-61");

// What the operator reads: the labels given, each followed by its text, then OK and the scroll bar.
std::string Shown(const QWidget& d, std::initializer_list<const char*> labels) {
    std::string text;
    for (const char* label : labels)
        text += Control<QLabel>(&d, label)->text().toStdString() + "|";
    const auto* ok = Control<QPushButton>(&d, "OK");
    return text + ok->text().toStdString() + (ok->isEnabled() ? " on|" : " off|") +
           (Control<QScrollBar>(&d, "HScroll1")->isEnabled() ? "scroll" : "fixed");
}

TEST(SegmentDialog, ShowsEachSegmentAsTheScrollBarSteps) {
    TempDir dir;
    SegmentDialog before;
    EXPECT_TRUE(before.isModal());
    EXPECT_EQ(before.windowTitle(), QStringLiteral("SEGMENT SELECTION"));
    EXPECT_EQ(Control<QPushButton>(&before, "Cancel")->text(), QStringLiteral("X"));
    EXPECT_EQ(
        Shown(before, {"L_Segment", "P_Segment", "L_TotalSeg", "L_TotalWav", "L_StartTime", "L_StopTime"}),
        "Segment|1|# of Segment(s)|# of Audio file(s)|Start Time|Stop Time|Ok off|scroll");
    const struct {
        const std::string* text;
        int segment;
        const char* shown;
    } cases[] = {
        {&kOne, 1, "1|1|2|06/15/04 08:30:00|06/15/04 08:31:10|Ok on|fixed"}, // one segment fixes the bar
        {&kThree, 1, "1|3|2|01/02/05 10:00:00|01/02/05 10:01:09|Ok on|scroll"},
        {&kThree, 2, "2|3|1|01/03/05 11:00:00|01/03/05 11:00:30|Ok on|scroll"},
        // No counted clip: date zero for the stop, nothing to choose.
        {&kThree, 3, "3|3|0|12/31/99 23:00:00|12/30/99 00:00:00|Ok off|scroll"},
    };
    for (const auto& c : cases) {
        SegmentDialog d;
        ASSERT_TRUE(d.Load(dir.write("AB.EVA", *c.text), QPoint(40, 60)));
        EXPECT_EQ(d.pos(), QPoint(40, 60));
        auto* scroll = Control<QScrollBar>(&d, "HScroll1");
        for (int s = 1; s < c.segment; ++s)
            scroll->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        EXPECT_EQ(scroll->minimum(), 1);
        EXPECT_EQ(scroll->maximum(), d.Table().segCount);
        EXPECT_EQ(Shown(d, {"P_Segment", "P_TotalSeg", "P_TotalWav", "P_StartTime", "P_StopTime"}), c.shown);
        if (c.segment == 3) { // and back to a segment that can be chosen
            scroll->setValue(1);
            EXPECT_EQ(Shown(d, {"P_Segment", "P_TotalWav"}), "1|2|Ok on|scroll");
            EXPECT_EQ(d.Table().clipCount, (std::vector<int>{0, 2, 1, 0}));
        }
    }
}

// OK gives the segment shown; OK on an empty segment does nothing; X and Escape give nothing even
// with a segment on show.
TEST(SegmentDialog, AnswersAndWhatTheyReturn) {
    using Action = SegmentAnswer::Action;
    TempDir dir;
    const struct {
        int scrollTo;
        Action action;
        int chosen;
    } cases[] = {{2, Action::Ok, 2}, {3, Action::Cancel, 0}, {2, Action::Cancel, 0}, {2, Action::Escape, 0}};
    for (const auto& c : cases) {
        SegmentDialog d;
        ASSERT_TRUE(d.Load(dir.write("AB.EVA", kThree), QPoint(0, 0)));
        SegmentAnswer answer([&](QDialog& shown) {
            Control<QScrollBar>(&shown, "HScroll1")->setValue(c.scrollTo);
            if (c.scrollTo == 3) {
                QTest::mouseClick(Control<QPushButton>(&shown, "OK"), Qt::LeftButton);
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

// The progress runs to 100 and the count is reported once, also when there is nothing to choose.
TEST(SegmentDialog, ProgressAndFilesWithNothingToChoose) {
    TempDir dir;
    std::string big;
    for (int s = 0; s < 40; ++s)
        big += kThree;
    const std::pair<std::string, int> files[] = {
        {dir.write("BIG.EVA", big), 120},
        {dir.write("NOSEG.EVA", Clip(1, "06/15/04 08:30:00", "06/15/04 08:30:10", "-60")), 0},
        {dir.write("EMPTY.EVA", ""), 0},
        {dir.file("GONE.EVA"), 0},
        {dir.path(), 0},
    };
    for (const auto& [path, segments] : files) {
        SCOPED_TRACE(path);
        std::vector<int> percents;
        int counted = 0;
        SegmentProgress progress;
        progress.percent = [&](int p) { percents.push_back(p); };
        progress.counted = [&] { ++counted; };
        SegmentDialog d;
        EXPECT_EQ(d.Load(path, QPoint(0, 0), progress), segments > 0);
        EXPECT_EQ(counted, 1); // the progress window is taken down
        EXPECT_EQ(d.Table().segCount, segments);
        EXPECT_EQ(d.SelectedSegment(), 0);
        if (segments > 0) {
            EXPECT_EQ(percents.empty() ? -1 : percents.back(), 100); // the scan's test checks the steps
            EXPECT_EQ(Control<QLabel>(&d, "P_TotalSeg")->text(), QStringLiteral("120"));
        }
    }
}

} // namespace
} // namespace zarn
