#include "sig_roll.h"

#include "formats.h"
#include "window_chrome.h"
#include "latin1.h"
#include "menu_items.h"
#include "paths.h"
#include "siglist_files.h"
#include "siglist_texts.h"
#include "textfile.h"

#include <QAction>
#include <QCloseEvent>
#include <QEnterEvent>
#include <QFocusEvent>
#include <QFrame>
#include <QGuiApplication>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

#include <algorithm>

namespace zarn {

namespace {

// Client-area translation of the window sizes: the window is the client plus these twips.
constexpr int kFrameWidthTw = 120;
constexpr int kFrameHeightTw = 930 - 240;
constexpr int kMinWindowWidthTw = 4640;
constexpr int kMinWindowHeightTw = 3300;
constexpr int kDesignPHeightTw = 4905;
// SigRoll32's window is wide enough to show the comments of a typical list without scrolling.
constexpr int kStandaloneWidthTw = 7200;
constexpr int kHelpGapTw = 15;
constexpr int kHelpHeightTw = 225;
constexpr int kPLLeftTw = 90;
constexpr int kPLTopTw = 30;
constexpr int kHeaderHeightTw = 225;
constexpr int kButtonWidthTw = 600;
constexpr int kButtonHeightTw = 330;
constexpr int kBelowMainOverlapTw = 15;

constexpr const char* kColumnHeader = "  Freq                IFBw   Cor  Det  Typ Pri  Lk Comments";
constexpr const char* kInitialCaption = "SIGNAL LIST - [ ]";
// The Transfer button shows one symbol; the original's crosshair glyph came from a symbol font.
constexpr const char16_t* kCrossHairSymbol = u"\u271B";

QLabel* MakeSunkenPanel(QWidget* parent, const char* name) {
    auto* l = new QLabel(parent);
    l->setObjectName(QLatin1String(name));
    l->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    return l;
}

QFont ListFont() {
    QFont f(QStringLiteral("Arial"));
    f.setPointSizeF(8.25);
    return f;
}

QRect AvailableScreen(const QWidget* w) {
    const QScreen* s = w->screen() ? w->screen() : QGuiApplication::primaryScreen();
    return s ? s->availableGeometry() : QRect(0, 0, 1024, 768);
}

// Highlights the marked rows, and only those, with one selection of contiguous runs.
void HighlightRuns(QListView& view, const std::vector<char>& marks) {
    QItemSelection selection;
    const QAbstractItemModel* model = view.model();
    const int n = static_cast<int>(marks.size());
    for (int row = 0; row < n;) {
        if (!marks[static_cast<std::size_t>(row)]) {
            ++row;
            continue;
        }
        const int first = row;
        while (row < n && marks[static_cast<std::size_t>(row)])
            ++row;
        selection.select(model->index(first, 0), model->index(row - 1, 0));
    }
    view.selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
}

} // namespace

SigRoll::SigRoll(Prompter& prompter, SigRollSetup setup, QWidget* parent)
    : QMainWindow(parent), prompter_(prompter), setup_(std::move(setup)) {
    setObjectName(QStringLiteral("SigRoll"));
    setWindowTitle(QLatin1String(kInitialCaption));
    model_ = new SignalListModel(this);
    BuildMenus();
    BuildWindow();
    BuildPanel();
    // Design size: the minimum width (wider in SigRoll32), P as high as designed.
    resize(Px((setup_.standalone ? kStandaloneWidthTw : kMinWindowWidthTw) - kFrameWidthTw),
           Px(kDesignPHeightTw + 240) + menuBar()->sizeHint().height());
}

void SigRoll::BuildMenus() {
    const bool alone = setup_.standalone;
    File = menuBar()->addMenu(QStringLiteral("&File"));
    File->setObjectName(QStringLiteral("File"));
    F_New = MakeAction(File, "F_New", "&New");
    F_Open = MakeAction(File, "F_Open", "&Open...");
    F_Import = MakeAction(File, "F_Import", "&Import...");
    F_SaveAs = MakeAction(File, "F_SaveAs", "Signal List &Filename...");
    F_Space1 = MakeSeparator(File, "F_Space1");
    F_Close = MakeAction(File, "F_Close", alone ? "E&xit" : "&Close");

    // The spaces line the key hints up in the menu font of each program's original; they are text,
    // not shortcuts: the list handles its own keys.
    Tools = menuBar()->addMenu(QStringLiteral("&Tools"));
    Tools->setObjectName(QStringLiteral("Tools"));
    T_Add = MakeAction(Tools, "T_Add", "&Add Data");
    T_Edit =
        MakeAction(Tools, "T_Edit", alone ? "&Edit Data             Enter" : "&Edit Data              Enter");
    T_Delete =
        MakeAction(Tools, "T_Delete", alone ? "&Delete Data         Del" : "&Delete Data          Del");
    T_DeleteAll = MakeAction(Tools, "T_DeleteAll", "De&lete All Data");
    T_CrossHair = MakeAction(Tools, "T_CrossHair", "&Transfer Data");
    T_CrossHair->setEnabled(false);
    T_Space1 = MakeSeparator(Tools, "T_Space1");
    T_Copy = MakeAction(Tools, "T_Copy",
                        alone ? "&Copy                   Ctl+C" : "&Copy                    Ctl+C");
    T_Copy_Freq = MakeAction(Tools, "T_Copy_Freq", "Copy &Freq");
    T_Paste = MakeAction(Tools, "T_Paste",
                         alone ? "&Paste                  Ctl+V" : "&Paste                   Ctl+V");

    connect(F_New, &QAction::triggered, this, &SigRoll::New);
    connect(F_Open, &QAction::triggered, this, &SigRoll::Open);
    connect(F_Import, &QAction::triggered, this, &SigRoll::Import);
    connect(F_SaveAs, &QAction::triggered, this, &SigRoll::SaveAs);
    connect(F_Close, &QAction::triggered, this, &SigRoll::CloseWindow);
    connect(T_Add, &QAction::triggered, this, &SigRoll::Add);
    connect(T_Edit, &QAction::triggered, this, &SigRoll::Edit);
    connect(T_Delete, &QAction::triggered, this, &SigRoll::Delete);
    connect(T_DeleteAll, &QAction::triggered, this, &SigRoll::DeleteAll);
    connect(T_Copy, &QAction::triggered, this, &SigRoll::Copy);
    connect(T_Copy_Freq, &QAction::triggered, this, &SigRoll::CopyFreq);
    connect(T_Paste, &QAction::triggered, this, &SigRoll::Paste);

    if (!alone) return;
    Help = menuBar()->addMenu(QStringLiteral("&Help"));
    Help->setObjectName(QStringLiteral("Help"));
    Help_About = MakeAction(Help, "Help_About", "&About");
    connect(Help_About, &QAction::triggered, this, [this] {
        prompter_.Message("About SigRoll32",
                          "SigRoll32\r\n\r\nKeeps the station's signal list: frequencies with their IF "
                          "bandwidth, COR threshold, detection mode, class, hand-off priority, lockout and "
                          "comment.",
                          MsgIcon::Information, MsgButtons::Ok);
    });
}

void SigRoll::BuildWindow() {
    auto* central = new QWidget(this);
    central->setObjectName(QStringLiteral("Client"));
    setCentralWidget(central);
    central->setMinimumSize(Px(kMinWindowWidthTw - kFrameWidthTw), Px(kMinWindowHeightTw - kFrameHeightTw));
    central->installEventFilter(this);

    P = MakeSunkenPanel(central, "P");
    P_Help = MakeSunkenPanel(central, "P_Help");
    P_Help->setFont(ListFont());
    P_Help->setIndent(Px(45));

    PL = MakeSunkenPanel(P, "PL");
    PL->setText(QLatin1String(kColumnHeader));
    PL->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    PL->setFont(ListFont());

    L_Freq = new QListView(PL);
    L_Freq->setObjectName(QStringLiteral("L_Freq"));
    L_Freq->setModel(model_);
    L_Freq->setUniformItemSizes(true);
    L_Freq->setSelectionMode(QAbstractItemView::ExtendedSelection);
    L_Freq->setEditTriggers(QAbstractItemView::NoEditTriggers);
    L_Freq->setFont(ListFont());
    // A list box has no current entry until the operator picks one; the view would otherwise make
    // the first row current when it gets the focus, and Enter would edit it unasked.
    const auto noCurrent = [this] { L_Freq->setCurrentIndex(QModelIndex()); };
    connect(model_, &QAbstractItemModel::modelReset, this, noCurrent);
    noCurrent();
    QPalette pal = L_Freq->palette();
    const QColor text = setup_.standalone ? QColor(0, 255, 255) : QColor(0, 255, 0);
    for (QPalette::ColorGroup g : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        pal.setColor(g, QPalette::Base, Qt::black);
        pal.setColor(g, QPalette::Text, text);
    }
    // Greyed while the edit panel holds the list.
    pal.setColor(QPalette::Disabled, QPalette::Base, QColor(128, 128, 128));
    L_Freq->setPalette(pal);

    QFont buttonFont(QStringLiteral("Arial"), 12);
    buttonFont.setBold(true);
    struct ButtonDef {
        QPushButton*& button;
        const char* name;
        QString caption;
    };
    const ButtonDef defs[] = {
        {L_Add, "L_Add", QStringLiteral("Add")},
        {L_Edit, "L_Edit", QStringLiteral("Edit")},
        {L_Delete, "L_Delete", QStringLiteral("Del")},
        {L_CrossHair, "L_CrossHair", QString::fromUtf16(kCrossHairSymbol)},
    };
    for (const ButtonDef& d : defs) {
        d.button = new QPushButton(d.caption, P);
        d.button->setObjectName(QLatin1String(d.name));
        d.button->setFont(buttonFont);
        d.button->resize(Px(kButtonWidthTw), Px(kButtonHeightTw));
        d.button->setMouseTracking(true);
        d.button->installEventFilter(this);
    }
    connect(L_Add, &QPushButton::clicked, this, &SigRoll::Add);
    connect(L_Edit, &QPushButton::clicked, this, &SigRoll::Edit);
    connect(L_Delete, &QPushButton::clicked, this, &SigRoll::Delete);

    for (QWidget* w : {static_cast<QWidget*>(P), static_cast<QWidget*>(PL), static_cast<QWidget*>(P_Help),
                       L_Freq->viewport()}) {
        w->setMouseTracking(true);
        w->installEventFilter(this);
    }
    L_Freq->installEventFilter(this);
}

void SigRoll::Load() {
    TempListFile = JoinPath(setup_.folder, kDefaultListName);
    PointerFile = JoinPath(setup_.folder, kPointerFileName);

    const ListFileChoice choice = ChooseListFile(ReadPointerFile(PointerFile), TempListFile);
    SetListFile(choice.path);
    model_->Clear();
    if (choice.createDefault) {
        ReplaceFileAtomically(choice.path, ""); // a failure skips the step, as every load step
    } else {
        model_->Load(choice.path);
    }
    SetCaption();
    WritePointerFile(PointerFile, sigListFileName_); // a failing load step is skipped silently
    FillChoosers();
    CommentSlot = -1;
}

void SigRoll::PlaceUnder(const QWidget& mainWindow) {
    placeUnder_ = &mainWindow;
    placeStandalone_ = false;
    ApplyPlacement();
}

void SigRoll::PlaceStandalone() {
    placeUnder_ = nullptr;
    placeStandalone_ = true;
    ApplyPlacement();
}

void SigRoll::ApplyPlacement() {
    const QRect screen = AvailableScreen(this);
    const int extraW = frameGeometry().width() - geometry().width();
    const int extraH = frameGeometry().height() - geometry().height();
    int top = 0, left = 0, height = 0;
    if (placeUnder_) {
        const QRect mainFrame = placeUnder_->frameGeometry();
        top = mainFrame.top() + mainFrame.height() - Px(kBelowMainOverlapTw);
        left = mainFrame.left() + mainFrame.width() - (width() + extraW);
        height = screen.top() + screen.height() - top;
    } else if (placeStandalone_) {
        top = screen.top();
        left = screen.left();
        height = Px((Tw(screen.height()) / 4) * 3);
    } else {
        return;
    }
    move(left, top);
    resize(width(), std::max(height - extraH, minimumSizeHint().height()));
}

void SigRoll::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    framedPlacement_.Shown(this, [this] { ApplyPlacement(); });
}

