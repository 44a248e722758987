#include "signal_list_window.h"

#include "signal_edit_panel.h"

#include "formats.h"
#include "latin1.h"
#include "menu_items.h"
#include "numbers.h"
#include "panel_rules.h"
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

// The window is its client area plus its frame and menu bar.
constexpr int kFrameWidthTw = kWindowFrameWidthTw;
constexpr int kFrameHeightTw = kWindowFrameHeightTw + kMenuBarHeightTw;
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
// The Transfer button shows one symbol, a crosshair.
constexpr const char16_t* kCrossHairSymbol = u"\u271B";

// The font of the list, its header and the help line.
QFont ListFont() {
    return ArialFont(8.25);
}

LabelLook Sunken(std::optional<QFont> font = std::nullopt,
                 Qt::Alignment align = Qt::AlignLeft | Qt::AlignVCenter) {
    LabelLook look;
    look.sunken = true;
    look.align = align;
    look.font = std::move(font);
    return look;
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

SignalListWindow::SignalListWindow(Prompter& prompter, SignalListSetup setup, QWidget* parent)
    : QMainWindow(parent), prompter_(prompter), setup_(std::move(setup)) {
    setObjectName(QStringLiteral("SigRoll"));
    setWindowTitle(QLatin1String(kInitialCaption));
    model_ = new SignalListModel(this);
    BuildMenus();
    BuildWindow();
    panel_ = new SignalEditPanel(
        prompter_, JoinPath(setup_.folder, kCommentFileName), *help_, [this] { return CurrentIndex(); }, p_);
    connect(panel_, &SignalEditPanel::accepted, this, &SignalListWindow::AcceptPanel);
    connect(panel_, &SignalEditPanel::closed, this, &SignalListWindow::ClosePanel);
    // Design size: the minimum width (wider in SigRoll32), P as high as designed.
    resize(Px((setup_.standalone ? kStandaloneWidthTw : kMinWindowWidthTw) - kFrameWidthTw),
           Px(kDesignPHeightTw + 240) + menuBar()->sizeHint().height());
}

void SignalListWindow::BuildMenus() {
    BuildFileMenu();
    BuildToolsMenu();
    if (setup_.standalone) BuildHelpMenu();
}

void SignalListWindow::BuildFileMenu() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("File"));
    connect(MakeAction(file, "F_New", "&New"), &QAction::triggered, this, &SignalListWindow::New);
    connect(MakeAction(file, "F_Open", "&Open..."), &QAction::triggered, this, &SignalListWindow::Open);
    connect(MakeAction(file, "F_Import", "&Import..."), &QAction::triggered, this, &SignalListWindow::Import);
    connect(MakeAction(file, "F_SaveAs", "Signal List &Filename..."), &QAction::triggered, this,
            &SignalListWindow::SaveAs);
    MakeSeparator(file, "F_Space1");
    connect(MakeAction(file, "F_Close", setup_.standalone ? "E&xit" : "&Close"), &QAction::triggered, this,
            &SignalListWindow::CloseWindow);
    // Lists of other receiver and SDR programs, below everything the menu has always held.
    MakeSeparator(file, "F_Space2");
    connect(MakeAction(file, "F_ImportOther", "Import Fro&m Other Format..."), &QAction::triggered, this,
            &SignalListWindow::ImportOtherFormat);
    connect(MakeAction(file, "F_ExportOther", "Expor&t To Other Format..."), &QAction::triggered, this,
            &SignalListWindow::ExportOtherFormat);
}

