#include "main_bar.h"

#include "bar_icons.h"
#include "config.h"
#include "export.h"
#include "file_commands.h"
#include "latin1.h"
#include "progress_window.h"
#include "menu_items.h"
#include "paths.h"
#include "textfile.h"
#include "user_preferences.h"
#include "segment_dialog.h"
#include "window_chrome.h"
#include "zarn_app.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QSettings>
#include <QTimer>
#include <QUrl>

#include <optional>

namespace zarn {

namespace {

constexpr int kBarHeightTw = 1080;
constexpr int kMinWidthTw = 4000;
constexpr int kPanelWidthTw = 1920;
constexpr int kFileNameGapTw = 420;
constexpr int kSegmentLeftTw = 1980;
constexpr int kBelowBarOverlapTw = 15;

constexpr const char* kOpenTitle = "Open... Audio File";
constexpr const char* kDeleteTitle = "Delete... Audio File";
constexpr const char* kExportTitle = "Export... Audio File Name";

constexpr const char* kRecentFilesKey = "RecentFiles";

std::vector<std::string> ReadRecentFiles() {
    const QSettings prefs = UserPreferences();
    std::vector<std::string> list;
    for (const QString& path : prefs.value(QLatin1String(kRecentFilesKey)).toStringList())
        list.push_back(Bytes(path));
    return CleanRecentFiles(list);
}

// A list that cannot be stored still serves until the program ends; the station's files are not
// concerned, so nothing is said.
void StoreRecentFiles(const std::vector<std::string>& list) {
    QSettings prefs = UserPreferences();
    QStringList paths;
    for (const std::string& path : list)
        paths << Qs(path);
    prefs.setValue(QLatin1String(kRecentFilesKey), paths);
}

// The local event file of a drop: one file, named *.EVA in any case; anything else is not taken.
std::optional<std::string> DroppedEventFile(const QMimeData* data) {
    if (!data || !data->hasUrls()) return std::nullopt;
    const QList<QUrl> urls = data->urls();
    if (urls.size() != 1 || !urls.front().isLocalFile()) return std::nullopt;
    const std::string path = Bytes(urls.front().toLocalFile());
    if (!HasEventFileName(path)) return std::nullopt;
    return path;
}

// Open and Delete share one file dialog: event files only, read-only box hidden. A typed name that
// does not exist comes back to the command, which tells the operator under its own title.
FileDialogRequest EventFileDialog(const char* title) {
    FileDialogRequest request;
    request.name = "CMDialog1";
    request.title = title;
    request.filter = "*.EVA|*.EVA";
    return request;
}

} // namespace

MainBar::MainBar(ZarnApp& app) : app_(app) {
    setObjectName(QStringLiteral("Zarn_Aud"));
    setWindowTitle(QStringLiteral("ZARN Audio Playback32"));
    BuildMenus();
    BuildBar();
    setMinimumWidth(Px(kMinWidthTw));
    setFixedHeight(Px(kBarHeightTw));

    const zarn::Models models = app_.Models();
    connect(&models.recording, &RecordingModel::fileChanged, this,
            [this, &recording = models.recording] { fileName_->setText(Qs(recording.EventFileName())); });
    // Export is offered while a picture stands: a declined split leaves nothing to export from.
    connect(&models.recording, &RecordingModel::summaryLoadedChanged, export_, &QAction::setEnabled);
    connect(&models.play, &PlayModel::lockChanged, this, &MainBar::SetPlayerLock);
    setAcceptDrops(true);
}

// While the player plays, Open and Close are held.
void MainBar::SetPlayerLock(bool locked) {
    bOpen_->setVisible(!locked);
    bClose_->setVisible(!locked);
    fOpen_->setEnabled(!locked);
    fClose_->setEnabled(!locked);
    // The recent files are Open too.
    for (QAction* a : recent_)
        a->setEnabled(!locked);
}

void MainBar::BuildMenus() {
    fileMenu_ = menuBar()->addMenu(QStringLiteral("&File"));
    fileMenu_->setObjectName(QStringLiteral("File"));
    fOpen_ = MakeAction(fileMenu_, "F_Open", QStringLiteral("&Open..."));
    fClose_ = MakeAction(fileMenu_, "F_Close", QStringLiteral("&Close"));
    fDelete_ = MakeAction(fileMenu_, "F_Delete", QStringLiteral("&Delete..."));
    spacer1_ = MakeSeparator(fileMenu_, "Spacer1");
    export_ = MakeAction(fileMenu_, "Export", QStringLiteral("&Export..."));
    export_->setEnabled(false);
    spacer2_ = MakeSeparator(fileMenu_, "Spacer2");
    fExit_ = MakeAction(fileMenu_, "F_Exit", QStringLiteral("E&xit"));

    listMenu_ = menuBar()->addMenu(QStringLiteral("&List"));
    listMenu_->setObjectName(QStringLiteral("List"));
    fList_ = MakeAction(listMenu_, "F_List", QStringLiteral("&Signal"));

    ifbwMenu_ = menuBar()->addMenu(QStringLiteral("&Config"));
    ifbwMenu_->setObjectName(QStringLiteral("IFBW"));
    ifbwDefault_ = MakeAction(ifbwMenu_, "IFBW_Default", QStringLiteral("&Default sig BW..."));

    helpMenu_ = menuBar()->addMenu(QStringLiteral("&Help"));
    helpMenu_->setObjectName(QStringLiteral("Help"));
    hContents_ = MakeAction(helpMenu_, "H_Contents", QStringLiteral("Help &Contents"));
    hInfo_ = MakeAction(helpMenu_, "H_Info", QStringLiteral("&About"));

    connect(fOpen_, &QAction::triggered, this, &MainBar::F_Open_Click);
    connect(fClose_, &QAction::triggered, this, &MainBar::F_Close_Click);
    connect(fDelete_, &QAction::triggered, this, &MainBar::F_Delete_Click);
    connect(export_, &QAction::triggered, this, &MainBar::Export_Click);
    connect(fExit_, &QAction::triggered, this, &MainBar::F_Exit_Click);
    connect(fList_, &QAction::triggered, this, &MainBar::F_List_Click);
    connect(ifbwDefault_, &QAction::triggered, this, &MainBar::IFBW_Default_Click);
    connect(hContents_, &QAction::triggered, this, &MainBar::H_Contents_Click);
    connect(hInfo_, &QAction::triggered, this, &MainBar::H_Info_Click);
    BuildRecentFiles();
}

// The recent files follow every item of the File menu, after a separator of their own. The items
// are made once and put into the menu as the list needs them, so the list may change while one of
// them is being handled.
void MainBar::BuildRecentFiles() {
    recentSpacer_ = new QAction(this);
    recentSpacer_->setObjectName(QStringLiteral("F_RecentSpacer"));
    recentSpacer_->setSeparator(true);
    for (std::size_t i = 0; i < recent_.size(); ++i) {
        recent_[i] = new QAction(this);
        recent_[i]->setObjectName(QStringLiteral("F_Recent_%1").arg(i + 1));
        connect(recent_[i], &QAction::triggered, this, [this, i] { F_Recent_Click(i); });
    }
    recentFiles_ = ReadRecentFiles();
    ShowRecentFiles();
}

void MainBar::ShowRecentFiles() {
    fileMenu_->removeAction(recentSpacer_);
    for (QAction* a : recent_)
        fileMenu_->removeAction(a);
    if (recentFiles_.empty()) return;
    fileMenu_->addAction(recentSpacer_);
    for (std::size_t i = 0; i < recentFiles_.size(); ++i) {
        recent_[i]->setText(Qs(RecentFileCaption(i, recentFiles_[i])));
        fileMenu_->addAction(recent_[i]);
    }
}

void MainBar::SetRecentFiles(std::vector<std::string> list) {
    recentFiles_ = std::move(list);
    StoreRecentFiles(recentFiles_);
    ShowRecentFiles();
}

void MainBar::F_Recent_Click(std::size_t index) {
    if (index >= recentFiles_.size()) return;
    const std::string path = recentFiles_[index];
    // Another program of the station may have changed the list meanwhile: start from what is stored.
    if (!IsOpenableEventFile(path)) SetRecentFiles(RemoveRecentFile(ReadRecentFiles(), path));
    OpenEventFile(path);
}

void MainBar::dragEnterEvent(QDragEnterEvent* event) {
    if (fOpen_->isEnabled() && DroppedEventFile(event->mimeData())) event->acceptProposedAction();
}

void MainBar::dropEvent(QDropEvent* event) {
    const std::optional<std::string> path = DroppedEventFile(event->mimeData());
    if (!fOpen_->isEnabled() || !path) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    // The Open steps hold a modal dialog: run them once the drop is over, so the program the file
    // was dragged from is not kept waiting for the operator's segment choice.
    QTimer::singleShot(0, this, [this, p = *path] {
        if (fOpen_->isEnabled()) OpenEventFile(p);
    });
}

void MainBar::BuildBar() {
    auto* central = new QWidget(this);
    central->setObjectName(QStringLiteral("Bar"));
    setCentralWidget(central);

    panel1_ = new QFrame(central);
    panel1_->setObjectName(QStringLiteral("Panel1"));
    panel1_->setFrameStyle(QFrame::Panel | QFrame::Raised);
    auto* buttons = new QHBoxLayout(panel1_);
    buttons->setContentsMargins(Px(45), Px(45), Px(45), Px(45));
    buttons->setSpacing(Px(45));

    struct ButtonDef {
        QPushButton*& button;
        const char* name;
        QIcon (*icon)();
        const char* tip;
        void (MainBar::*handler)();
    };
    const ButtonDef defs[] = {
        {bOpen_, "B_Open", &OpenIcon, "Open... Audio File", &MainBar::F_Open_Click},
        {bClose_, "B_Close", &CloseIcon, "Close", &MainBar::F_Close_Click},
        {bDelete_, "B_Delete", &DeleteIcon, "Delete... Audio File", &MainBar::F_Delete_Click},
        {bExit_, "B_Exit", &ExitIcon, "Exit", &MainBar::F_Exit_Click},
    };
    for (const ButtonDef& d : defs) {
        d.button = new QPushButton(panel1_);
        d.button->setObjectName(QLatin1String(d.name));
        d.button->setIcon(d.icon());
        d.button->setIconSize(QSize(Px(330), Px(330)));
        d.button->setToolTip(QLatin1String(d.tip));
        d.button->setFocusPolicy(Qt::NoFocus);
        buttons->addWidget(d.button);
        connect(d.button, &QPushButton::clicked, this, d.handler);
    }

    fileName_ = MakeLabel(central, "P_FileName", QString(), LabelLook().Sunken().Font(ArialFont(10)));
    fileName_->setIndent(Px(90));
    fileName_->setTextInteractionFlags(Qt::TextSelectableByMouse);
}

void MainBar::LayoutBar() {
    const QWidget* bar = centralWidget();
    const int h = bar->height();
    const int margin = Px(30);
    panel1_->setGeometry(0, margin, Px(kPanelWidthTw), h - 2 * margin);
    const int nameWidth = width() - panel1_->width() - Px(kFileNameGapTw);
    fileName_->setGeometry(panel1_->width() + Px(kFileNameGapTw) / 2, margin, std::max(0, nameWidth),
                            h - 2 * margin);
}

void MainBar::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    if (windowState() & (Qt::WindowMinimized | Qt::WindowMaximized)) return;
    // The bar keeps its height and a usable width whatever the operator drags it to.
    if (height() != Px(kBarHeightTw) || width() < Px(kMinWidthTw))
        resize(std::max(width(), Px(kMinWidthTw)), Px(kBarHeightTw));
    LayoutBar();
    app_.SetDependentWindowsVisible(true);
}