int SigRoll::CurrentIndex() const {
    const QModelIndex i = L_Freq->selectionModel()->currentIndex();
    return i.isValid() ? i.row() : -1;
}

void SigRoll::SetCurrent(int index) {
    QItemSelectionModel* sel = L_Freq->selectionModel();
    if (index < 0 || index >= model_->rowCount()) {
        sel->clearCurrentIndex();
        return;
    }
    // Moving the current entry leaves the highlighting alone, as in a multiple-selection list box.
    sel->setCurrentIndex(model_->index(index), QItemSelectionModel::NoUpdate);
    L_Freq->scrollTo(model_->index(index));
}

bool SigRoll::IsHighlighted(int index) const {
    if (index < 0 || index >= model_->rowCount()) return false;
    return L_Freq->selectionModel()->isSelected(model_->index(index));
}

void SigRoll::SetHighlighted(int index, bool on) {
    if (index < 0 || index >= model_->rowCount()) return;
    L_Freq->selectionModel()->select(model_->index(index),
                                     on ? QItemSelectionModel::Select : QItemSelectionModel::Deselect);
}

void SigRoll::UnhighlightAll() {
    L_Freq->selectionModel()->clearSelection();
}

std::vector<int> SigRoll::HighlightedRows() const {
    std::vector<int> rows;
    for (const QItemSelectionRange& r : L_Freq->selectionModel()->selection())
        for (int row = r.top(); row <= r.bottom(); ++row)
            rows.push_back(row);
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

namespace {

void WarnNotWritten(Prompter& prompter, const std::string& path, const std::string& reason) {
    prompter.Message(sigtext::kSaveWarnTitle,
                     sigtext::kSaveWarnText1 + path + "\r\n" + reason + sigtext::kSaveWarnText2,
                     MsgIcon::Exclamation, MsgButtons::Ok);
}

} // namespace

bool SigRoll::SaveList() {
    const FileResult r = SaveSignalFile(sigListFileName_, List());
    if (r) return true;
    WarnNotWritten(prompter_, sigListFileName_, r.error);
    return false;
}

void SigRoll::WarnListFull(const char* command) {
    prompter_.Message(std::string(command) + sigtext::kFullWarnTitleSuffix, sigtext::kFullWarnText,
                      MsgIcon::Exclamation, MsgButtons::Ok);
}

std::string SigRoll::DialogTitle(const char* zarn, const char* standalone) const {
    return setup_.standalone ? standalone : zarn;
}

void SigRoll::New() {
    if (!List().Empty()) {
        const MsgAnswer answer =
            prompter_.Message(sigtext::kNewTitle, sigtext::kNewText1 + TempListFile + sigtext::kNewText2,
                              MsgIcon::Question, MsgButtons::YesNo);
        if (answer != MsgAnswer::Yes) return;
    }
    // The default list is emptied before the window lets go of its entries: when that fails the
    // operator is told and the list and its file stay as they were.
    const FileResult emptied = ReplaceFileAtomically(TempListFile, "");
    if (!emptied) {
        WarnNotWritten(prompter_, TempListFile, emptied.error);
        return;
    }
    SetListFile(TempListFile);
    ClearList();
    SetCaption();
    RewritePointer();
    ReprocessQuestion();
}

std::optional<std::string> SigRoll::ChooseListFileToRead(const char* zarn, const char* standalone) {
    FileDialogRequest request;
    request.name = "Dialog";
    request.title = DialogTitle(zarn, standalone);
    request.filter = sigtext::kSigFilter;
    request.mustExist = true;
    return prompter_.OpenFile(request);
}

void SigRoll::Open() {
    const auto chosen = ChooseListFileToRead(sigtext::kOpenDialog, sigtext::kOpenDialogStandalone);
    if (!chosen) return;
    // A file that cannot be read ends the command before the list is emptied, so the next change is
    // not written over a file the window never showed.
    std::string text;
    if (!ReadFileBytes(*chosen, text)) return;

    SetListFile(*chosen);
    ClearList();
    model_->Merge(text);
    SetCaption();
    L_Freq->setFocus();
    RewritePointer();
    ReprocessQuestion();
}

void SigRoll::Import() {
    const auto chosen = ChooseListFileToRead(sigtext::kImportDialog, sigtext::kImportDialogStandalone);
    if (!chosen) return;

    ClosePanel();
    UnhighlightAll();
    std::string text;
    if (!ReadFileBytes(*chosen, text)) return;

    // The highlighting is kept here and handed to the view in one selection when the operator is to
    // see it: thousands of single-row selections would make every later insertion crawl.
    std::vector<char> marks(static_cast<std::size_t>(List().Count()), 0);
    int current = CurrentIndex();
    const auto show = [&] {
        HighlightRuns(*L_Freq, marks);
        SetCurrent(current);
    };
    const auto at = [&marks](int index) { return marks.begin() + index; };

    LineCursor lines(text);
    std::string_view record;
    while (lines.Next(record)) {
        std::optional<std::string> line = ParseSignalRecordLine(record);
        if (!line) continue; // not a usable frequency: refused, as at load
        const SignalSlot slot = List().FindSignalSlot(EntryFrequency(*line));
        MsgAnswer answer = MsgAnswer::Yes;
        if (slot.conflict) {
            const int c = *slot.conflict;
            marks[static_cast<std::size_t>(c)] = 1;
            show();
            answer = prompter_.Message(sigtext::kImportConfirm, ReplaceQuestion(EntryFreqText(*line)),
                                       MsgIcon::Question, MsgButtons::YesNoCancel);
            if (answer == MsgAnswer::Yes) {
                model_->RemoveAt(c);
                marks.erase(at(c));
                if (current == c)
                    current = -1;
                else if (current > c)
                    --current;
            } else if (answer == MsgAnswer::No) {
                marks[static_cast<std::size_t>(c)] = 0;
            }
        }
        if (answer == MsgAnswer::Cancel) break;
        if (answer != MsgAnswer::Yes) continue;
        const int before = List().Count();
        const std::optional<int> placed = model_->InsertSorted(std::move(*line));
        if (!placed) {
            show();
            WarnListFull("IMPORT");
            break;
        }
        if (List().Count() > before) marks.insert(at(*placed), 0);
        if (slot.slot < List().Count()) {
            current = slot.slot;
            marks[static_cast<std::size_t>(current)] = 1;
        }
    }
    show();

    SaveList();
    L_Freq->setFocus();
    ReprocessQuestion();
}

void SigRoll::SaveAs() {
    FileDialogRequest request;
    request.name = "Dialog";
    request.title = DialogTitle(sigtext::kSaveAsDialog, sigtext::kSaveAsDialogStandalone);
    request.filter = sigtext::kSigFilter;
    request.confirmOverwrite = true;
    const auto chosen = prompter_.SaveFile(request);
    if (!chosen) return;
    const std::string path = ForceSigExtension(*chosen);
    // The current file changes only once the list is in the new one.
    const FileResult r = SaveSignalFile(path, List());
    if (!r) {
        WarnNotWritten(prompter_, path, r.error);
        return;
    }
    SetListFile(path);
    SetCaption();
    RewritePointer();
}

void SigRoll::CloseWindow() {
    if (setup_.standalone)
        close();
    else
        hide();
}

void SigRoll::ClearList() {
    ClosePanel();
    model_->Clear();
    L_Add->setFocus();
}

void SigRoll::ReprocessQuestion() {
    if (setup_.standalone || !setup_.summaryLoaded || !setup_.summaryLoaded()) return;
    const MsgAnswer answer = prompter_.Message(sigtext::kReprocessTitle, sigtext::kReprocessText,
                                               MsgIcon::None, MsgButtons::YesNo);
    if (answer == MsgAnswer::Yes && setup_.reprocess) setup_.reprocess();
}

void SigRoll::SetHelp(const std::string& text) {
    P_Help->setText(Qs(text));
}

void SigRoll::ShowSignalHelp() {
    SetHelp(sigtext::kHelpSignal + FormatNumber(CurrentIndex() + 1, "0000"));
}

bool SigRoll::eventFilter(QObject* watched, QEvent* event) {
    if (PanelEventFilter(watched, event)) return true;
    const QEvent::Type type = event->type();

    if (watched == centralWidget()) {
        if (type == QEvent::Resize) LayoutWindow();
        return false;
    }

    if (watched == L_Freq && type == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const Qt::KeyboardModifiers mods =
            key->modifiers() & (Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier);
        const bool plain = !(mods & (Qt::ControlModifier | Qt::AltModifier));
        switch (key->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (!plain) break;
            Edit();
            return true;
        case Qt::Key_E:
            if (!plain) break;
            Edit();
            return true;
        case Qt::Key_Delete:
        case Qt::Key_D:
            if (!plain) break;
            Delete();
            return true;
        case Qt::Key_A:
            if (!plain) break;
            Add();
            return true;
        case Qt::Key_C:
            if (mods != Qt::ControlModifier) break;
            Copy();
            return true;
        case Qt::Key_V:
            if (mods != Qt::ControlModifier) break;
            Paste();
            return true;
        case Qt::Key_Insert:
            if (mods == Qt::ControlModifier) {
                Copy();
                return true;
            }
            if (mods == Qt::ShiftModifier) {
                Paste();
                return true;
            }
            break;
        default:
            break;
        }
        return false;
    }

    const bool pointer = type == QEvent::MouseMove || type == QEvent::Enter;
    if (!pointer && type != QEvent::FocusIn) return false;

    if (watched == L_Freq || watched == L_Freq->viewport()) {
        if (pointer || watched == L_Freq) ShowSignalHelp();
        return false;
    }
    const struct {
        QPushButton* button;
        const char* text;
    } buttons[] = {{L_Add, sigtext::kHelpAdd},
                   {L_Edit, sigtext::kHelpEdit},
                   {L_Delete, sigtext::kHelpDelete},
                   {L_CrossHair, setup_.standalone ? sigtext::kHelpTransfer : nullptr}};
    for (const auto& b : buttons) {
        if (watched != b.button) continue;
        if (b.text) SetHelp(b.text);
        return false;
    }
    if (pointer && (watched == P || watched == PL || watched == P_Help)) {
        // A pointer move the child under it did not take arrives here too; only the panel's own area
        // shows the file name.
        auto* panel = static_cast<QWidget*>(watched);
        QPoint at;
        if (type == QEvent::MouseMove)
            at = static_cast<QMouseEvent*>(event)->position().toPoint();
        else
            at = static_cast<QEnterEvent*>(event)->position().toPoint();
        const QWidget* child = panel->childAt(at);
        if (child == nullptr || child == PL) {
            SetHelp(sigtext::kHelpFilename + ToLowerAscii(sigListFileName_));
        }
    }
    return false;
}

void SigRoll::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    if (windowState() & Qt::WindowMinimized) return;
    // Smaller than the minimum is set back to it.
    const QSize min = centralWidget()->minimumSize();
    const QSize client = centralWidget()->size();
    if (isVisible() && (client.width() < min.width() || client.height() < min.height()))
        resize(std::max(width(), width() - client.width() + min.width()),
               std::max(height(), height() - client.height() + min.height()));
}

