#include "signal_edit_panel.h"

#include "formats.h"
#include "latin1.h"
#include "numbers.h"
#include "siglist_files.h"
#include "siglist_texts.h"

#include <QAbstractItemView>
#include <QAbstractScrollArea>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
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
// The panel's width at the smallest window (4640 - 120); wider panels hand the extra width to the
// comment row and move the right-hand column along with it.
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

QLabel* FieldLabel(QWidget* parent, const char* name, const char* caption) {
    LabelLook look;
    look.sunken = true;
    look.font = EditPanelFont();
    return MakeLabel(parent, name, QLatin1String(caption), look);
}

// The panel's fields put their help up when the pointer enters them, not on every move over them, so
// attaching leaves their pointer tracking as it was; a scroll area hands its tracking on to its
// viewport, whose own is kept too.
void AttachHelp(HelpLine& help, QWidget* control, std::function<QString()> text, int triggers) {
    auto* area = qobject_cast<QAbstractScrollArea*>(control);
    const bool tracking = control->hasMouseTracking();
    const bool viewportTracking = area && area->viewport()->hasMouseTracking();
    help.Attach(control, std::move(text), triggers);
    control->setMouseTracking(tracking);
    if (area) area->viewport()->setMouseTracking(viewportTracking);
}

void AttachHelp(HelpLine& help, QWidget* control, const char* text, int triggers) {
    AttachHelp(
        help, control, [text] { return QLatin1String(text); }, triggers);
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

int DetectionRow(int det, int count) {
    return det >= 1 && det <= count ? det - 1 : -1;
}

} // namespace

SignalEditPanel::SignalEditPanel(Prompter& prompter, std::string commentFile, HelpLine& help,
                                 std::function<int()> currentEntry, QWidget* parent)
    : QLabel(parent), prompter_(prompter), commentFile_(std::move(commentFile)), help_(help),
      currentEntry_(std::move(currentEntry)) {
    setObjectName(QStringLiteral("PE"));
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setFont(EditPanelFont());
    setMouseTracking(true);
    resize(Px(kPanelDesignWidthTw), Px(kPanelHeightTw));
    hide();

    BuildFields();
    BuildClassOptions();
    BuildCommentRow();
    AttachHelpTexts();
    connect(ok_, &QPushButton::clicked, this, &SignalEditPanel::accepted);
    connect(cancel_, &QPushButton::clicked, this, &SignalEditPanel::closed);
    LayOut();
}

void SignalEditPanel::BuildFields() {
    lblFrq_ = FieldLabel(this, "Lbl_Frq", " Frq:");
    lblIfbw_ = FieldLabel(this, "Lbl_Ifbw", " Ifbw:");
    lblCor_ = FieldLabel(this, "Lbl_Cor", " Cor:");
    lblDet_ = FieldLabel(this, "Lbl_Det", " Det:");
    lblPri_ = FieldLabel(this, "Lbl_Pri", " Pri:");
    lblComment_ = FieldLabel(this, "Lbl_Comment", " Comment:");

    auto makeEdit = [this](QWidget* parent, const char* name) {
        auto* e = new QLineEdit(parent);
        e->setObjectName(QLatin1String(name));
        e->setFont(EditPanelFont());
        PaintYellow(e);
        e->installEventFilter(this);
        return e;
    };
    freq_ = makeEdit(lblFrq_, "P_Freq");
    ifbw_ = makeEdit(lblIfbw_, "P_Ifbw");
    cor_ = makeEdit(lblCor_, "P_Cor");
    priority_ = makeEdit(lblPri_, "P_Priority");

    det_ = new QComboBox(lblDet_);
    det_->setObjectName(QStringLiteral("P_Det"));
    det_->setEditable(false);
    det_->setFont(EditPanelFont());
    PaintYellow(det_);
    det_->installEventFilter(this);
}

void SignalEditPanel::BuildClassOptions() {
    const char* sigCaptions[3] = {"soi", "ids", "?s"};
    for (int k = 0; k < 3; ++k) {
        auto* r = new QRadioButton(QLatin1String(sigCaptions[k]), this);
        r->setObjectName(QStringLiteral("P_Sig_%1").arg(k));
        r->setFont(EditPanelFont());
        // All three may be off (several entries edited at once), so exclusivity is kept by hand.
        r->setAutoExclusive(false);
        r->installEventFilter(this);
        sig_[static_cast<std::size_t>(k)] = r;
        connect(r, &QRadioButton::toggled, this, [this, k](bool on) {
            if (!on) return;
            for (int j = 0; j < 3; ++j)
                if (j != k) sig_[static_cast<std::size_t>(j)]->setChecked(false);
        });
        // A click on the option that is on leaves it on, as option buttons do.
        connect(r, &QRadioButton::clicked, r, [r](bool on) {
            if (!on) r->setChecked(true);
        });
    }
}