void SignalListWindow::BuildToolsMenu() {
    const bool alone = setup_.standalone;
    tools_ = menuBar()->addMenu(QStringLiteral("&Tools"));
    tools_->setObjectName(QStringLiteral("Tools"));
    const auto item = [this](const char* name, const char* caption, void (SignalListWindow::*command)()) {
        QAction* a = MakeAction(tools_, name, caption);
        if (command) connect(a, &QAction::triggered, this, command);
        return a;
    };
    // The spaces line the key hints up in each program's menu font; they are text, not shortcuts:
    // the list handles its own keys.
    item("T_Add", "&Add Data", &SignalListWindow::Add);
    item("T_Edit", alone ? "&Edit Data             Enter" : "&Edit Data              Enter",
         &SignalListWindow::Edit);
    item("T_Delete", alone ? "&Delete Data         Del" : "&Delete Data          Del",
         &SignalListWindow::Delete);
    item("T_DeleteAll", "De&lete All Data", &SignalListWindow::DeleteAll);
    item("T_CrossHair", "&Transfer Data", nullptr)->setEnabled(false);
    MakeSeparator(tools_, "T_Space1");
    item("T_Copy", alone ? "&Copy                   Ctl+C" : "&Copy                    Ctl+C",
         &SignalListWindow::Copy);
    item("T_Copy_Freq", "Copy &Freq", &SignalListWindow::CopyFreq);
    item("T_Paste", alone ? "&Paste                  Ctl+V" : "&Paste                   Ctl+V",
         &SignalListWindow::Paste);
}

void SignalListWindow::BuildHelpMenu() {
    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    help->setObjectName(QStringLiteral("Help"));
    connect(MakeAction(help, "Help_About", "&About"), &QAction::triggered, this, [this] {
        prompter_.Message("About SigRoll32",
                          "SigRoll32\r\n\r\nKeeps the station's signal list: frequencies with their IF "
                          "bandwidth, COR threshold, detection mode, class, hand-off priority, lockout and "
                          "comment.",
                          MsgIcon::Information, MsgButtons::Ok);
    });
}

void SignalListWindow::BuildWindow() {
    auto* central = new QWidget(this);
    central->setObjectName(QStringLiteral("Client"));
    setCentralWidget(central);
    central->setMinimumSize(Px(kMinWindowWidthTw - kFrameWidthTw), Px(kMinWindowHeightTw - kFrameHeightTw));
    central->installEventFilter(this);

    p_ = MakeLabel(central, "P", QString(), Sunken());
    helpLabel_ = MakeLabel(central, "P_Help", QString(), Sunken(ListFont()));
    helpLabel_->setIndent(Px(45));
    help_ = new HelpLine(helpLabel_);

    pl_ = MakeLabel(p_, "PL", QLatin1String(kColumnHeader), Sunken(ListFont(), Qt::AlignTop | Qt::AlignLeft));
    BuildList(pl_);
    BuildButtons();
    AttachHelp();
}

void SignalListWindow::BuildList(QWidget* parent) {
    list_ = new QListView(parent);
    list_->setObjectName(QStringLiteral("L_Freq"));
    list_->setModel(model_);
    list_->setUniformItemSizes(true);
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list_->setFont(ListFont());
    // A list box has no current entry until the operator picks one; the view would otherwise make
    // the first row current when it gets the focus, and Enter would edit it unasked.
    const auto noCurrent = [this] { list_->setCurrentIndex(QModelIndex()); };
    connect(model_, &QAbstractItemModel::modelReset, this, noCurrent);
    noCurrent();
    QPalette pal = list_->palette();
    const QColor text = setup_.standalone ? QColor(0, 255, 255) : QColor(0, 255, 0);
    for (QPalette::ColorGroup g : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        pal.setColor(g, QPalette::Base, Qt::black);
        pal.setColor(g, QPalette::Text, text);
    }
    // Greyed while the edit panel holds the list.
    pal.setColor(QPalette::Disabled, QPalette::Base, QColor(128, 128, 128));
    list_->setPalette(pal);
}

void SignalListWindow::BuildButtons() {
    const QFont buttonFont = ArialFont(12, true);
    const struct {
        QPushButton*& button;
        const char* name;
        QString caption;
        void (SignalListWindow::*command)();
    } defs[] = {
        {add_, "L_Add", QStringLiteral("Add"), &SignalListWindow::Add},
        {edit_, "L_Edit", QStringLiteral("Edit"), &SignalListWindow::Edit},
        {delete_, "L_Delete", QStringLiteral("Del"), &SignalListWindow::Delete},
        {crossHair_, "L_CrossHair", QString::fromUtf16(kCrossHairSymbol), nullptr},
    };
    for (const auto& d : defs) {
        d.button = new QPushButton(d.caption, p_);
        d.button->setObjectName(QLatin1String(d.name));
        d.button->setFont(buttonFont);
        d.button->resize(Px(kButtonWidthTw), Px(kButtonHeightTw));
        d.button->setMouseTracking(true);
        if (d.command) connect(d.button, &QPushButton::clicked, this, d.command);
    }
}

