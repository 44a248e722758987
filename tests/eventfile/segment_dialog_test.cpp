// The segment dialog as the operator sees it: what it shows for each segment, what it lets be
// chosen, and what it returns.
#include "segment_dialog.h"

#include "find_control.h"
#include "temp_dir.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
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

// The dialog's controls, by name.
std::string Text(const QObject& dialog, const char* label) {
    return Control<QLabel>(&dialog, label)->text().toStdString();
}
QScrollBar* Scroll(const QObject& dialog) {
    return Control<QScrollBar>(&dialog, "HScroll1");
}
QPushButton* Button(const QObject& dialog, const char* name) {
    return Control<QPushButton>(&dialog, name);
}

// Answers the dialog from inside its modal loop; a dialog still up after the answer is rejected
// so that a failing test cannot hang.
void AnswerWhenShown(std::function<void(SegmentDialog&)> answer, QObject* context, int triesLeft = 300) {
    QTimer::singleShot(triesLeft == 300 ? 0 : 10, context, [answer, context, triesLeft] {
        auto* dialog = qobject_cast<SegmentDialog*>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible()) {
            if (triesLeft > 0)
                AnswerWhenShown(answer, context, triesLeft - 1);
            else if (QWidget* other = QApplication::activeModalWidget())
                other->close();
            return;
        }
        answer(*dialog);
        if (dialog->isVisible()) {
            ADD_FAILURE() << "the dialog did not close on its answer";
            dialog->reject();
        }
    });
}

class SegmentDialogTest : public ::testing::Test {
protected:
    // Loads `text` as an event file into the dialog.
    bool Load(const std::string& text) { return dialog.Load(dir.write("AB.EVA", text), QPoint(40, 60)); }

    // Shows `d` modally and answers it with `answer`.
    static int Choose(SegmentDialog& d, std::function<void(SegmentDialog&)> answer) {
        QObject context; // pending retries end with the call
        AnswerWhenShown(std::move(answer), &context);
        return d.Choose();
    }

    TempDir dir;
    SegmentDialog dialog;
};

TEST_F(SegmentDialogTest, CaptionsAndControls) {
    EXPECT_EQ(dialog.objectName(), QStringLiteral("Segment"));
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("SEGMENT SELECTION"));
    const struct {
        const char* name;
        const char* caption;
    } labels[] = {
        {"L_Segment", "Segment"},          {"P_Segment", "1"},
        {"L_TotalSeg", "# of Segment(s)"}, {"L_TotalWav", "# of Audio file(s)"},
        {"L_StartTime", "Start Time"},     {"L_StopTime", "Stop Time"},
        {"P_TotalSeg", nullptr},           {"P_TotalWav", nullptr},
        {"P_StartTime", nullptr},          {"P_StopTime", nullptr},
    };
    for (const auto& l : labels) {
        SCOPED_TRACE(l.name);
        const std::string text = Text(dialog, l.name);
        if (l.caption) {
            EXPECT_EQ(text, l.caption);
        }
    }
    EXPECT_EQ(Button(dialog, "OK")->text(), QStringLiteral("Ok"));
    EXPECT_EQ(Button(dialog, "Cancel")->text(), QStringLiteral("X"));
    EXPECT_EQ(Scroll(dialog)->minimum(), 1);
    EXPECT_EQ(Scroll(dialog)->value(), 1);
    EXPECT_NE(Control<QFrame>(&dialog, "Panel1"), nullptr);
    EXPECT_TRUE(dialog.isModal());
}

TEST_F(SegmentDialogTest, OneSegmentFixesTheScrollBar) {
    ASSERT_TRUE(Load(kOne));
    EXPECT_EQ(dialog.pos(), QPoint(40, 60));
    EXPECT_FALSE(Scroll(dialog)->isEnabled());
    EXPECT_EQ(Text(dialog, "P_Segment"), "1");
    EXPECT_EQ(Text(dialog, "P_TotalSeg"), "1");
    EXPECT_EQ(Text(dialog, "P_TotalWav"), "3");
    EXPECT_EQ(Text(dialog, "P_StartTime"), "06/15/04 08:30:00");
    EXPECT_EQ(Text(dialog, "P_StopTime"), "06/15/04 08:32:10");
    EXPECT_TRUE(Button(dialog, "OK")->isEnabled());
}

// What the dialog shows once the scroll bar is on segment `segment`.
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
    EXPECT_TRUE(Scroll(dialog)->isEnabled());
    EXPECT_EQ(Scroll(dialog)->maximum(), std::stoi(c.totalSeg));
    // Step to the segment as the operator does, one click on the arrow at a time.
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

INSTANTIATE_TEST_SUITE_P(Files, SegmentShown,
                         ::testing::Values(ShownCase{"three", &kThree, 1, "3", "2", "01/02/05 10:00:00",
                                                     "01/02/05 10:01:09", true},
                                           ShownCase{"three", &kThree, 2, "3", "1", "01/03/05 11:00:00",
                                                     "01/03/05 11:00:30", true},
                                           // No counted clip: date zero for the stop, nothing to choose.
                                           ShownCase{"three", &kThree, 3, "3", "0", "12/31/99 23:00:00",
                                                     "12/30/99 00:00:00", false},
                                           ShownCase{"emptyStart", &kEmptyStartTime, 2, "2", "0",
                                                     "12/30/99 00:00:00", "12/30/99 00:00:00", false}),
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

TEST_F(SegmentDialogTest, OkReturnsTheSegmentShown) {
    ASSERT_TRUE(Load(kThree));
    bool shown = false;
    const int chosen = Choose(dialog, [&](SegmentDialog& d) {
        shown = true;
        EXPECT_EQ(Text(d, "P_TotalSeg"), "3");
        Scroll(d)->setValue(2);
        QTest::mouseClick(Button(d, "OK"), Qt::LeftButton);
    });
    EXPECT_TRUE(shown);
    EXPECT_EQ(chosen, 2);
    EXPECT_EQ(dialog.SelectedSegment(), 2);
    EXPECT_FALSE(dialog.isVisible());
}

TEST_F(SegmentDialogTest, OkOnAnEmptySegmentDoesNothing) {
    ASSERT_TRUE(Load(kThree));
    const int chosen = Choose(dialog, [](SegmentDialog& d) {
        Scroll(d)->setValue(3);
        QTest::mouseClick(Button(d, "OK"), Qt::LeftButton);
        EXPECT_TRUE(d.isVisible()) << "a segment without clips cannot be chosen";
        QTest::mouseClick(Button(d, "Cancel"), Qt::LeftButton);
    });
    EXPECT_EQ(chosen, 0);
}

TEST_F(SegmentDialogTest, CancelAndEscapeReturnNothing) {
    const std::vector<std::pair<const char*, std::function<void(SegmentDialog&)>>> answers = {
        {"X", [](SegmentDialog& d) { QTest::mouseClick(Button(d, "Cancel"), Qt::LeftButton); }},
        {"Escape", [](SegmentDialog& d) { QTest::keyClick(&d, Qt::Key_Escape); }},
    };
    for (const auto& [name, answer] : answers) {
        SCOPED_TRACE(name);
        SegmentDialog d;
        ASSERT_TRUE(d.Load(dir.write("AB.EVA", kThree), QPoint(0, 0)));
        // A segment is on show when the operator backs out.
        Scroll(d)->setValue(2);
        EXPECT_EQ(Choose(d, answer), 0);
        EXPECT_EQ(d.SelectedSegment(), 0);
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
