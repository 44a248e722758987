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

// One dialog loaded again and again: its texts before any load; a large file with its progress; each
// segment of a file as the scroll bar steps, then the answers and what they return; files with nothing
// to choose; a file of one segment, which fixes the scroll bar. Every load reports the count once.
TEST(SegmentDialog, LoadsShowsAndAnswers) {
    using Action = SegmentAnswer::Action;
    TempDir dir;
    SegmentDialog d;
    EXPECT_TRUE(d.isModal());
    EXPECT_EQ(d.windowTitle(), QStringLiteral("SEGMENT SELECTION"));
    EXPECT_EQ(Control<QPushButton>(&d, "Cancel")->text(), QStringLiteral("X"));
    EXPECT_EQ(Shown(d, {"L_Segment", "P_Segment", "L_TotalSeg", "L_TotalWav", "L_StartTime", "L_StopTime"}),
              "Segment|1|# of Segment(s)|# of Audio file(s)|Start Time|Stop Time|Ok off|scroll");
    std::vector<int> percents;
    int counted = 0;
    SegmentProgress progress;
    progress.percent = [&](int p) { percents.push_back(p); };
    progress.counted = [&] { ++counted; };
    std::string big;
    for (int s = 0; s < 40; ++s)
        big += kThree;
    ASSERT_TRUE(d.Load(dir.write("BIG.EVA", big), QPoint(0, 0), progress));
    ASSERT_FALSE(percents.empty());
    EXPECT_EQ(percents.back(), 100); // the scan's test checks the steps
    EXPECT_EQ(counted, 1);           // the progress window is taken down
    EXPECT_EQ(Control<QLabel>(&d, "P_TotalSeg")->text(), QStringLiteral("120"));

    ASSERT_TRUE(d.Load(dir.write("AB.EVA", kThree), QPoint(40, 60)));
    EXPECT_EQ(d.pos(), QPoint(40, 60));
    auto* scroll = Control<QScrollBar>(&d, "HScroll1");
    EXPECT_EQ(scroll->minimum(), 1);
    EXPECT_EQ(scroll->maximum(), 3);
    for (const char* shown : {"1|3|2|01/02/05 10:00:00|01/02/05 10:01:09|Ok on|scroll",
                              "2|3|1|01/03/05 11:00:00|01/03/05 11:00:30|Ok on|scroll",
                              // No counted clip: date zero for the stop, nothing to choose.
                              "3|3|0|12/31/99 23:00:00|12/30/99 00:00:00|Ok off|scroll"}) {
        EXPECT_EQ(Shown(d, {"P_Segment", "P_TotalSeg", "P_TotalWav", "P_StartTime", "P_StopTime"}), shown);
        // A page is one segment, as a step is.
        scroll->triggerAction(scroll->value() == 1 ? QAbstractSlider::SliderPageStepAdd
                                                   : QAbstractSlider::SliderSingleStepAdd);
    }
    scroll->setValue(1); // and back to a segment that can be chosen
    EXPECT_EQ(Shown(d, {"P_Segment", "P_TotalWav"}), "1|2|Ok on|scroll");
    EXPECT_EQ(d.Table().clipCount, (std::vector<int>{0, 2, 1, 0}));

    // OK on an empty segment does nothing; X and Escape give nothing even with a segment on show; OK
    // gives the segment shown.
    const struct {
        int scrollTo;
        Action action;
        int chosen;
    } answers[] = {{3, Action::Cancel, 0}, {2, Action::Cancel, 0}, {2, Action::Escape, 0}, {2, Action::Ok, 2}};
    for (const auto& a : answers) {
        SegmentAnswer answer([&](QDialog& shown) {
            Control<QScrollBar>(&shown, "HScroll1")->setValue(a.scrollTo);
            if (a.scrollTo == 3) {
                QTest::mouseClick(Control<QPushButton>(&shown, "OK"), Qt::LeftButton);
                EXPECT_TRUE(shown.isVisible()) << "a segment without clips cannot be chosen";
            }
            return a.action;
        });
        EXPECT_EQ(d.Choose(), a.chosen);
        EXPECT_TRUE(answer.Seen());
        EXPECT_EQ(d.SelectedSegment(), a.chosen);
        EXPECT_FALSE(d.isVisible());
    }

    for (const std::string& path : {dir.write("NOSEG.EVA", Clip(1, "06/15/04 08:30:00", "06/15/04 08:30:10", "-60")),
                                    dir.write("EMPTY.EVA", ""), dir.file("GONE.EVA"), dir.path()}) {
        SCOPED_TRACE(path);
        counted = 0;
        EXPECT_FALSE(d.Load(path, QPoint(0, 0), progress));
        EXPECT_EQ(counted, 1);
        EXPECT_EQ(d.Table().segCount, 0);
        EXPECT_EQ(d.SelectedSegment(), 0);
    }
    ASSERT_TRUE(d.Load(dir.write("ONE.EVA", kOne), QPoint(0, 0)));
    EXPECT_EQ(Shown(d, {"P_Segment", "P_TotalSeg", "P_TotalWav", "P_StartTime", "P_StopTime"}),
              "1|1|2|06/15/04 08:30:00|06/15/04 08:31:10|Ok on|fixed");
    EXPECT_EQ(scroll->maximum(), 1);
}

} // namespace
} // namespace zarn