void SignalListWindow::AttachHelp() {
    constexpr int both = HelpLine::Pointer | HelpLine::Focus;
    help_->Attach(add_, QLatin1String(sigtext::kHelpAdd), both);
    help_->Attach(edit_, QLatin1String(sigtext::kHelpEdit), both);
    help_->Attach(delete_, QLatin1String(sigtext::kHelpDelete), both);
    // The Transfer button explains itself only where it transfers: in SigRoll32.
    if (setup_.standalone) help_->Attach(crossHair_, QLatin1String(sigtext::kHelpTransfer), both);
    const auto signal = [this] { return SignalHelp(); };
    help_->Attach(list_, signal, both);
    // The list's frame shows the signal number when the pointer enters it; moves over the frame alone
    // do not repeat it. A scroll area hands its tracking on to its viewport, so the rows are
    // attached after it to follow the pointer.
    list_->setMouseTracking(false);
    help_->Attach(list_->viewport(), signal, HelpLine::Pointer);
    list_->installEventFilter(this); // its keys
    // Over P, PL and the help line only their own area, not a child under the pointer, shows the file
    // name; the help line's attachments cannot see where the pointer is, so these are filtered here.
    for (QWidget* w :
         {static_cast<QWidget*>(p_), static_cast<QWidget*>(pl_), static_cast<QWidget*>(helpLabel_)}) {
        w->setMouseTracking(true);
        w->installEventFilter(this);
    }
}

void SignalListWindow::Load() {
    tempListFile_ = JoinPath(setup_.folder, kDefaultListName);
    pointerFile_ = JoinPath(setup_.folder, kPointerFileName);

    const ListFileChoice choice = ChooseListFile(ReadPointerFile(pointerFile_), tempListFile_);
    // Replacements a crash cut short leave temporaries beside the lists, the pointer and the comments.
    RemoveStaleTemporaries(setup_.folder, {".SIG", ".~IG", ".Cmt"});
    if (const std::string listFolder = FolderOf(choice.path); !listFolder.empty() && listFolder != setup_.folder + "/")
        RemoveStaleTemporaries(listFolder, {".SIG"});
    SetListFile(choice.path);
    model_->Clear();
    if (choice.createDefault) {
        ReplaceFileAtomically(choice.path, ""); // a failure skips the step, as every load step
    } else {
        model_->Load(choice.path);
    }
    SetCaption();
    WritePointerFile(pointerFile_, sigListFileName_); // a failing load step is skipped silently
    panel_->FillChoosers();
}

void SignalListWindow::PlaceUnder(const QWidget& mainWindow) {
    placeUnder_ = &mainWindow;
    placeStandalone_ = false;
    ApplyPlacement();
}

void SignalListWindow::PlaceStandalone() {
    placeUnder_ = nullptr;
    placeStandalone_ = true;
    ApplyPlacement();
}

void SignalListWindow::ApplyPlacement() {
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

void SignalListWindow::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    framedPlacement_.Shown(this, [this] { ApplyPlacement(); });
}

int SignalListWindow::CurrentIndex() const {
    const QModelIndex i = list_->selectionModel()->currentIndex();
    return i.isValid() ? i.row() : -1;
}

void SignalListWindow::SetCurrent(int index) {
    QItemSelectionModel* sel = list_->selectionModel();
    if (index < 0 || index >= model_->rowCount()) {
        sel->clearCurrentIndex();
        return;
    }
    // Moving the current entry leaves the highlighting alone, as in a multiple-selection list box.
    sel->setCurrentIndex(model_->index(index), QItemSelectionModel::NoUpdate);
    list_->scrollTo(model_->index(index));
}

bool SignalListWindow::IsHighlighted(int index) const {
    if (index < 0 || index >= model_->rowCount()) return false;
    return list_->selectionModel()->isSelected(model_->index(index));
}

void SignalListWindow::SetHighlighted(int index, bool on) {
    if (index < 0 || index >= model_->rowCount()) return;
    list_->selectionModel()->select(model_->index(index),
                                    on ? QItemSelectionModel::Select : QItemSelectionModel::Deselect);
}