void SignalEditPanel::BuildCommentRow() {
    lockout_ = new QCheckBox(QStringLiteral("Lockout"), this);
    lockout_->setObjectName(QStringLiteral("Chk_Lockout"));
    lockout_->setFont(EditPanelFont());

    comment_ = new QPlainTextEdit(this);
    comment_->setObjectName(QStringLiteral("P_Comment"));
    comment_->setFont(EditPanelFont());
    comment_->setTabChangesFocus(true);
    comment_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    PaintYellow(comment_);
    comment_->installEventFilter(this);
    comment_->viewport()->installEventFilter(this);

    chooser_ = new QComboBox(lblComment_);
    chooser_->setObjectName(QStringLiteral("Cmb_Comment"));
    chooser_->setEditable(true);
    // Enter stores the text in a slot of our choosing; the combo must not add or complete by itself.
    chooser_->setInsertPolicy(QComboBox::NoInsert);
    chooser_->setCompleter(nullptr);
    chooser_->setFont(EditPanelFont());
    PaintYellow(chooser_);
    PaintYellow(chooser_->lineEdit());
    chooser_->installEventFilter(this);
    chooser_->lineEdit()->installEventFilter(this);
    connect(chooser_, &QComboBox::activated, this, [this](int index) { commentSlot_ = index; });

    ok_ = new QPushButton(QStringLiteral("Ok"), this);
    ok_->setObjectName(QStringLiteral("B_OK"));
    cancel_ = new QPushButton(QStringLiteral("X"), this);
    cancel_->setObjectName(QStringLiteral("B_Cancel"));
    for (QPushButton* b : {ok_, cancel_})
        b->setFont(EditPanelFont());
}

void SignalEditPanel::AttachHelpTexts() {
    constexpr int both = HelpLine::Pointer | HelpLine::Focus;
    const std::pair<QWidget*, const char*> texts[] = {
        {freq_, kHelpFreq},       {ifbw_, kHelpIfbw},
        {cor_, kHelpCor},         {priority_, kHelpPriority},
        {comment_, kHelpComment}, {comment_->viewport(), kHelpComment},
        {ok_, kHelpOk},           {cancel_, kHelpCancel},
        {sig_[0], kHelpSig[0]},   {sig_[1], kHelpSig[1]},
        {sig_[2], kHelpSig[2]},
    };
    for (const auto& [control, text] : texts)
        AttachHelp(help_, control, text, both);
    // The detection chooser explains itself only when it takes the focus.
    AttachHelp(help_, det_, kHelpDet, HelpLine::Focus);
    AttachHelp(
        help_, this,
        [this] {
            if (text() == QLatin1String(kEditCaption))
                return Qs(kHelpEditPanel + FormatNumber(currentEntry_() + 1, "0000"));
            return QString(QLatin1String(kHelpAddPanel));
        },
        HelpLine::Pointer);
}

void SignalEditPanel::PlaceAbove(int bottom, int width) {
    setGeometry(0, bottom - height(), width, height());
    LayOut();
}

void SignalEditPanel::LayOut() {
    const int extra = std::max(0, width() - Px(kPanelDesignWidthTw));
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
    place(lblFrq_, 120, 330, 1845, kLabelHeightTw);
    hold(freq_, 480, 1365);
    place(lblIfbw_, 2025, 330, 1275, kLabelHeightTw);
    hold(ifbw_, 540, 735);
    place(lblCor_, 3360 + wide, 330, 975, kLabelHeightTw);
    hold(cor_, 480, 495);
    // Row 2
    place(lblDet_, 120, 720, 1275, kLabelHeightTw);
    hold(det_, 480, 795);
    place(sig_[0], 1560, 720, 525, kFieldHeightTw);
    place(sig_[1], 2160, 720, 525, kFieldHeightTw);
    place(sig_[2], 2760, 720, 460, kFieldHeightTw);
    place(lblPri_, 3360 + wide, 720, 975, kLabelHeightTw);
    hold(priority_, 480, 495);
    // Row 3
    place(comment_, 120, 1100, 3075 + wide, 550);
    place(lockout_, 3360 + wide, 1100, 975, 255);
    // Row 4
    place(lblComment_, 120, 1680, 3075 + wide, kLabelHeightTw);
    hold(chooser_, 930, 2145 + wide);
    place(cancel_, 3215 + wide, 1680, 550, 330);
    place(ok_, 3800 + wide, 1680, 550, 330);
}

