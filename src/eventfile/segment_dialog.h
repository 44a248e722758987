// The modal segment dialog: counts the segments of the open event file, shows each one's clips and
// times, and returns the one the operator picks.
#pragma once

#include "segscan.h"

#include <QDialog>
#include <QPoint>

#include <functional>
#include <string>

class QFrame;
class QLabel;
class QPushButton;
class QScrollBar;

namespace zarn {

// Where the scan reports its progress: the percentage, and the end of the count (the progress
// window goes away then).
struct SegmentProgress {
    std::function<void(int percent)> percent;
    std::function<void()> counted;
};

class SegmentDialog final : public QDialog {
    Q_OBJECT
public:
    explicit SegmentDialog(QWidget* parent = nullptr);

    // Reads and scans the event file and fills the controls for segment 1. `topLeft` is where the
    // dialog goes (pixels). Returns false when the file has no segment (or cannot be read): the
    // dialog is then not to be shown and the choice is 0.
    bool Load(const std::string& eventFile, QPoint topLeft, const SegmentProgress& progress = {});

    // Shows the dialog modally; the chosen segment from 1, or 0 for none.
    int Choose();

    int SelectedSegment() const { return selected_; }
    const SegmentTable& Table() const { return table_; }
    SegmentTable TakeTable() { return std::move(table_); }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void PlaceFrame(int triesLeft);
    void HScroll1_Change(int value);
    void ShowSegment(int s);
    void OK_Click();
    void Cancel_Click();

    SegmentTable table_;
    int selected_ = 0;
    QPoint place_;

    QFrame* panel1_;
    QLabel *lSegment_, *pSegment_;
    QLabel *lTotalSeg_, *pTotalSeg_;
    QLabel *lTotalWav_, *pTotalWav_;
    QLabel *lStartTime_, *pStartTime_;
    QLabel *lStopTime_, *pStopTime_;
    QScrollBar* hScroll_;
    QPushButton* ok_;
    QPushButton* cancel_;
};

} // namespace zarn