void SignalListWindow::UnhighlightAll() {
    list_->selectionModel()->clearSelection();
}

std::vector<int> SignalListWindow::HighlightedRows() const {
    std::vector<int> rows;
    for (const QItemSelectionRange& r : list_->selectionModel()->selection())
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

bool SignalListWindow::SaveList() {
    const FileResult r = SaveSignalFile(sigListFileName_, List());
    if (r) return true;
    WarnNotWritten(prompter_, sigListFileName_, r.error);
    return false;
}

void SignalListWindow::WarnListFull(const char* command) {
    prompter_.Message(std::string(command) + sigtext::kFullWarnTitleSuffix, sigtext::kFullWarnText,
                      MsgIcon::Exclamation, MsgButtons::Ok);
}

std::string SignalListWindow::DialogTitle(const char* zarn, const char* standalone) const {
    return setup_.standalone ? standalone : zarn;
}

void SignalListWindow::New() {
    if (!List().Empty()) {
        const MsgAnswer answer =
            prompter_.Message(sigtext::kNewTitle, sigtext::kNewText1 + tempListFile_ + sigtext::kNewText2,
                              MsgIcon::Question, MsgButtons::YesNo);
        if (answer != MsgAnswer::Yes) return;
    }
    // The default list is emptied before the window lets go of its entries: when that fails the
    // operator is told and the list and its file stay as they were.
    const FileResult emptied = ReplaceFileAtomically(tempListFile_, "");
    if (!emptied) {
        WarnNotWritten(prompter_, tempListFile_, emptied.error);
        return;
    }
    SetListFile(tempListFile_);
    ClearList();
    SetCaption();
    RewritePointer();
    ReprocessQuestion();
}

std::optional<std::string> SignalListWindow::ChooseListFileToRead(const char* zarn, const char* standalone) {
    FileDialogRequest request;
    request.name = "Dialog";
    request.title = DialogTitle(zarn, standalone);
    request.filter = sigtext::kSigFilter;
    request.mustExist = true;
    return prompter_.OpenFile(request);
}

void SignalListWindow::Open() {
    const auto chosen = ChooseListFileToRead(sigtext::kOpenDialog, sigtext::kOpenDialogStandalone);
    if (!chosen) return;
    OpenListFile(*chosen);
}

void SignalListWindow::OpenListFile(const std::string& path) {
    // A file that cannot be read ends the command before the list is emptied, so the next change is
    // not written over a file the window never showed.
    std::string text;
    if (!ReadFileBytes(path, text)) return;

    SetListFile(path);
    ClearList();
    model_->Merge(text);
    SetCaption();
    list_->setFocus();
    RewritePointer();
    ReprocessQuestion();
}

void SignalListWindow::Import() {
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
        HighlightRuns(*list_, marks);
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
    list_->setFocus();
    ReprocessQuestion();
}

void SignalListWindow::SaveAs() {
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

void SignalListWindow::CloseWindow() {
    if (setup_.standalone)
        close();
    else
        hide();
}

void SignalListWindow::ClearList() {
    ClosePanel();
    model_->Clear();
    add_->setFocus();
}

void SignalListWindow::ReprocessQuestion() {
    if (setup_.standalone || !setup_.summaryLoaded || !setup_.summaryLoaded()) return;
    const MsgAnswer answer = prompter_.Message(sigtext::kReprocessTitle, sigtext::kReprocessText,
                                               MsgIcon::None, MsgButtons::YesNo);
    if (answer == MsgAnswer::Yes && setup_.reprocess) setup_.reprocess();
}

bool SignalListWindow::PanelOpen() const {
    return panel_ && !panel_->isHidden();
}

void SignalListWindow::OpenPanel() {
    for (QPushButton* b : {add_, edit_, delete_, crossHair_})
        b->hide();
    list_->setEnabled(false);
    panel_->show();
    panel_->raise();
    tools_->menuAction()->setVisible(false);
    LayoutWindow();
}

void SignalListWindow::ClosePanel() {
    if (!panel_) return;
    tools_->menuAction()->setVisible(true);
    panel_->hide();
    for (QPushButton* b : {add_, edit_, delete_, crossHair_})
        b->show();
    list_->setEnabled(true);
    LayoutWindow();
    list_->setFocus();
}

void SignalListWindow::Add() {
    panel_->StartAdd();
    OpenPanel();
    UnhighlightAll();
    panel_->TakeFocus();
}

void SignalListWindow::Edit() {
    const int current = CurrentIndex();
    if (current < 0 || current >= List().Count() || List().Line(current).empty()) {
        prompter_.Message(sigtext::kEditWarnTitle, sigtext::kEditWarnText, MsgIcon::Exclamation,
                          MsgButtons::Ok);
        return;
    }
    if (HighlightedRows().size() >= 2)
        panel_->StartEditSeveral();
    else
        panel_->StartEdit(List().Line(current));
    OpenPanel();
    panel_->TakeFocus();
}

void SignalListWindow::AcceptPanel() {
    if (!PanelOpen()) return;
    panel_->CheckAllFields();
    if (panel_->CurrentMode() == SignalEditPanel::Mode::EditSeveral) {
        const MultiEdit edit = panel_->SeveralEdit();
        for (int row : HighlightedRows())
            Model().ReplaceAt(row, ApplyMultiEdit(List().Line(row), edit));
    } else {
        const SignalEditPanel::Entry entry = panel_->MadeEntry();
        if (panel_->CurrentMode() == SignalEditPanel::Mode::Add)
            AddPanelEntry(entry.freq, entry.line);
        else
            ReplaceCurrentEntry(entry.freq, entry.line);
    }
    SaveList();
    ClosePanel();
}

SignalListWindow::PanelPlace SignalListWindow::PlacePanelEntry(const char* title, const std::string& freq) {
    PanelPlace place{List().FindSignalSlot(LeadingNumber(freq))};
    if (place.slot.conflict) {
        place.replace = prompter_.Message(title, ReplaceQuestion(freq), MsgIcon::Question,
                                          MsgButtons::YesNo) == MsgAnswer::Yes;
        if (place.replace) Model().RemoveAt(*place.slot.conflict);
    }
    return place;
}

void SignalListWindow::AddPanelEntry(const std::string& freq, const std::string& line) {
    const PanelPlace place = PlacePanelEntry(sigtext::kAddConfirm, freq);
    if (!place.replace) return;
    if (Model().InsertAt(place.slot.slot, line)) {
        SetCurrent(place.slot.slot);
        SetHighlighted(place.slot.slot, true);
    } else {
        WarnListFull("ADD");
    }
}

// The edited entry leaves the list and comes back at its new place; declined, the old line goes back
// where it was.
void SignalListWindow::ReplaceCurrentEntry(const std::string& freq, const std::string& line) {
    const int current = CurrentIndex();
    if (current < 0 || current >= List().Count()) return;
    const std::string old = List().Line(current);
    Model().RemoveAt(current);
    const PanelPlace place = PlacePanelEntry(sigtext::kEditConfirm, freq);
    const int at = place.replace ? place.slot.slot : current;
    Model().InsertAt(at, place.replace ? line : old);
    SetCurrent(at);
    SetHighlighted(at, true);
}

QString SignalListWindow::SignalHelp() const {
    return Qs(sigtext::kHelpSignal + FormatNumber(CurrentIndex() + 1, "0000"));
}

bool SignalListWindow::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (watched == centralWidget()) {
        if (type == QEvent::Resize) LayoutWindow();
        return false;
    }
    if (watched == list_ && type == QEvent::KeyPress) return ListKey(*static_cast<QKeyEvent*>(event));
    const bool framed = watched == p_ || watched == pl_ || watched == helpLabel_;
    if (framed && (type == QEvent::MouseMove || type == QEvent::Enter))
        ShowFilenameUnlessOverChild(static_cast<QWidget*>(watched), event);
    return false;
}

// The list's own keys run the tools.
bool SignalListWindow::ListKey(const QKeyEvent& key) {
    const Qt::KeyboardModifiers mods =
        key.modifiers() & (Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier);
    const bool plain = !(mods & (Qt::ControlModifier | Qt::AltModifier));
    void (SignalListWindow::*command)() = nullptr;
    switch (key.key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_E:
        if (plain) command = &SignalListWindow::Edit;
        break;
    case Qt::Key_Delete:
    case Qt::Key_D:
        if (plain) command = &SignalListWindow::Delete;
        break;
    case Qt::Key_A:
        if (plain) command = &SignalListWindow::Add;
        break;
    case Qt::Key_C:
        if (mods == Qt::ControlModifier) command = &SignalListWindow::Copy;
        break;
    case Qt::Key_V:
        if (mods == Qt::ControlModifier) command = &SignalListWindow::Paste;
        break;
    case Qt::Key_Insert:
        if (mods == Qt::ControlModifier) command = &SignalListWindow::Copy;
        if (mods == Qt::ShiftModifier) command = &SignalListWindow::Paste;
        break;
    default:
        break;
    }
    if (!command) return false;
    (this->*command)();
    return true;
}

// P, PL and the help line show the list's file name. A pointer move the child under it did not take
// arrives at them too; only their own area shows the file name.
void SignalListWindow::ShowFilenameUnlessOverChild(QWidget* panel, QEvent* event) {
    QPoint at;
    if (event->type() == QEvent::MouseMove)
        at = static_cast<QMouseEvent*>(event)->position().toPoint();
    else
        at = static_cast<QEnterEvent*>(event)->position().toPoint();
    const QWidget* child = panel->childAt(at);
    if (child == nullptr || child == pl_)
        help_->Show(Qs(sigtext::kHelpFilename + ToLowerAscii(sigListFileName_)));
}

void SignalListWindow::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    if (windowState() & Qt::WindowMinimized) return;
    // Smaller than the minimum is set back to it.
    const QSize min = centralWidget()->minimumSize();
    const QSize client = centralWidget()->size();
    if (isVisible() && (client.width() < min.width() || client.height() < min.height()))
        resize(std::max(width(), width() - client.width() + min.width()),
               std::max(height(), height() - client.height() + min.height()));
}

