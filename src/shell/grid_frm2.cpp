#include "grid_frm2.h"

#include "config.h"
#include "formats.h"
#include "latin1.h"
#include "numbers.h"
#include "siglist_texts.h"
#include "zarn_app.h"
#include "zarn_aud.h"

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

GridFrm2::GridFrm2(ZarnApp& app, QWidget* parent) : QWidget(parent), app_(app) {
    setObjectName(QStringLiteral("GridFrm2"));
    setWindowFlag(Qt::Dialog);
    setWindowTitle(QStringLiteral("Default sig BW"));
    setFixedSize(Px(kWidthTw), Px(kHeightTw));

    P_1 = new QFrame(this);
    P_1->setObjectName(QStringLiteral("P_1"));
    P_1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    P_1->setGeometry(Px(kMarginTw), Px(kMarginTw), Px(kFrameWidthTw), Px(kButtonHeightTw));

    Value = new QLineEdit(P_1);
    Value->setObjectName(QStringLiteral("Value"));
    Value->setFont(QFont(QStringLiteral("Arial"), 10));
    Value->setGeometry(Px(kMarginTw), Px(kMarginTw), Px(kFrameWidthTw - 2 * kMarginTw),
                       Px(kButtonHeightTw - 2 * kMarginTw));
    Value->installEventFilter(this);

    int left = kMarginTw + kFrameWidthTw + kMarginTw;
    Cmd_Done = new QPushButton(QStringLiteral("Ok"), this);
    Cmd_Done->setObjectName(QStringLiteral("Cmd_Done"));
    Cmd_Done->setGeometry(Px(left), Px(kMarginTw), Px(kDoneWidthTw), Px(kButtonHeightTw));
    left += kDoneWidthTw + kMarginTw;
    Cmd_Cancel = new QPushButton(QStringLiteral("X"), this);
    Cmd_Cancel->setObjectName(QStringLiteral("Cmd_Cancel"));
    Cmd_Cancel->setGeometry(Px(left), Px(kMarginTw), Px(kCancelWidthTw), Px(kButtonHeightTw));
    connect(Cmd_Done, &QPushButton::clicked, this, &GridFrm2::Done);
    connect(Cmd_Cancel, &QPushButton::clicked, this, &GridFrm2::Cancel);

    Value->setText(Qs(FormatNumber(app_.State().DefaultIfbw * 1000, "0")));
    // The starting text is what an entry falls back to, even before the field has had the focus,
    // so a rejected entry can never store an empty bandwidth.
    savedText_ = Bytes(Value->text());
    PlaceUnderMain();
}

void GridFrm2::PlaceUnderMain() {
    const QWidget* main = app_.MainWindow();
    if (!main) return;
    const QRect bar = main->frameGeometry();
    const int width = frameGeometry().width();
    move(bar.left() + (bar.width() - width) / 2, bar.top() + bar.height());
}

void GridFrm2::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!placed_) {
        placed_ = true;
        PlaceUnderMain(); // now with the window's own frame
    }
    Value->setFocus(Qt::OtherFocusReason);
    Value->selectAll();
}

bool GridFrm2::eventFilter(QObject* watched, QEvent* event) {
    if (watched != Value) return QWidget::eventFilter(watched, event);
    // Switching windows or opening the field's context menu is no move of the focus in the dialog.
    if (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut) {
        const Qt::FocusReason why = static_cast<QFocusEvent*>(event)->reason();
        if (why == Qt::ActiveWindowFocusReason || why == Qt::PopupFocusReason)
            return QWidget::eventFilter(watched, event);
    }
    switch (event->type()) {
    case QEvent::FocusIn:
        savedText_ = Bytes(Value->text());
        // After the line edit's own focus handling, which may place the cursor over a selection.
        QTimer::singleShot(0, Value, [v = Value] { v->selectAll(); });
        break;
    case QEvent::FocusOut:
        if (IsNumericText(Bytes(Value->text()))) savedText_ = Bytes(Value->text());
        Value->setText(Qs(savedText_));
        break;
    case QEvent::KeyPress: {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            const std::string text = Bytes(Value->text());
            if (LeadingNumber(text) > 0 && IsNumericText(text)) savedText_ = text;
            Value->setText(Qs(savedText_));
            Done();
            return true;
        }
        if (key == Qt::Key_Escape) {
            Value->setText(Qs(savedText_));
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

void GridFrm2::Done() {
    std::string text = Bytes(Value->text());
    // Leaving the field for Ok undoes a non-numeric entry; the same holds when Ok is reached
    // without the field losing the focus.
    if (!IsNumericText(text)) {
        text = savedText_;
        Value->setText(Qs(text));
    }
    // The dialog is gone once it is closed: only locals from here on.
    ZarnApp& app = app_;
    AppState& s = app.State();
    s.DefaultIfbw = LeadingNumber(text) / 1000.0;
    if (const FileResult r = WriteConfig(s.ProgramFolder, s.WavDisplayOn, text); !r)
        app.Prompts().Message(sigtext::kReprocessTitle,
                              "The default signal bandwidth could not be stored in the configuration file: " +
                                  r.error + ".  It applies until the program ends.",
                              MsgIcon::Exclamation, MsgButtons::Ok);
    close();
    if (!s.SummaryLoaded) return;
    if (app.Prompts().Message(sigtext::kReprocessTitle, sigtext::kReprocessText, MsgIcon::None,
                              MsgButtons::YesNo) == MsgAnswer::Yes)
        app.Reprocess();
}

void GridFrm2::Cancel() {
    close();
}

} // namespace zarn