void SignalEditPanel::FillChoosers() {
    det_->clear();
    for (const char* mode : kDetectionModes)
        det_->addItem(QLatin1String(mode));
    det_->setCurrentIndex(-1);

    chooser_->clear();
    for (const std::string& text : ReadCommentFile(commentFile_))
        chooser_->addItem(Qs(text));
    chooser_->setCurrentIndex(-1);
    chooser_->clearEditText();
    commentSlot_ = -1;
}

void SignalEditPanel::Fill(const PanelValues& values) {
    freq_->setText(Qs(values.freq));
    ifbw_->setText(Qs(values.ifbw));
    cor_->setText(Qs(values.cor));
    det_->setCurrentIndex(DetectionRow(values.det, det_->count()));
    for (int k = 0; k < 3; ++k)
        sig_[static_cast<std::size_t>(k)]->setChecked(k == values.cls);
    priority_->setText(Qs(values.priority));
    comment_->setPlainText(Qs(values.comment));
}

void SignalEditPanel::ShowEntryFields(bool on) {
    freq_->setVisible(on);
    comment_->setVisible(on);
    for (QRadioButton* r : sig_)
        r->setVisible(on);
}

void SignalEditPanel::StartAdd() {
    start_ = PanelStartForAdd();
    Fill(start_); // the lockout box keeps its state from the last use
    setText(QLatin1String(kAddCaption));
    mode_ = Mode::Add;
    ShowEntryFields(true);
}

void SignalEditPanel::StartEdit(const std::string& line) {
    mode_ = Mode::EditOne;
    start_ = PanelStartFromLine(line);
    lockout_->setChecked(EntryLockedOut(line));
    Fill(start_);
    setText(QLatin1String(kEditCaption));
    ShowEntryFields(true);
}

void SignalEditPanel::StartEditSeveral() {
    mode_ = Mode::EditSeveral;
    start_ = PanelStartEmpty();
    lockout_->setChecked(false);
    Fill(start_);
    setText(QLatin1String(kEditCaption));
    ShowEntryFields(false);
}

void SignalEditPanel::TakeFocus() {
    QLineEdit* first = mode_ == Mode::Add ? freq_ : ifbw_;
    first->setFocus();
    first->selectAll();
}

