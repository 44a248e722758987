#include "zarn_aud.h"

#include "bar_icons.h"
#include "config.h"
#include "export.h"
#include "file_commands.h"
#include "latin1.h"
#include "loading.h"
#include "menu_items.h"
#include "paths.h"
#include "segment_dialog.h"
#include "zarn_app.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>

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

// Open and Delete share one file dialog: event files only, read-only box hidden.
FileDialogRequest EventFileDialog(const char* title) {
    FileDialogRequest request;
    request.name = "CMDialog1";
    request.title = title;
    request.filter = "*.EVA|*.EVA";
    request.mustExist = true;
    return request;
}

} // namespace

Zarn_Aud::Zarn_Aud(ZarnApp& app) : app_(app) {
    setObjectName(QStringLiteral("Zarn_Aud"));
    setWindowTitle(QStringLiteral("ZARN Audio Playback32"));
    BuildMenus();
    BuildBar();
    setMinimumWidth(Px(kMinWidthTw));
    setFixedHeight(Px(kBarHeightTw));
}

void Zarn_Aud::BuildMenus() {
    File = menuBar()->addMenu(QStringLiteral("&File"));
    File->setObjectName(QStringLiteral("File"));
    F_Open = MakeAction(File, "F_Open", QStringLiteral("&Open..."));
    F_Close = MakeAction(File, "F_Close", QStringLiteral("&Close"));
    F_Delete = MakeAction(File, "F_Delete", QStringLiteral("&Delete..."));
    Spacer1 = MakeSeparator(File, "Spacer1");
    Export = MakeAction(File, "Export", QStringLiteral("&Export..."));
    Export->setEnabled(false);
    Spacer2 = MakeSeparator(File, "Spacer2");
    F_Exit = MakeAction(File, "F_Exit", QStringLiteral("E&xit"));

    List = menuBar()->addMenu(QStringLiteral("&List"));
    List->setObjectName(QStringLiteral("List"));
    F_List = MakeAction(List, "F_List", QStringLiteral("&Signal"));

    IFBW = menuBar()->addMenu(QStringLiteral("&Config"));
    IFBW->setObjectName(QStringLiteral("IFBW"));
    IFBW_Default = MakeAction(IFBW, "IFBW_Default", QStringLiteral("&Default sig BW..."));

    Help = menuBar()->addMenu(QStringLiteral("&Help"));
    Help->setObjectName(QStringLiteral("Help"));
    H_Contents = MakeAction(Help, "H_Contents", QStringLiteral("Help &Contents"));
    H_Info = MakeAction(Help, "H_Info", QStringLiteral("&About"));

    connect(F_Open, &QAction::triggered, this, &Zarn_Aud::F_Open_Click);
    connect(F_Close, &QAction::triggered, this, &Zarn_Aud::F_Close_Click);
    connect(F_Delete, &QAction::triggered, this, &Zarn_Aud::F_Delete_Click);
    connect(Export, &QAction::triggered, this, &Zarn_Aud::Export_Click);
    connect(F_Exit, &QAction::triggered, this, &Zarn_Aud::F_Exit_Click);
    connect(F_List, &QAction::triggered, this, &Zarn_Aud::F_List_Click);
    connect(IFBW_Default, &QAction::triggered, this, &Zarn_Aud::IFBW_Default_Click);
    connect(H_Contents, &QAction::triggered, this, &Zarn_Aud::H_Contents_Click);
    connect(H_Info, &QAction::triggered, this, &Zarn_Aud::H_Info_Click);
}