void SignalListWindow::closeEvent(QCloseEvent* event) {
    // Every change was written through; there is nothing to save on the way out.
    event->accept();
}

void SignalListWindow::LayoutWindow() {
    if (windowState() & Qt::WindowMinimized) return;
    const QWidget* client = centralWidget();
    const int pW = client->width();
    const int pH = std::max(0, client->height() - Px(kHelpGapTw + kHelpHeightTw));
    p_->setGeometry(0, 0, pW, pH);
    const int helpTop = pH + Px(kHelpGapTw);
    helpLabel_->setGeometry(0, helpTop, pW, std::max(0, client->height() - helpTop));

    const int plW = std::max(0, pW - Px(180));
    int plH = std::max(0, pH - Px(420));
    const int buttonTop = plH + Px(45);
    const int bw = add_->width();
    int left = (pW - 4 * bw) / 2;
    for (QPushButton* b : {add_, edit_, delete_, crossHair_}) {
        b->move(left, buttonTop);
        left += b->width();
    }
    if (panel_) {
        panel_->PlaceAbove(pH, pW);
        if (PanelOpen()) plH = std::max(0, pH - panel_->height() - Px(90));
    }
    pl_->setGeometry(Px(kPLLeftTw), Px(kPLTopTw), plW, plH);
    list_->setGeometry(0, Px(kHeaderHeightTw), plW, std::max(0, plH - Px(255)));
}

void SignalListWindow::SetCaption() {
    setWindowTitle(Qs(SignalListCaption(sigListFileName_)));
}

void SignalListWindow::RewritePointer() {
    // A pointer left behind would make the next start open another list than the one in use.
    if (const FileResult r = WritePointerFile(pointerFile_, sigListFileName_); !r)
        prompter_.Message(sigtext::kSaveWarnTitle,
                          sigtext::kPointerWarnText1 + pointerFile_ + "\r\n" + r.error +
                              sigtext::kPointerWarnText2,
                          MsgIcon::Exclamation, MsgButtons::Ok);
}

void SignalListWindow::SetListFile(const std::string& path) {
    sigListFileName_ = path;
    if (setup_.listFileChanged) setup_.listFileChanged(path);
}

} // namespace zarn