// The rule of one text field: a valid value is formatted (and with `moveOn` the focus goes to the next
// field); anything else falls back to the field's start value, selected for retyping.
bool SignalEditPanel::CheckField(QLineEdit* field, bool moveOn) {
    const std::string text = Bytes(field->text());
    std::optional<std::string> value;
    const std::string* start = nullptr;
    QWidget* next = nullptr;
    if (field == freq_) {
        value = CheckFreqField(text);
        start = &start_.freq;
        next = ifbw_;
    } else if (field == ifbw_) {
        value = CheckIfbwField(text);
        start = &start_.ifbw;
        next = cor_;
    } else if (field == cor_) {
        value = CheckCorField(text);
        start = &start_.cor;
        next = det_;
    } else {
        value = CheckPriorityField(text);
        start = &start_.priority;
        if (!comment_->isHidden()) next = comment_;
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

void SignalEditPanel::CheckAllFields() {
    for (QLineEdit* field : {freq_, ifbw_, cor_, priority_})
        CheckField(field, false);
}

MultiEdit SignalEditPanel::SeveralEdit() const {
    MultiEdit edit;
    edit.ifbw = Bytes(ifbw_->text());
    edit.cor = Bytes(cor_->text());
    edit.det = Bytes(det_->currentText());
    edit.priority = Bytes(priority_->text());
    edit.lockout = lockout_->isChecked();
    return edit;
}

SignalEditPanel::Entry SignalEditPanel::MadeEntry() const {
    const PanelValues defaults = PanelStartForAdd();
    Entry entry;
    entry.freq = AcceptedValue(&CheckFreqField, Bytes(freq_->text()), start_.freq, defaults.freq);
    const std::string ifbw = AcceptedValue(&CheckIfbwField, Bytes(ifbw_->text()), start_.ifbw, defaults.ifbw);
    const std::string cor = AcceptedValue(&CheckCorField, Bytes(cor_->text()), start_.cor, defaults.cor);
    const std::string priority =
        AcceptedValue(&CheckPriorityField, Bytes(priority_->text()), start_.priority, defaults.priority);
    std::string det = Bytes(det_->currentText());
    if (det.size() != 3) det = kDetectionModes[0];
    // No class option on cannot come from the panel's own rules; an unknown signal is the safe reading.
    const SignalClass cls = sig_[0]->isChecked()   ? SignalClass::Soi
                            : sig_[1]->isChecked() ? SignalClass::Ids
                                                   : SignalClass::Unknown;
    entry.line = MakeEntryLine(entry.freq, ifbw, cor, det, cls, priority, lockout_->isChecked(),
                               OneLine(Bytes(comment_->toPlainText())));
    return entry;
}

void SignalEditPanel::StoreComment() {
    const QString text = chooser_->currentText();
    comment_->setPlainText(text);
    std::vector<std::string> texts;
    for (int i = 0; i < chooser_->count(); ++i)
        texts.push_back(Bytes(chooser_->itemText(i)));
    const int slot = CommentStoreSlot(texts, commentSlot_);
    commentSlot_ = -1;
    if (slot < 0 || slot >= static_cast<int>(texts.size())) return;
    texts[static_cast<std::size_t>(slot)] = Bytes(text);
    chooser_->setItemText(slot, text);
    chooser_->setEditText(text);
    // The chooser keeps the text even when the file cannot be written; the operator is told, since
    // the text would be gone at the next load.
    if (const FileResult r = WriteCommentFile(commentFile_, texts); !r)
        prompter_.Message(sigtext::kCommentWarnTitle,
                          sigtext::kCommentWarnText1 + commentFile_ + "\r\n" + r.error +
                              sigtext::kCommentWarnText2,
                          MsgIcon::Exclamation, MsgButtons::Ok);
}

bool SignalEditPanel::eventFilter(QObject* watched, QEvent* event) {
    auto* w = static_cast<QWidget*>(watched); // only widgets are watched
    if (w == comment_->viewport()) w = comment_;
    auto* field =
        w == freq_ || w == ifbw_ || w == cor_ || w == priority_ ? static_cast<QLineEdit*>(w) : nullptr;
    const QEvent::Type type = event->type();

    if ((field || w == comment_) && (type == QEvent::FocusIn || type == QEvent::MouseButtonDblClick)) {
        SelectOnFocus(w);
        return type == QEvent::MouseButtonDblClick;
    }
    if (field && type == QEvent::FocusOut && !isHidden()) {
        CheckField(field, false);
        return false;
    }
    if (type != QEvent::KeyPress) return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    const int k = key->key();

    if (w == chooser_ || w == chooser_->lineEdit()) return ChooserKey(k);
    const int sig = w == sig_[0] ? 0 : w == sig_[1] ? 1 : w == sig_[2] ? 2 : -1;
    if (k == Qt::Key_Escape && (field || w == det_ || w == comment_ || sig >= 0)) {
        emit closed();
        return true;
    }
    if (field) return TextFieldKey(field, k);
    if (w == det_) return DetectionKey(k);
    if (sig >= 0) return ClassKey(sig, k);
    if (w == comment_) return CommentKey(*key);
    return false;
}

// Text fields select their whole text on getting the focus and on a double click. A click that brought
// the focus would move the cursor after us, so the selection is made once more when it is done.
void SignalEditPanel::SelectOnFocus(QWidget* w) {
    auto selectAll = [w] {
        if (auto* e = qobject_cast<QLineEdit*>(w))
            e->selectAll();
        else if (auto* c = qobject_cast<QPlainTextEdit*>(w))
            c->selectAll();
    };
    selectAll();
    QTimer::singleShot(0, w, selectAll);
}

bool SignalEditPanel::ChooserKey(int key) {
    if (!IsEnter(key) || chooser_->view()->isVisible()) return false;
    StoreComment();
    return true;
}

bool SignalEditPanel::TextFieldKey(QLineEdit* field, int key) {
    if (!IsEnter(key)) return false;
    CheckField(field, true);
    return true;
}

bool SignalEditPanel::DetectionKey(int key) {
    if (det_->view()->isVisible()) return false;
    if (IsEnter(key)) {
        if (start_.cls >= 0 && start_.cls < 3) {
            QRadioButton* target = sig_[static_cast<std::size_t>(start_.cls)];
            if (!target->isHidden()) target->setFocus();
        }
        return true;
    }
    if (key == Qt::Key_Backspace) {
        det_->setCurrentIndex(DetectionRow(start_.det, det_->count()));
        return true;
    }
    return false;
}

bool SignalEditPanel::ClassKey(int option, int key) {
    if (IsEnter(key)) {
        if (mode_ == Mode::EditSeveral)
            emit accepted();
        else
            priority_->setFocus();
        return true;
    }
    if (key == Qt::Key_Backspace) {
        if (start_.cls >= 0 && start_.cls < 3)
            sig_[static_cast<std::size_t>(start_.cls)]->setChecked(true);
        else
            sig_[static_cast<std::size_t>(option)]->setChecked(false);
        return true;
    }
    return false;
}

bool SignalEditPanel::CommentKey(const QKeyEvent& key) {
    if (IsEnter(key.key())) {
        emit accepted();
        return true;
    }
    if (key.text() == QStringLiteral(",")) {
        comment_->insertPlainText(QStringLiteral(";"));
        return true;
    }
    return false;
}

} // namespace zarn