void Zarn_Aud::BuildBar() {
    auto* central = new QWidget(this);
    central->setObjectName(QStringLiteral("Bar"));
    setCentralWidget(central);

    Panel1 = new QFrame(central);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
    auto* buttons = new QHBoxLayout(Panel1);
    buttons->setContentsMargins(Px(45), Px(45), Px(45), Px(45));
    buttons->setSpacing(Px(45));

    struct ButtonDef {
        QPushButton*& button;
        const char* name;
        QIcon (*icon)();
        const char* tip;
        void (Zarn_Aud::*handler)();
    };
    const ButtonDef defs[] = {
        {B_Open, "B_Open", &OpenIcon, "Open... Audio File", &Zarn_Aud::F_Open_Click},
        {B_Close, "B_Close", &CloseIcon, "Close", &Zarn_Aud::F_Close_Click},
        {B_Delete, "B_Delete", &DeleteIcon, "Delete... Audio File", &Zarn_Aud::F_Delete_Click},
        {B_Exit, "B_Exit", &ExitIcon, "Exit", &Zarn_Aud::F_Exit_Click},
    };
    for (const ButtonDef& d : defs) {
        d.button = new QPushButton(Panel1);
        d.button->setObjectName(QLatin1String(d.name));
        d.button->setIcon(d.icon());
        d.button->setIconSize(QSize(Px(330), Px(330)));
        d.button->setToolTip(QLatin1String(d.tip));
        d.button->setFocusPolicy(Qt::NoFocus);
        buttons->addWidget(d.button);
        connect(d.button, &QPushButton::clicked, this, d.handler);
    }

    P_FileName = new QLabel(central);
    P_FileName->setObjectName(QStringLiteral("P_FileName"));
    P_FileName->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    P_FileName->setFont(QFont(QStringLiteral("Arial"), 10));
    P_FileName->setIndent(Px(90));
    P_FileName->setTextInteractionFlags(Qt::TextSelectableByMouse);
}

void Zarn_Aud::LayoutBar() {
    const QWidget* bar = centralWidget();
    const int h = bar->height();
    const int margin = Px(30);
    Panel1->setGeometry(0, margin, Px(kPanelWidthTw), h - 2 * margin);
    const int nameWidth = width() - Panel1->width() - Px(kFileNameGapTw);
    P_FileName->setGeometry(Panel1->width() + Px(kFileNameGapTw) / 2, margin, std::max(0, nameWidth),
                            h - 2 * margin);
}

void Zarn_Aud::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    if (windowState() & (Qt::WindowMinimized | Qt::WindowMaximized)) return;
    // The bar keeps its height and a usable width whatever the operator drags it to.
    if (height() != Px(kBarHeightTw) || width() < Px(kMinWidthTw))
        resize(std::max(width(), Px(kMinWidthTw)), Px(kBarHeightTw));
    LayoutBar();
    app_.SetDependentWindowsVisible(true);
}

void Zarn_Aud::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange) return;
    if (windowState() & Qt::WindowMinimized)
        app_.SetDependentWindowsVisible(false);
    else if (!(windowState() & Qt::WindowMaximized))
        app_.SetDependentWindowsVisible(true);
}

void Zarn_Aud::closeEvent(QCloseEvent* event) {
    if (!app_.Exiting()) {
        app_.HelpQuit();
        app_.Exit();
    }
    event->accept();
}

void Zarn_Aud::ClearOpenFile() {
    AppState& s = app_.State();
    s.EventFileName.clear();
    s.EventFolder.clear();
    P_FileName->clear();
}

void Zarn_Aud::F_Open_Click() {
    const auto chosen = app_.Prompts().OpenFile(EventFileDialog(kOpenTitle));
    if (!chosen) return;
    OpenEventFile(*chosen);
}

void Zarn_Aud::OpenEventFile(const std::string& path) {
    AppState& s = app_.State();
    if (!IsOpenableEventFile(path)) {
        app_.Prompts().Message(std::string("Warning message from: ") + kOpenTitle, "Can not find " + path,
                               MsgIcon::Exclamation, MsgButtons::Ok);
        return;
    }
    s.EventFileName = path;
    s.EventFolder = FolderOf(path);
    P_FileName->setText(Qs(path));
    app_.UnloadPlayer();
    app_.UnloadSummary();

    app_.ShowLoading(" Please Wait...");
    s.OpenBusy = true;
    QCoreApplication::processEvents();
    s.OpenBusy = false;

    Segment dialog(this);
    const QRect bar = frameGeometry();
    const QPoint where(bar.left() + Px(kSegmentLeftTw), bar.top() + bar.height() - Px(kBelowBarOverlapTw));
    SegmentProgress progress;
    progress.percent = [this](int percent) {
        if (loading* l = app_.Loading()) l->SetPercent(percent);
    };
    progress.counted = [this] { app_.UnloadLoading(); };
    s.SelectedSegment = dialog.Load(path, where, progress) ? dialog.Choose() : 0;
    s.Segments = dialog.TakeTable();
    if (s.SelectedSegment < 1) {
        s.SelectedSegment = 0;
        ClearOpenFile();
        return;
    }

    app_.ShowLoading(" Please Wait...");
    QCoreApplication::processEvents();
    // The clip table build takes the progress window down when it is done. Export is offered only
    // when a picture stands: a declined split leaves nothing to export from.
    const bool shown = app_.ShowSummary();
    app_.UnloadLoading();
    Export->setEnabled(shown);
}

