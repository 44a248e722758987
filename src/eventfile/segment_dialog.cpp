#include "segment_dialog.h"

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

QLabel* MakePanel(QWidget* parent, const char* name, const QString& caption, bool value) {
    auto* l = new QLabel(caption, parent);
    l->setObjectName(QLatin1String(name));
    QFont f(QStringLiteral("Arial"));
    f.setPointSize(10);
    if (value) {
        // A value panel: sunken, its caption the value.
        l->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        l->setAlignment(Qt::AlignCenter);
        l->setMinimumWidth(Px(1800));
        f.setBold(true);
    } else {
        l->setAlignment(Qt::AlignVCenter | Qt::AlignRight);
    }
    l->setFont(f);
    l->setMinimumHeight(Px(330));
    return l;
}

} // namespace

Segment::Segment(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("Segment"));
    setWindowTitle(QStringLiteral("SEGMENT SELECTION"));
    setModal(true);

    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);

    L_Segment = MakePanel(Panel1, "L_Segment", QStringLiteral("Segment"), false);
    P_Segment = MakePanel(Panel1, "P_Segment", QStringLiteral("1"), true);
    L_TotalSeg = MakePanel(Panel1, "L_TotalSeg", QStringLiteral("# of Segment(s)"), false);
    P_TotalSeg = MakePanel(Panel1, "P_TotalSeg", QString(), true);
    L_TotalWav = MakePanel(Panel1, "L_TotalWav", QStringLiteral("# of Audio file(s)"), false);
    P_TotalWav = MakePanel(Panel1, "P_TotalWav", QString(), true);
    L_StartTime = MakePanel(Panel1, "L_StartTime", QStringLiteral("Start Time"), false);
    P_StartTime = MakePanel(Panel1, "P_StartTime", QString(), true);
    L_StopTime = MakePanel(Panel1, "L_StopTime", QStringLiteral("Stop Time"), false);
    P_StopTime = MakePanel(Panel1, "P_StopTime", QString(), true);

    HScroll1 = new QScrollBar(Qt::Horizontal, Panel1);
    HScroll1->setObjectName(QStringLiteral("HScroll1"));
    HScroll1->setRange(1, 1);
    HScroll1->setValue(1);
    HScroll1->setPageStep(1);

    OK = new QPushButton(QStringLiteral("Ok"), this);
    OK->setObjectName(QStringLiteral("OK"));
    OK->setDefault(true);
    Cancel = new QPushButton(QStringLiteral("X"), this);
    Cancel->setObjectName(QStringLiteral("Cancel"));
    for (QPushButton* b : {OK, Cancel})
        b->setMinimumSize(Px(900), Px(400));

    auto* grid = new QGridLayout(Panel1);
    grid->setContentsMargins(Px(150), Px(150), Px(150), Px(150));
    grid->setHorizontalSpacing(Px(120));
    grid->setVerticalSpacing(Px(90));
    grid->addWidget(L_Segment, 0, 0);
    grid->addWidget(P_Segment, 0, 1);
    grid->addWidget(L_TotalSeg, 0, 2);
    grid->addWidget(P_TotalSeg, 0, 3);
    grid->addWidget(L_TotalWav, 1, 0);
    grid->addWidget(P_TotalWav, 1, 1);
    grid->addWidget(L_StartTime, 2, 0);
    grid->addWidget(P_StartTime, 2, 1, 1, 3);
    grid->addWidget(L_StopTime, 3, 0);
    grid->addWidget(P_StopTime, 3, 1, 1, 3);
    grid->addWidget(HScroll1, 4, 0, 1, 4);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(OK);
    buttons->addWidget(Cancel);

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(Px(120), Px(120), Px(120), Px(120));
    outer->addWidget(Panel1);
    outer->addLayout(buttons);

    connect(HScroll1, &QScrollBar::valueChanged, this, &Segment::HScroll1_Change);
    connect(OK, &QPushButton::clicked, this, &Segment::OK_Click);
    connect(Cancel, &QPushButton::clicked, this, &Segment::Cancel_Click);
    OK->setEnabled(false);
}

bool Segment::Load(const std::string& eventFile, QPoint topLeft, const SegmentProgress& progress) {
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
        const QSignalBlocker quiet(HScroll1);
        HScroll1->setEnabled(true);
        HScroll1->setRange(1, 1);
        HScroll1->setValue(1);
    }
    P_Segment->setText(QStringLiteral("1"));
    P_TotalSeg->setText(QString::number(table_.segCount));
    if (table_.segCount == 1) {
        HScroll1->setEnabled(false);
    } else {
        HScroll1->setMaximum(table_.segCount);
    }
    ShowSegment(1);
    return true;
}

void Segment::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    PlaceFrame(20);
}

void Segment::PlaceFrame(int triesLeft) {
    // Before the first show the window manager may put the client area, not the frame, at the point
    // asked for. Once it has framed the dialog, the frame is moved where it belongs.
    if (frameGeometry() != geometry()) {
        if (frameGeometry().topLeft() != place_) move(place_);
        return;
    }
    if (triesLeft > 0) QTimer::singleShot(50, this, [this, triesLeft] { PlaceFrame(triesLeft - 1); });
}

int Segment::Choose() {
    exec();
    return selected_;
}

void Segment::ShowSegment(int s) {
    const auto i = static_cast<std::size_t>(s);
    if (i >= table_.clipCount.size()) return;
    P_TotalWav->setText(QString::number(table_.clipCount[i]));
    OK->setEnabled(table_.clipCount[i] >= 1);
    P_StartTime->setText(Qs(FormatDateTime(table_.start[i])));
    P_StopTime->setText(Qs(FormatDateTime(table_.stop[i])));
}

void Segment::HScroll1_Change(int value) {
    P_Segment->setText(QString::number(value));
    ShowSegment(value);
}

void Segment::OK_Click() {
    selected_ = RoundToInt16Clamped(LeadingNumber(Bytes(P_Segment->text())));
    accept();
}

void Segment::Cancel_Click() {
    selected_ = 0;
    reject();
}

} // namespace zarn
