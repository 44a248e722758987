#include "bandwidth_dialog.h"

#include "config.h"
#include "formats.h"
#include "latin1.h"
#include "window_chrome.h"
#include "numbers.h"
#include "siglist_texts.h"

#include <QFocusEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

namespace zarn {

namespace {

// Layout in twips: the value in its frame, then Ok and X beside it.
constexpr int kWidthTw = 2400;
constexpr int kHeightTw = 600;
constexpr int kMarginTw = 60;
constexpr int kFrameWidthTw = 1200;
constexpr int kButtonHeightTw = 480;
constexpr int kDoneWidthTw = 540;
constexpr int kCancelWidthTw = 420;

} // namespace

BandwidthDialog::BandwidthDialog(SettingsModel& settings, Prompter& prompter, const QWidget* bar, Steps steps,
                                 QWidget* parent)
    : QWidget(parent), settings_(settings), prompter_(prompter), bar_(bar), steps_(std::move(steps)) {
    setObjectName(QStringLiteral("GridFrm2"));
    setWindowFlag(Qt::Dialog);
    setWindowTitle(QStringLiteral("Default sig BW"));
    setFixedSize(Px(kWidthTw), Px(kHeightTw));

    frame_ = new QFrame(this);
    frame_->setObjectName(QStringLiteral("P_1"));
    frame_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    frame_->setGeometry(Px(kMarginTw), Px(kMarginTw), Px(kFrameWidthTw), Px(kButtonHeightTw));

    value_ = new QLineEdit(frame_);
    value_->setObjectName(QStringLiteral("Value"));
    value_->setFont(ArialFont(10));
    value_->setGeometry(Px(kMarginTw), Px(kMarginTw), Px(kFrameWidthTw - 2 * kMarginTw),
                       Px(kButtonHeightTw - 2 * kMarginTw));
    value_->installEventFilter(this);

    int left = kMarginTw + kFrameWidthTw + kMarginTw;
    cmdDone_ = new QPushButton(QStringLiteral("Ok"), this);
    cmdDone_->setObjectName(QStringLiteral("Cmd_Done"));
    cmdDone_->setGeometry(Px(left), Px(kMarginTw), Px(kDoneWidthTw), Px(kButtonHeightTw));
    left += kDoneWidthTw + kMarginTw;
    cmdCancel_ = new QPushButton(QStringLiteral("X"), this);
    cmdCancel_->setObjectName(QStringLiteral("Cmd_Cancel"));
    cmdCancel_->setGeometry(Px(left), Px(kMarginTw), Px(kCancelWidthTw), Px(kButtonHeightTw));
    connect(cmdDone_, &QPushButton::clicked, this, &BandwidthDialog::Done);
    connect(cmdCancel_, &QPushButton::clicked, this, &BandwidthDialog::Cancel);

    value_->setText(Qs(FormatNumber(settings_.DefaultIfbw() * 1000, "0")));
    // The starting text is what an entry falls back to, even before the field has had the focus,
    // so a rejected entry can never store an empty bandwidth.
    savedText_ = Bytes(value_->text());
    PlaceUnderBar();
}

void BandwidthDialog::PlaceUnderBar() {
    const QWidget* main = bar_;
    if (!main) return;
    const QRect bar = main->frameGeometry();
    const int width = frameGeometry().width();
    move(bar.left() + (bar.width() - width) / 2, bar.top() + bar.height());
}

void BandwidthDialog::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!placed_) {
        placed_ = true;
        PlaceUnderBar(); // now with the window's own frame
    }
    value_->setFocus(Qt::OtherFocusReason);
    value_->selectAll();
}

bool BandwidthDialog::eventFilter(QObject* watched, QEvent* event) {
    if (watched != value_) return QWidget::eventFilter(watched, event);
    // Switching windows or opening the field's context menu is no move of the focus in the dialog.
    if (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut) {
        const Qt::FocusReason why = static_cast<QFocusEvent*>(event)->reason();
        if (why == Qt::ActiveWindowFocusReason || why == Qt::PopupFocusReason)
            return QWidget::eventFilter(watched, event);
    }
    switch (event->type()) {
    case QEvent::FocusIn:
        savedText_ = Bytes(value_->text());
        // After the line edit's own focus handling, which may place the cursor over a selection.
        QTimer::singleShot(0, value_, [v = value_] { v->selectAll(); });
        break;
    case QEvent::FocusOut:
        if (IsNumericText(Bytes(value_->text()))) savedText_ = Bytes(value_->text());
        value_->setText(Qs(savedText_));
        break;
    case QEvent::KeyPress: {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            const std::string text = Bytes(value_->text());
            if (LeadingNumber(text) > 0 && IsNumericText(text)) savedText_ = text;
            value_->setText(Qs(savedText_));
            Done();
            return true;
        }
        if (key == Qt::Key_Escape) {
            value_->setText(Qs(savedText_));
            Cancel();
            return true;
        }
        break;
    }
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

void BandwidthDialog::Done() {
    std::string text = Bytes(value_->text());
    // Leaving the field for Ok undoes a non-numeric entry; the same holds when Ok is reached
    // without the field losing the focus.
    if (!IsNumericText(text)) {
        text = savedText_;
        value_->setText(Qs(text));
    }
    // The dialog is gone once it is closed: only locals from here on.
    Prompter& prompter = prompter_;
    const Steps steps = steps_;
    if (const FileResult r = settings_.SetDefaultIfbw(LeadingNumber(text) / 1000.0, text); !r)
        prompter.Message(sigtext::kReprocessTitle,
                         "The default signal bandwidth could not be stored in the configuration file: " + r.error +
                             ".  It applies until the program ends.",
                         MsgIcon::Exclamation, MsgButtons::Ok);
    close();
    if (!steps.summaryLoaded || !steps.summaryLoaded()) return;
    if (prompter.Message(sigtext::kReprocessTitle, sigtext::kReprocessText, MsgIcon::None, MsgButtons::YesNo) ==
            MsgAnswer::Yes &&
        steps.reprocess)
        steps.reprocess();
}

void BandwidthDialog::Cancel() {
    close();
}

} // namespace zarn