void MainBar::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange) return;
    if (windowState() & Qt::WindowMinimized)
        app_.SetDependentWindowsVisible(false);
    else if (!(windowState() & Qt::WindowMaximized))
        app_.SetDependentWindowsVisible(true);
}

void MainBar::closeEvent(QCloseEvent* event) {
    if (!app_.Exiting()) {
        app_.HelpQuit();
        app_.Exit();
    }
    event->accept();
}

void MainBar::ClearOpenFile() {
    app_.Models().recording.SetEventFile({}, {});
}

void MainBar::F_Open_Click() {
    const auto chosen = app_.Prompts().OpenFile(EventFileDialog(kOpenTitle));
    if (!chosen) return;
    OpenEventFile(*chosen);
}

void MainBar::OpenEventFile(const std::string& path) {
    RecordingModel& r = app_.Models().recording;
    if (!IsOpenableEventFile(path)) {
        app_.Prompts().Message(std::string("Warning message from: ") + kOpenTitle, "Can not find " + path,
                               MsgIcon::Exclamation, MsgButtons::Ok);
        return;
    }
    r.SetEventFile(path, FolderOf(path));
    // A split a crash cut short leaves temporaries beside the event file and its backup.
    RemoveStaleTemporaries(r.EventFolder(), {".EVA", ".SAV"});
    app_.UnloadPlayer();
    app_.UnloadSummary();

    app_.ShowLoading(" Please Wait...");
    r.SetOpenBusy(true);
    QCoreApplication::processEvents();
    r.SetOpenBusy(false);

    SegmentDialog dialog(this);
    const QRect bar = frameGeometry();
    const QPoint where(bar.left() + Px(kSegmentLeftTw), bar.top() + bar.height() - Px(kBelowBarOverlapTw));
    SegmentProgress progress;
    progress.percent = [this](int percent) {
        if (ProgressWindow* l = app_.Loading()) l->SetPercent(percent);
    };
    progress.counted = [this] { app_.UnloadLoading(); };
    const int chosen = dialog.Load(path, where, progress) ? dialog.Choose() : 0;
    r.SetSelectedSegment(std::max(chosen, 0));
    r.SetSegments(dialog.TakeTable());
    if (chosen < 1) {
        ClearOpenFile();
        return;
    }
    SetRecentFiles(AddRecentFile(ReadRecentFiles(), path));

    app_.ShowLoading(" Please Wait...");
    QCoreApplication::processEvents();
    // The clip table build takes the progress window down when it is done.
    app_.ShowSummary();
    app_.UnloadLoading();
}

