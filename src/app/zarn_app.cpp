#include "zarn_app.h"

#include "config.h"
#include "latin1.h"
#include "textfile.h"
#include "main_bar.h"

#include <QApplication>
#include <QScreen>

namespace zarn {

ZarnApp::ZarnApp(Prompter& prompter, std::string currentFolder)
    : prompter_(prompter), currentFolder_(std::move(currentFolder)) {}

ZarnApp::~ZarnApp() {
    delete player_.data();
    delete bandwidth_.data();
    delete summary_.data();
    delete help_.data();
    delete signalList_.data();
    delete loading_.data();
    delete main_.data();
}

void ZarnApp::StartUp() {
    main_ = new MainBar(*this);
    if (const QScreen* s = main_->screen()) {
        const QRect r = s->availableGeometry();
        main_->move(r.x(), r.y());
        main_->resize(r.width(), main_->height());
    }
    // The help file's place is fixed beside the program's configuration.
    settings_.Load(ProgramFolderFrom(currentFolder_));
    // A configuration write a crash cut short leaves its temporary beside the file.
    RemoveStaleTemporaries(settings_.ProgramFolder(), {".Ini"});
    main_->show();
    SignalList();
}

ProgressWindow* ZarnApp::ShowLoading(const std::string& caption) {
    if (!loading_) loading_ = new ProgressWindow;
    loading_->SetActivity(caption);
    loading_->Reset();
    loading_->show();
    loading_->raise();
    return loading_;
}

void ZarnApp::UnloadLoading() {
    if (loading_) {
        loading_->close();
        delete loading_.data();
    }
}

void ZarnApp::ShowPlayer() {
    UnloadPlayer();
    PlayerSetup setup;
    setup.signalList = [this]() -> SignalListPort* { return SignalList(); };
    setup.anchor = [this]() -> const QWidget* { return summary_; };
    setup.makeWaveControl = MakeWaveControl;
    setup.waitMs = PlayerWaitMs;
    auto* window = new PlayerWindow(Models(), prompter_, std::move(setup));
    window->setAttribute(Qt::WA_DeleteOnClose);
    player_ = window;
    window->Load();
}

void ZarnApp::UnloadPlayer() {
    if (PlayerWindow* window = player_) {
        player_ = nullptr;
        window->Dispose();
    }
    play_.SetPlayerLoaded(false);
}

bool ZarnApp::ShowSummary() {
    UnloadSummary();
    auto* window = new SummaryWindow(Models(), prompter_, [this]() -> SignalListPort* { return SignalList(); }, main_);
    window->setAttribute(Qt::WA_DeleteOnClose);
    summary_ = window;
    connect(window, &SummaryWindow::playerUnloadRequested, this, &ZarnApp::UnloadPlayer);
    connect(window, &SummaryWindow::playRequested, this, &ZarnApp::ShowPlayer);
    connect(window, &SummaryWindow::loadActivity, this, [this](const char* caption) {
        if (ProgressWindow* l = loading_ ? loading_.data() : ShowLoading(caption)) l->SetActivity(caption);
    });
    connect(window, &SummaryWindow::loadProgress, this, [this](int percent) {
        if (loading_) loading_->SetPercent(percent);
    });
    connect(window, &SummaryWindow::loadDone, this, &ZarnApp::UnloadLoading);
    if (!window->Load()) {
        UnloadSummary();
        return false;
    }
    return true;
}

bool ZarnApp::BuildExportList() {
    if (!summary_ || !recording_.SummaryLoaded()) return false;
    return summary_->BuildPlayList(PlayListUse::Export);
}

void ZarnApp::UnloadSummary() {
    if (summary_) {
        summary_->close();
        delete summary_.data();
    }
    recording_.SetSummaryLoaded(false);
}

void ZarnApp::ShowDefaultBandwidth() {
    // A dialog that was closed waits for the event loop to delete it; each showing starts afresh.
    if (bandwidth_ && !bandwidth_->isVisible()) delete bandwidth_.data();
    if (!bandwidth_) {
        BandwidthDialog::Steps steps;
        steps.summaryLoaded = [this] { return recording_.SummaryLoaded(); };
        steps.reprocess = [this] { Reprocess(); };
        bandwidth_ = new BandwidthDialog(settings_, prompter_, main_, std::move(steps));
        bandwidth_->setAttribute(Qt::WA_DeleteOnClose);
    }
    bandwidth_->show();
    bandwidth_->raise();
    bandwidth_->activateWindow();
}

SignalListWindow* ZarnApp::SignalList() {
    if (signalList_) return signalList_;
    SignalListSetup setup;
    setup.folder = settings_.ProgramFolder();
    setup.summaryLoaded = [this] { return recording_.SummaryLoaded(); };
    setup.reprocess = [this] { Reprocess(); };
    setup.listFileChanged = [this](const std::string& path) { sigListFileName_ = path; };
    signalList_ = new SignalListWindow(prompter_, std::move(setup));
    signalList_->setAttribute(Qt::WA_DeleteOnClose);
    if (main_) signalList_->PlaceUnder(*main_);
    signalList_->Load();
    return signalList_;
}

void ZarnApp::ShowSignalList() {
    signalListShown_ = true;
    SignalListWindow* window = SignalList();
    window->show();
    window->raise();
    window->activateWindow();
}

void ZarnApp::HideSignalList() {
    if (signalList_) signalList_->hide();
}

void ZarnApp::SetDependentWindowsVisible(bool visible) {
    if (recording_.SummaryLoaded() && summary_) summary_->setVisible(visible);
    if (signalListShown_ && signalList_) signalList_->setVisible(visible);
    if (play_.PlayerLoaded() && player_) player_->setVisible(visible);
}

void ZarnApp::Reprocess() {
    UnloadSummary();
    UnloadPlayer();
    // Showing the summary picture again rebuilds the clip table from the event file, for the same
    // segment, with the new list or bandwidth.
    if (!recording_.EventFileName().empty() && recording_.SelectedSegment() > 0) ShowSummary();
}

void ZarnApp::HelpContents() {
    if (!help_) help_ = new HelpWindow;
    help_->show();
    help_->raise();
    help_->activateWindow();
}

void ZarnApp::HelpQuit() {
    if (help_) {
        help_->close();
        delete help_.data();
    }
}

void ZarnApp::Exit() {
    if (exiting_) return;
    exiting_ = true;
    UnloadPlayer();
    UnloadSummary();
    UnloadLoading();
    if (bandwidth_) bandwidth_->close();
    if (help_) help_->close();
    if (signalList_) signalList_->close();
    if (main_) main_->close();
    QCoreApplication::quit();
}

} // namespace zarn