void Zarn_Aud::F_Close_Click() {
    AppState& s = app_.State();
    if (s.OpenBusy) return;
    if (s.PlayerLoaded) app_.UnloadPlayer();
    if (s.SummaryLoaded) app_.UnloadSummary();
    app_.HideSignalList();
    ClearOpenFile();
}

void Zarn_Aud::F_Delete_Click() {
    const auto chosen = app_.Prompts().OpenFile(EventFileDialog(kDeleteTitle));
    if (!chosen) return;
    const std::string& path = *chosen;
    const std::string title = std::string("Warning message from: ") + kDeleteTitle;
    if (!IsOpenableEventFile(path)) {
        app_.Prompts().Message(title, "Can not find " + path, MsgIcon::Exclamation, MsgButtons::Ok);
        return;
    }
    if (path == app_.State().EventFileName) {
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

void Zarn_Aud::Export_Click() {
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

    AppState& s = app_.State();
    Overall* summary = app_.Summary();
    if (!summary || !s.SummaryLoaded) return;
    // An empty choice beeps and leaves the last Play's list in place; that list must not be
    // exported instead.
    s.PlayListOnly = true;
    const bool built = summary->BuildPlayList();
    s.PlayListOnly = false;
    if (!built) return;

    ExportInput input;
    const SegmentTable& seg = s.Segments;
    const auto segment = static_cast<std::size_t>(s.SelectedSegment);
    if (segment < seg.start.size()) input.segStart = seg.start[segment];
    if (segment < seg.stop.size()) input.segStop = seg.stop[segment];
    for (int k = 1; k <= s.PlayListCount && static_cast<std::size_t>(k) < s.PlayList.size(); ++k) {
        const int c = s.PlayList[static_cast<std::size_t>(k)];
        if (c >= 1 && c <= s.Table.ClipLine.Count()) input.lines.emplace_back(s.Table.ClipLine[c]);
    }
    if (input.lines.empty()) return;
    input.eventFileName = s.EventFileName;
    input.eventFolder = s.EventFolder;

    if (ExportWouldOverwriteSource(names, input)) {
        warn("The new clips " + ExportClipName(names.base, 1) + "... in " + names.targetFolder +
             " would replace clips of the open file " + s.EventFileName +
             ".  Nothing was written; choose another name or folder.");
        return;
    }
    if (const FileResult r = WriteExport(names, input); !r)
        warn("The export to " + names.targetFile + " failed: " + r.error + ".  No event file was written.");
}

void Zarn_Aud::F_Exit_Click() {
    app_.Exit();
}

void Zarn_Aud::F_List_Click() {
    app_.ShowSignalList();
}

void Zarn_Aud::IFBW_Default_Click() {
    app_.ShowDefaultBandwidth();
}

void Zarn_Aud::H_Contents_Click() {
    app_.HelpContents();
}

void Zarn_Aud::H_Info_Click() {
    app_.Prompts().Message("About ZARN Audio Playback32",
                           "ZARN Audio Playback32\n\nReviews the audio clips a monitoring station has "
                           "recorded: opens an audio event file, draws a segment's summary picture, plays "
                           "clips and keeps the station's signal list.",
                           MsgIcon::Information, MsgButtons::Ok);
}

} // namespace zarn