void MainBar::F_Close_Click() {
    const zarn::Models models = app_.Models();
    if (models.recording.OpenBusy()) return;
    if (models.play.PlayerLoaded()) app_.UnloadPlayer();
    if (models.recording.SummaryLoaded()) app_.UnloadSummary();
    app_.HideSignalList();
    ClearOpenFile();
}

void MainBar::F_Delete_Click() {
    const auto chosen = app_.Prompts().OpenFile(EventFileDialog(kDeleteTitle));
    if (!chosen) return;
    const std::string& path = *chosen;
    const std::string title = std::string("Warning message from: ") + kDeleteTitle;
    if (!IsOpenableEventFile(path)) {
        app_.Prompts().Message(title, "Can not find " + path, MsgIcon::Exclamation, MsgButtons::Ok);
        return;
    }
    if (path == app_.Models().recording.EventFileName()) {
        app_.Prompts().Message(title,
                               "Can not delete the file that is currently in used.  Please close this file "
                               "before executing a DELETE command.",
                               MsgIcon::Exclamation, MsgButtons::Ok);
        return;
    }
    const MsgAnswer answer =
        app_.Prompts().Message(std::string("Confirmation from: ") + kDeleteTitle,
                               path + " and its associated audio data files will be deleted.  Are you sure?",
                               MsgIcon::Question, MsgButtons::YesNo);
    if (answer != MsgAnswer::Yes) return;
    // What was deleted stays deleted; a failure is told, or the operator would take the files for gone.
    if (!DeleteEventFileAndClips(path))
        app_.Prompts().Message(title,
                               path + " or one of its associated audio data files could not be deleted.",
                               MsgIcon::Exclamation, MsgButtons::Ok);
}

