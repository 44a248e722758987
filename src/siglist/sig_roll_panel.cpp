// The edit/add panel of the signal list window: its fields and their entry rules, and the three
// ways of accepting it (edit one entry, edit several, add).
#include "sig_roll.h"

#include "formats.h"
#include "latin1.h"
#include "numbers.h"
#include "paths.h"
#include "siglist_files.h"
#include "siglist_texts.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include <algorithm>

namespace zarn {

namespace {

constexpr int kPanelHeightTw = 2055;
constexpr int kFieldHeightTw = 315;
constexpr int kLabelHeightTw = 330;
// PE's width at the smallest window (4640 - 120); wider panels hand the extra width to the comment
// row and move the right-hand column along with it.
constexpr int kPanelDesignWidthTw = 4520;

constexpr const char* kAddCaption = "Add Panel...";
constexpr const char* kEditCaption = "Edit Panel...";

constexpr const char* kHelpFreq = "Enter frequency value in MHz";
constexpr const char* kHelpIfbw = "Enter IFBW value in MHz";
constexpr const char* kHelpCor = "ENTER COR value in dB";
constexpr const char* kHelpDet = "Select NEW detection mode";
constexpr const char* kHelpSig[3] = {"Signal Of Interest", "Identified Signal", "Unknown Signal"};
constexpr const char* kHelpPriority = "ENTER Handoff Priority (0 = Highest, 9 = Lowest)";
constexpr const char* kHelpComment = "EDIT or ENTER new comments";
constexpr const char* kHelpOk = "ACCEPT and Exit Edit/Add panel";
constexpr const char* kHelpCancel = "IGNORE and Exit Edit/Add panel";
constexpr const char* kHelpAddPanel = "Add New Signal ...";
constexpr const char* kHelpEditPanel = "Edit Signal# ";

// A small sunken panel that carries a caption at its left and holds its field further right.
QLabel* MakeLabel(QWidget* parent, const char* name, const char* caption) {
    auto* l = new QLabel(QLatin1String(caption), parent);
    l->setObjectName(QLatin1String(name));
    l->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    l->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    l->setFont(EditPanelFont());
    return l;
}

void PaintYellow(QWidget* w) {
    QPalette pal = w->palette();
    for (const auto group : {QPalette::Active, QPalette::Inactive}) {
        pal.setColor(group, QPalette::Base, Qt::yellow);
        pal.setColor(group, QPalette::Button, Qt::yellow);
        pal.setColor(group, QPalette::Window, Qt::yellow);
        pal.setColor(group, QPalette::Text, Qt::black);
        pal.setColor(group, QPalette::ButtonText, Qt::black);
        pal.setColor(group, QPalette::WindowText, Qt::black);
    }
    w->setPalette(pal);
    w->setAutoFillBackground(true);
}

bool IsEnter(int key) {
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

// An entry line is one line: pasted line breaks become spaces.
std::string OneLine(std::string text) {
    std::replace_if(
        text.begin(), text.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
    return text;
}

using FieldCheck = std::optional<std::string> (*)(std::string_view);

// The value a field stands for when the panel is accepted: its own text when valid, else the value it
// started with, else the Add default, so a line built here always keeps its columns.
std::string AcceptedValue(FieldCheck check, const std::string& text, const std::string& start,
                          const std::string& fallback) {
    if (auto v = check(text)) return *v;
    if (auto v = check(start)) return *v;
    return fallback;
}

// The rule of one text field: a valid value is formatted (and with `moveOn` the focus goes to the next
// field); anything else falls back to the field's start value, selected for retyping.
bool CheckPanelField(SigRoll& w, QLineEdit* field, bool moveOn) {
    const std::string text = Bytes(field->text());
    std::optional<std::string> value;
    const std::string* start = nullptr;
    QWidget* next = nullptr;
    if (field == w.P_Freq) {
        value = CheckFreqField(text);
        start = &w.PanelStart.freq;
        next = w.P_Ifbw;
    } else if (field == w.P_Ifbw) {
        value = CheckIfbwField(text);
        start = &w.PanelStart.ifbw;
        next = w.P_Cor;
    } else if (field == w.P_Cor) {
        value = CheckCorField(text);
        start = &w.PanelStart.cor;
        next = w.P_Det;
    } else {
        value = CheckPriorityField(text);
        start = &w.PanelStart.priority;
        if (!w.P_Comment->isHidden()) next = w.P_Comment;
    }
    if (!value) {
        field->setText(Qs(*start));
        field->selectAll();
        return false;
    }
    if (Qs(*value) != field->text()) field->setText(Qs(*value));
    if (moveOn && next) next->setFocus();
    return true;
}

} // namespace

void SigRoll::BuildPanel() {
    PE = new QLabel(P);
    PE->setObjectName(QStringLiteral("PE"));
    PE->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    PE->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    PE->setFont(EditPanelFont());
    PE->setMouseTracking(true);
    PE->resize(Px(kPanelDesignWidthTw), Px(kPanelHeightTw));
    PE->hide();

    Lbl_Frq = MakeLabel(PE, "Lbl_Frq", " Frq:");
    Lbl_Ifbw = MakeLabel(PE, "Lbl_Ifbw", " Ifbw:");
    Lbl_Cor = MakeLabel(PE, "Lbl_Cor", " Cor:");
    Lbl_Det = MakeLabel(PE, "Lbl_Det", " Det:");
    Lbl_Pri = MakeLabel(PE, "Lbl_Pri", " Pri:");
    Lbl_Comment = MakeLabel(PE, "Lbl_Comment", " Comment:");

    auto makeEdit = [this](QWidget* parent, const char* name) {
        auto* e = new QLineEdit(parent);
        e->setObjectName(QLatin1String(name));
        e->setFont(EditPanelFont());
        PaintYellow(e);
        e->installEventFilter(this);
        return e;
    };
    P_Freq = makeEdit(Lbl_Frq, "P_Freq");
    P_Ifbw = makeEdit(Lbl_Ifbw, "P_Ifbw");
    P_Cor = makeEdit(Lbl_Cor, "P_Cor");
    P_Priority = makeEdit(Lbl_Pri, "P_Priority");

    P_Det = new QComboBox(Lbl_Det);
    P_Det->setObjectName(QStringLiteral("P_Det"));
    P_Det->setEditable(false);
    P_Det->setFont(EditPanelFont());
    PaintYellow(P_Det);
    P_Det->installEventFilter(this);

    const char* sigCaptions[3] = {"soi", "ids", "?s"};
    for (int k = 0; k < 3; ++k) {
        auto* r = new QRadioButton(QLatin1String(sigCaptions[k]), PE);
        r->setObjectName(QStringLiteral("P_Sig_%1").arg(k));
        r->setFont(EditPanelFont());
        // All three may be off (several entries edited at once), so exclusivity is kept by hand.
        r->setAutoExclusive(false);
        r->installEventFilter(this);
        P_Sig[static_cast<std::size_t>(k)] = r;
        connect(r, &QRadioButton::toggled, this, [this, k](bool on) {
            if (!on) return;
            for (int j = 0; j < 3; ++j)
                if (j != k) P_Sig[static_cast<std::size_t>(j)]->setChecked(false);
        });
        // A click on the option that is on leaves it on, as option buttons do.
        connect(r, &QRadioButton::clicked, r, [r](bool on) {
            if (!on) r->setChecked(true);
        });
    }

    Chk_Lockout = new QCheckBox(QStringLiteral("Lockout"), PE);
    Chk_Lockout->setObjectName(QStringLiteral("Chk_Lockout"));
    Chk_Lockout->setFont(EditPanelFont());

    P_Comment = new QPlainTextEdit(PE);
    P_Comment->setObjectName(QStringLiteral("P_Comment"));
    P_Comment->setFont(EditPanelFont());
    P_Comment->setTabChangesFocus(true);
    P_Comment->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    PaintYellow(P_Comment);
    P_Comment->installEventFilter(this);
    P_Comment->viewport()->installEventFilter(this);

    Cmb_Comment = new QComboBox(Lbl_Comment);
    Cmb_Comment->setObjectName(QStringLiteral("Cmb_Comment"));
    Cmb_Comment->setEditable(true);
    // Enter stores the text in a slot of our choosing; the combo must not add or complete by itself.
    Cmb_Comment->setInsertPolicy(QComboBox::NoInsert);
    Cmb_Comment->setCompleter(nullptr);
    Cmb_Comment->setFont(EditPanelFont());
    PaintYellow(Cmb_Comment);
    PaintYellow(Cmb_Comment->lineEdit());
    Cmb_Comment->installEventFilter(this);
    Cmb_Comment->lineEdit()->installEventFilter(this);
    connect(Cmb_Comment, &QComboBox::activated, this, [this](int index) { CommentSlot = index; });

    B_OK = new QPushButton(QStringLiteral("Ok"), PE);
    B_OK->setObjectName(QStringLiteral("B_OK"));
    B_Cancel = new QPushButton(QStringLiteral("X"), PE);
    B_Cancel->setObjectName(QStringLiteral("B_Cancel"));
    for (QPushButton* b : {B_OK, B_Cancel}) {
        b->setFont(EditPanelFont());
        b->installEventFilter(this);
    }
    Chk_Lockout->installEventFilter(this);
    PE->installEventFilter(this);

    connect(B_OK, &QPushButton::clicked, this, &SigRoll::AcceptPanel);
    connect(B_Cancel, &QPushButton::clicked, this, &SigRoll::ClosePanel);

    LayoutPanel();
}

void SigRoll::LayoutPanel() {
    if (!PE) return;
    const int extra = std::max(0, PE->width() - Px(kPanelDesignWidthTw));
    auto place = [](QWidget* w, int left, int top, int width, int height) {
        w->setGeometry(Px(left), Px(top), Px(width), Px(height));
    };
    // A field sits in its label, vertically centred.
    auto hold = [](QWidget* field, int left, int width) {
        const int top = (kLabelHeightTw - kFieldHeightTw) / 2;
        field->setGeometry(Px(left), Px(top), Px(width), Px(kFieldHeightTw));
    };
    const int wide = Tw(extra); // the extra width in twips
    // Row 1
    place(Lbl_Frq, 120, 330, 1845, kLabelHeightTw);
    hold(P_Freq, 480, 1365);
    place(Lbl_Ifbw, 2025, 330, 1275, kLabelHeightTw);
    hold(P_Ifbw, 540, 735);
    place(Lbl_Cor, 3360 + wide, 330, 975, kLabelHeightTw);
    hold(P_Cor, 480, 495);
    // Row 2
    place(Lbl_Det, 120, 720, 1275, kLabelHeightTw);
    hold(P_Det, 480, 795);
    place(P_Sig[0], 1560, 720, 525, kFieldHeightTw);
    place(P_Sig[1], 2160, 720, 525, kFieldHeightTw);
    place(P_Sig[2], 2760, 720, 460, kFieldHeightTw);
    place(Lbl_Pri, 3360 + wide, 720, 975, kLabelHeightTw);
    hold(P_Priority, 480, 495);
    // Row 3
    place(P_Comment, 120, 1100, 3075 + wide, 550);
    place(Chk_Lockout, 3360 + wide, 1100, 975, 255);
    // Row 4
    place(Lbl_Comment, 120, 1680, 3075 + wide, kLabelHeightTw);
    hold(Cmb_Comment, 930, 2145 + wide);
    place(B_Cancel, 3215 + wide, 1680, 550, 330);
    place(B_OK, 3800 + wide, 1680, 550, 330);
}

void SigRoll::FillChoosers() {
    P_Det->clear();
    for (const char* mode : kDetectionModes)
        P_Det->addItem(QLatin1String(mode));
    P_Det->setCurrentIndex(-1);

    Cmb_Comment->clear();
    for (const std::string& text : ReadCommentFile(JoinPath(setup_.folder, kCommentFileName)))
        Cmb_Comment->addItem(Qs(text));
    Cmb_Comment->setCurrentIndex(-1);
    Cmb_Comment->clearEditText();
    CommentSlot = -1;
}

bool SigRoll::PanelOpen() const {
    return PE && !PE->isHidden();
}

void SigRoll::FillPanel(const PanelValues& values) {
    P_Freq->setText(Qs(values.freq));
    P_Ifbw->setText(Qs(values.ifbw));
    P_Cor->setText(Qs(values.cor));
    P_Det->setCurrentIndex(values.det >= 1 && values.det <= P_Det->count() ? values.det - 1 : -1);
    for (int k = 0; k < 3; ++k)
        P_Sig[static_cast<std::size_t>(k)]->setChecked(k == values.cls);
    P_Priority->setText(Qs(values.priority));
    P_Comment->setPlainText(Qs(values.comment));
}

void SigRoll::OpenPanel(const char* caption) {
    for (QPushButton* b : {L_Add, L_Edit, L_Delete, L_CrossHair})
        if (b) b->hide();
    L_Freq->setEnabled(false);
    PE->setText(QLatin1String(caption));
    PE->show();
    PE->raise();
    if (Tools) Tools->menuAction()->setVisible(false);
    LayoutWindow();
}

void SigRoll::ClosePanel() {
    if (!PE) return;
    if (Tools) Tools->menuAction()->setVisible(true);
    PE->hide();
    for (QPushButton* b : {L_Add, L_Edit, L_Delete, L_CrossHair})
        if (b) b->show();
    L_Freq->setEnabled(true);
    LayoutWindow();
    L_Freq->setFocus();
}

void SigRoll::Add() {
    PanelStart = PanelStartForAdd();
    FillPanel(PanelStart); // the lockout box keeps its state from the last use
    OpenPanel(kAddCaption);
    UnhighlightAll();
    PanelMode = 2;
    P_Freq->show();
    P_Comment->show();
    for (QRadioButton* r : P_Sig)
        r->show();
    P_Freq->setFocus();
    P_Freq->selectAll();
}

void SigRoll::Edit() {
    const int current = CurrentIndex();
    if (current < 0 || current >= List().Count() || List().Line(current).empty()) {
        prompter_.Message(sigtext::kEditWarnTitle, sigtext::kEditWarnText, MsgIcon::Exclamation,
                          MsgButtons::Ok);
        return;
    }
    PanelMode = HighlightedRows().size() >= 2 ? 1 : 0;
    if (PanelMode == 0) {
        const std::string& line = List().Line(current);
        PanelStart = PanelStartFromLine(line);
        Chk_Lockout->setChecked(EntryLockedOut(line));
    } else {
        PanelStart = PanelStartEmpty();
        Chk_Lockout->setChecked(false);
    }
    FillPanel(PanelStart);
    OpenPanel(kEditCaption);
    const bool one = PanelMode == 0;
    P_Freq->setVisible(one);
    P_Comment->setVisible(one);
    for (QRadioButton* r : P_Sig)
        r->setVisible(one);
    P_Ifbw->setFocus();
    P_Ifbw->selectAll();
}

void SigRoll::AcceptPanel() {
    if (!PanelOpen()) return;
    // A field whose last change was not yet checked (OK pressed without leaving it) is checked now.
    for (QLineEdit* field : {P_Freq, P_Ifbw, P_Cor, P_Priority})
        CheckPanelField(*this, field, false);

    const bool checked[3] = {P_Sig[0]->isChecked(), P_Sig[1]->isChecked(), P_Sig[2]->isChecked()};

    if (PanelMode == 1) {
        MultiEdit edit;
        edit.ifbw = Bytes(P_Ifbw->text());
        edit.cor = Bytes(P_Cor->text());
        edit.det = Bytes(P_Det->currentText());
        edit.priority = Bytes(P_Priority->text());
        edit.lockout = Chk_Lockout->isChecked();
        for (int row : HighlightedRows())
            Model().ReplaceAt(row, ApplyMultiEdit(List().Line(row), edit));
        SaveList();
        ClosePanel();
        return;
    }

    const PanelValues defaults = PanelStartForAdd();
    const std::string freq =
        AcceptedValue(&CheckFreqField, Bytes(P_Freq->text()), PanelStart.freq, defaults.freq);
    const std::string ifbw =
        AcceptedValue(&CheckIfbwField, Bytes(P_Ifbw->text()), PanelStart.ifbw, defaults.ifbw);
    const std::string cor = AcceptedValue(&CheckCorField, Bytes(P_Cor->text()), PanelStart.cor, defaults.cor);
    const std::string priority =
        AcceptedValue(&CheckPriorityField, Bytes(P_Priority->text()), PanelStart.priority, defaults.priority);
    std::string det = Bytes(P_Det->currentText());
    if (det.size() != 3) det = kDetectionModes[0];
    // No class option on cannot come from the panel's own rules; an unknown signal is the safe reading.
    const SignalClass cls = checked[0]   ? SignalClass::Soi
                            : checked[1] ? SignalClass::Ids
                                         : SignalClass::Unknown;
    const std::string line = MakeEntryLine(freq, ifbw, cor, det, cls, priority, Chk_Lockout->isChecked(),
                                           OneLine(Bytes(P_Comment->toPlainText())));
    const double mhz = LeadingNumber(freq);

    if (PanelMode == 2) {
        bool yes = true;
        const SignalSlot slot = List().FindSignalSlot(mhz);
        if (slot.conflict) {
            yes = prompter_.Message(sigtext::kAddConfirm, ReplaceQuestion(freq), MsgIcon::Question,
                                    MsgButtons::YesNo) == MsgAnswer::Yes;
            if (yes) Model().RemoveAt(*slot.conflict);
        }
        if (yes) {
            if (Model().InsertAt(slot.slot, line)) {
                SetCurrent(slot.slot);
                SetHighlighted(slot.slot, true);
            } else {
                WarnListFull("ADD");
            }
        }
    } else {
        const int current = CurrentIndex();
        if (current >= 0 && current < List().Count()) {
            const std::string old = List().Line(current);
            Model().RemoveAt(current);
            bool yes = true;
            const SignalSlot slot = List().FindSignalSlot(mhz);
            if (slot.conflict) {
                yes = prompter_.Message(sigtext::kEditConfirm, ReplaceQuestion(freq), MsgIcon::Question,
                                        MsgButtons::YesNo) == MsgAnswer::Yes;
                if (yes) Model().RemoveAt(*slot.conflict);
            }
            const int at = yes ? slot.slot : current;
            Model().InsertAt(at, yes ? line : old);
            SetCurrent(at);
            SetHighlighted(at, true);
        }
    }
    SaveList();
    ClosePanel();
}

void SigRoll::StoreComment() {
    const QString text = Cmb_Comment->currentText();
    P_Comment->setPlainText(text);
    std::vector<std::string> texts;
    for (int i = 0; i < Cmb_Comment->count(); ++i)
        texts.push_back(Bytes(Cmb_Comment->itemText(i)));
    const int slot = CommentStoreSlot(texts, CommentSlot);
    CommentSlot = -1;
    if (slot < 0 || slot >= static_cast<int>(texts.size())) return;
    texts[static_cast<std::size_t>(slot)] = Bytes(text);
    Cmb_Comment->setItemText(slot, text);
    Cmb_Comment->setEditText(text);
    // The chooser keeps the text even when the file cannot be written; the operator is told, since
    // the text would be gone at the next load.
    const std::string path = JoinPath(setup_.folder, kCommentFileName);
    if (const FileResult r = WriteCommentFile(path, texts); !r)
        prompter_.Message(sigtext::kCommentWarnTitle,
                          sigtext::kCommentWarnText1 + path + "\r\n" + r.error + sigtext::kCommentWarnText2,
                          MsgIcon::Exclamation, MsgButtons::Ok);
}

bool SigRoll::PanelEventFilter(QObject* watched, QEvent* event) {
    // Until the last of its controls exists the panel is still being built.
    if (!B_Cancel || !Chk_Lockout || !watched->isWidgetType()) return false;
    auto* w = static_cast<QWidget*>(watched);
    if (w == P_Comment->viewport()) w = P_Comment;
    const bool isTextField = w == P_Freq || w == P_Ifbw || w == P_Cor || w == P_Priority;
    const QEvent::Type type = event->type();

    // Help line
    if (type == QEvent::FocusIn || type == QEvent::Enter || type == QEvent::MouseMove) {
        const char* help = nullptr;
        if (w == P_Freq)
            help = kHelpFreq;
        else if (w == P_Ifbw)
            help = kHelpIfbw;
        else if (w == P_Cor)
            help = kHelpCor;
        else if (w == P_Priority)
            help = kHelpPriority;
        else if (w == P_Comment)
            help = kHelpComment;
        else if (w == B_OK)
            help = kHelpOk;
        else if (w == B_Cancel)
            help = kHelpCancel;
        else if (w == P_Det && type == QEvent::FocusIn)
            help = kHelpDet;
        for (int k = 0; k < 3; ++k)
            if (w == P_Sig[static_cast<std::size_t>(k)]) help = kHelpSig[k];
        if (help) {
            SetHelp(help);
        } else if (w == PE && type != QEvent::FocusIn) {
            if (PE->text() == QLatin1String(kEditCaption))
                SetHelp(kHelpEditPanel + FormatNumber(CurrentIndex() + 1, "0000"));
            else
                SetHelp(kHelpAddPanel);
        }
    }

    // Text fields select their whole text on getting the focus and on a double click. A click that
    // brought the focus would move the cursor after us, so the selection is made once it is done.
    if ((isTextField || w == P_Comment) && (type == QEvent::FocusIn || type == QEvent::MouseButtonDblClick)) {
        auto selectAll = [w] {
            if (auto* e = qobject_cast<QLineEdit*>(w))
                e->selectAll();
            else if (auto* c = qobject_cast<QPlainTextEdit*>(w))
                c->selectAll();
        };
        selectAll();
        QTimer::singleShot(0, w, selectAll);
        if (type == QEvent::MouseButtonDblClick) return true;
    }

    if (isTextField && type == QEvent::FocusOut && PanelOpen()) {
        CheckPanelField(*this, static_cast<QLineEdit*>(w), false);
        return false;
    }

    if (type != QEvent::KeyPress) return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    const int k = key->key();

    if (w == Cmb_Comment || w == Cmb_Comment->lineEdit()) {
        if (!IsEnter(k) || Cmb_Comment->view()->isVisible()) return false;
        StoreComment();
        return true;
    }

    const int sig = w == P_Sig[0] ? 0 : w == P_Sig[1] ? 1 : w == P_Sig[2] ? 2 : -1;
    const bool escapes = isTextField || w == P_Det || w == P_Comment || sig >= 0;
    if (escapes && k == Qt::Key_Escape) {
        ClosePanel();
        return true;
    }

    if (isTextField) {
        if (!IsEnter(k)) return false;
        CheckPanelField(*this, static_cast<QLineEdit*>(w), true);
        return true;
    }
    if (w == P_Det) {
        if (P_Det->view()->isVisible()) return false;
        if (IsEnter(k)) {
            if (PanelStart.cls >= 0 && PanelStart.cls < 3) {
                QRadioButton* target = P_Sig[static_cast<std::size_t>(PanelStart.cls)];
                if (!target->isHidden()) target->setFocus();
            }
            return true;
        }
        if (k == Qt::Key_Backspace) {
            P_Det->setCurrentIndex(
                PanelStart.det >= 1 && PanelStart.det <= P_Det->count() ? PanelStart.det - 1 : -1);
            return true;
        }
        return false;
    }
    if (sig >= 0) {
        if (IsEnter(k)) {
            if (PanelMode == 1)
                AcceptPanel();
            else
                P_Priority->setFocus();
            return true;
        }
        if (k == Qt::Key_Backspace) {
            if (PanelStart.cls >= 0 && PanelStart.cls < 3)
                P_Sig[static_cast<std::size_t>(PanelStart.cls)]->setChecked(true);
            else
                P_Sig[static_cast<std::size_t>(sig)]->setChecked(false);
            return true;
        }
        return false;
    }
    if (w == P_Comment) {
        if (IsEnter(k)) {
            AcceptPanel();
            return true;
        }
        if (key->text() == QStringLiteral(",")) {
            P_Comment->insertPlainText(QStringLiteral(";"));
            return true;
        }
    }
    return false;
}

} // namespace zarn