void SigRoll::closeEvent(QCloseEvent* event) {
    // Every change was written through; there is nothing to save on the way out.
    event->accept();
}

void SigRoll::LayoutWindow() {
    if (windowState() & Qt::WindowMinimized) return;
    const QWidget* client = centralWidget();
    const int pW = client->width();
    const int pH = std::max(0, client->height() - Px(kHelpGapTw + kHelpHeightTw));
    P->setGeometry(0, 0, pW, pH);
    const int helpTop = pH + Px(kHelpGapTw);
    P_Help->setGeometry(0, helpTop, pW, std::max(0, client->height() - helpTop));

    const int plW = std::max(0, pW - Px(180));
    int plH = std::max(0, pH - Px(420));
    const int buttonTop = plH + Px(45);
    const int bw = L_Add->width();
    int left = (pW - 4 * bw) / 2;
    for (QPushButton* b : {L_Add, L_Edit, L_Delete, L_CrossHair}) {
        b->move(left, buttonTop);
        left += b->width();
    }
    if (PE) {
        PE->setGeometry(0, pH - PE->height(), pW, PE->height());
        if (PanelOpen()) plH = std::max(0, pH - PE->height() - Px(90));
    }
    PL->setGeometry(Px(kPLLeftTw), Px(kPLTopTw), plW, plH);
    L_Freq->setGeometry(0, Px(kHeaderHeightTw), plW, std::max(0, plH - Px(255)));
    if (PE) LayoutPanel();
}

void SigRoll::SetCaption() {
    setWindowTitle(Qs(SignalListCaption(sigListFileName_)));
}

void SigRoll::RewritePointer() {
    // A pointer left behind would make the next start open another list than the one in use.
    if (const FileResult r = WritePointerFile(PointerFile, sigListFileName_); !r)
        prompter_.Message(sigtext::kSaveWarnTitle,
                          sigtext::kPointerWarnText1 + PointerFile + "\r\n" + r.error +
                              sigtext::kPointerWarnText2,
                          MsgIcon::Exclamation, MsgButtons::Ok);
}

void SigRoll::SetListFile(const std::string& path) {
    sigListFileName_ = path;
    if (setup_.listFileChanged) setup_.listFileChanged(path);
}

} // namespace zarn
