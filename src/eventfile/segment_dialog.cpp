#include "segment_dialog.h"

#include "window_chrome.h"

#include "formats.h"
#include "latin1.h"
#include "numbers.h"
#include "textfile.h"

#include <QApplication>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTimer>
#include <QVBoxLayout>

namespace zarn {

namespace {

// A caption panel, right aligned, or a value panel: sunken and bold, its caption the value.
QLabel* MakePanel(QWidget* parent, const char* name, const QString& caption, bool value) {
    QLabel* l = MakeLabel(parent, name, caption,
                          value ? LabelLook().Sunken().Align(Qt::AlignCenter).Font(ArialFont(10, true))
                                : LabelLook().Align(Qt::AlignVCenter | Qt::AlignRight).Font(ArialFont(10)));
    if (value) l->setMinimumWidth(Px(1800));
    l->setMinimumHeight(Px(330));
    return l;
}

} // namespace

SegmentDialog::SegmentDialog(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("Segment"));
    setWindowTitle(QStringLiteral("SEGMENT SELECTION"));
    setModal(true);

    panel1_ = new QFrame(this);
    panel1_->setObjectName(QStringLiteral("Panel1"));
    panel1_->setFrameStyle(QFrame::Panel | QFrame::Raised);

    lSegment_ = MakePanel(panel1_, "L_Segment", QStringLiteral("Segment"), false);
    pSegment_ = MakePanel(panel1_, "P_Segment", QStringLiteral("1"), true);
    lTotalSeg_ = MakePanel(panel1_, "L_TotalSeg", QStringLiteral("# of Segment(s)"), false);
    pTotalSeg_ = MakePanel(panel1_, "P_TotalSeg", QString(), true);
    lTotalWav_ = MakePanel(panel1_, "L_TotalWav", QStringLiteral("# of Audio file(s)"), false);
    pTotalWav_ = MakePanel(panel1_, "P_TotalWav", QString(), true);
    lStartTime_ = MakePanel(panel1_, "L_StartTime", QStringLiteral("Start Time"), false);
    pStartTime_ = MakePanel(panel1_, "P_StartTime", QString(), true);
    lStopTime_ = MakePanel(panel1_, "L_StopTime", QStringLiteral("Stop Time"), false);
    pStopTime_ = MakePanel(panel1_, "P_StopTime", QString(), true);

    hScroll_ = new QScrollBar(Qt::Horizontal, panel1_);
    hScroll_->setObjectName(QStringLiteral("HScroll1"));
    hScroll_->setRange(1, 1);
    hScroll_->setValue(1);
    hScroll_->setPageStep(1);

    ok_ = new QPushButton(QStringLiteral("Ok"), this);
    ok_->setObjectName(QStringLiteral("OK"));
    ok_->setDefault(true);
    cancel_ = new QPushButton(QStringLiteral("X"), this);
    cancel_->setObjectName(QStringLiteral("Cancel"));
    for (QPushButton* b : {ok_, cancel_})
        b->setMinimumSize(Px(900), Px(400));

    auto* grid = new QGridLayout(panel1_);
    grid->setContentsMargins(Px(150), Px(150), Px(150), Px(150));
    grid->setHorizontalSpacing(Px(120));
    grid->setVerticalSpacing(Px(90));
    grid->addWidget(lSegment_, 0, 0);
    grid->addWidget(pSegment_, 0, 1);
    grid->addWidget(lTotalSeg_, 0, 2);
    grid->addWidget(pTotalSeg_, 0, 3);
    grid->addWidget(lTotalWav_, 1, 0);
    grid->addWidget(pTotalWav_, 1, 1);
    grid->addWidget(lStartTime_, 2, 0);
    grid->addWidget(pStartTime_, 2, 1, 1, 3);
    grid->addWidget(lStopTime_, 3, 0);
    grid->addWidget(pStopTime_, 3, 1, 1, 3);
    grid->addWidget(hScroll_, 4, 0, 1, 4);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok_);
    buttons->addWidget(cancel_);

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(Px(120), Px(120), Px(120), Px(120));
    outer->addWidget(panel1_);
    outer->addLayout(buttons);

    connect(hScroll_, &QScrollBar::valueChanged, this, &SegmentDialog::HScroll1_Change);
    connect(ok_, &QPushButton::clicked, this, &SegmentDialog::OK_Click);
    connect(cancel_, &QPushButton::clicked, this, &SegmentDialog::Cancel_Click);
    ok_->setEnabled(false);
}

bool SegmentDialog::Load(const std::string& eventFile, QPoint topLeft, const SegmentProgress& progress) {
    place_ = topLeft;
    move(topLeft);
    selected_ = 0;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    std::string text;
    const bool read = static_cast<bool>(ReadFileBytes(eventFile, text));
    table_ = read ? ScanSegments(text, progress.percent) : SegmentTable{};
    if (progress.counted) progress.counted();
    QApplication::restoreOverrideCursor();
    if (table_.segCount < 1) return false;

    {
        const QSignalBlocker quiet(hScroll_);
        hScroll_->setEnabled(true);
        hScroll_->setRange(1, 1);
        hScroll_->setValue(1);
    }
    pSegment_->setText(QStringLiteral("1"));
    pTotalSeg_->setText(QString::number(table_.segCount));
    if (table_.segCount == 1) {
        hScroll_->setEnabled(false);
    } else {
        hScroll_->setMaximum(table_.segCount);
    }
    ShowSegment(1);
    return true;
}

void SegmentDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    PlaceFrame(20);
}

void SegmentDialog::PlaceFrame(int triesLeft) {
    // Before the first show the window manager may put the client area, not the frame, at the point
    // asked for. Once it has framed the dialog, the frame is moved where it belongs.
    if (frameGeometry() != geometry()) {
        if (frameGeometry().topLeft() != place_) move(place_);
        return;
    }
    if (triesLeft > 0) QTimer::singleShot(50, this, [this, triesLeft] { PlaceFrame(triesLeft - 1); });
}

int SegmentDialog::Choose() {
    exec();
    return selected_;
}

void SegmentDialog::ShowSegment(int s) {
    const auto i = static_cast<std::size_t>(s);
    if (i >= table_.clipCount.size()) return;
    pTotalWav_->setText(QString::number(table_.clipCount[i]));
    ok_->setEnabled(table_.clipCount[i] >= 1);
    pStartTime_->setText(Qs(FormatDateTime(table_.start[i])));
    pStopTime_->setText(Qs(FormatDateTime(table_.stop[i])));
}

void SegmentDialog::HScroll1_Change(int value) {
    pSegment_->setText(QString::number(value));
    ShowSegment(value);
}

void SegmentDialog::OK_Click() {
    selected_ = RoundToInt16Clamped(LeadingNumber(Bytes(pSegment_->text())));
    accept();
}

void SegmentDialog::Cancel_Click() {
    selected_ = 0;
    reject();
}

} // namespace zarn