void MainBar::Export_Click() {
    FileDialogRequest request;
    request.name = "CMDialog2";
    request.title = kExportTitle;
    request.filter = "*.EVA|*.EVA";
    const auto chosen = app_.Prompts().OpenFile(request);
    if (!chosen) return;
    const std::string warning = std::string("Warning message from: ") + kExportTitle;
    auto warn = [&](const std::string& text) {
        app_.Prompts().Message(warning, text, MsgIcon::Exclamation, MsgButtons::Ok);
    };
    const ExportNames names = ExportNamesOf(*chosen);
    if (!names.ok) {
        warn(*chosen + " gives no file name to export to.  Nothing was written.");
        return;
    }
    if (FileExists(names.targetFile) &&
        app_.Prompts().Message(kExportTitle, "File " + names.targetFile + " already exists, ok to overwrite?",
                               MsgIcon::Question, MsgButtons::OkCancel) != MsgAnswer::Ok)
        return;

    // An empty choice beeps and leaves the last Play's list in place; that list must not be
    // exported instead.
    if (!app_.BuildExportList()) return;
    const zarn::Models models = app_.Models();
    const RecordingModel& r = models.recording;
    const PlayModel& play = models.play;

    ExportInput input;
    input.segStart = r.SegmentStart();
    input.segStop = r.SegmentStop();
    const std::vector<int>& list = play.PlayList();
    for (std::size_t k = 1; k < list.size(); ++k) {
        const int c = list[k];
        if (c >= 1 && c <= r.Table().ClipLine.Count()) input.lines.emplace_back(r.Table().ClipLine[c]);
    }
    if (input.lines.empty()) return;
    input.eventFileName = r.EventFileName();
    input.eventFolder = r.EventFolder();

    if (ExportWouldOverwriteSource(names, input)) {
        warn("The new clips " + ExportClipName(names.base, 1) + "... in " + names.targetFolder +
             " would replace clips of the open file " + r.EventFileName() +
             ".  Nothing was written; choose another name or folder.");
        return;
    }
    if (const FileResult r = WriteExport(names, input); !r)
        warn("The export to " + names.targetFile + " failed: " + r.error + ".  No event file was written.");
}

void MainBar::F_Exit_Click() {
    app_.Exit();
}

void MainBar::F_List_Click() {
    app_.ShowSignalList();
}

void MainBar::IFBW_Default_Click() {
    app_.ShowDefaultBandwidth();
}

void MainBar::H_Contents_Click() {
    app_.HelpContents();
}

void MainBar::H_Info_Click() {
    app_.Prompts().Message("About ZARN Audio Playback32",
                           "ZARN Audio Playback32\n\nReviews the audio clips a monitoring station has "
                           "recorded: opens an audio event file, draws a segment's summary picture, plays "
                           "clips and keeps the station's signal list.",
                           MsgIcon::Information, MsgButtons::Ok);
}

} // namespace zarn
