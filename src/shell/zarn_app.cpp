#include "zarn_app.h"

#include "config.h"
#include "grid_frm2.h"
#include "help_window.h"
#include "latin1.h"
#include "loading.h"
#include "overall.h"
#include "sig_roll.h"
#include "zarn_aud.h"

#include <QPushButton>

#include <QApplication>
#include <QProgressBar>
#include <QScreen>

namespace zarn {

ZarnApp::ZarnApp(Prompter& prompter, std::string currentFolder)
    : prompter_(prompter), currentFolder_(std::move(currentFolder)) {}

ZarnApp::~ZarnApp() {
    delete player_.data();
    delete gridFrm2_.data();
    delete summary_.data();
    delete help_.data();
    delete sigRoll_.data();
    delete loading_.data();
    delete main_.data();
}

void ZarnApp::StartUp() {
    main_ = new Zarn_Aud(*this);
    // Help setup: the help file's place is fixed beside the program's configuration.
    state_.ProgramFolder = ProgramFolderFrom(currentFolder_);
    state_.HelpFile = HelpFilePath(state_.ProgramFolder);
    if (const QScreen* s = main_->screen()) {
        const QRect r = s->availableGeometry();
        main_->move(r.x(), r.y());
        main_->resize(r.width(), main_->height());
    }
    state_.PlayerLoaded = false;
    state_.SummaryLoaded = false;
    state_.PlayerLeft = -1;
    state_.PlayerTop = -1;
    state_.OpenBusy = false;
    const Settings settings = ReadConfig(state_.ProgramFolder);
    state_.DefaultIfbw = settings.DefaultIfbw;
    state_.WavDisplayOn = settings.WavDisplayOn;
    main_->show();
    SignalList();
}

loading* ZarnApp::ShowLoading(const std::string& caption) {
    if (!loading_) loading_ = new loading;
    loading_->SetActivity(caption);
    loading_->Gauge1->setValue(0);
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
    PlayingHost host;
    host.state = &state_;
    host.prompter = &prompter_;
    host.summary = [this]() -> Overall* { return summary_; };
    host.signalList = [this] { return SignalList(); };
    host.makeWaveControl = MakeWaveControl;
    host.waitMs = PlayerWaitMs;
    host.lockMainWindow = [this](bool locked) {
        if (!main_) return;
        main_->B_Open->setVisible(!locked);
        main_->B_Close->setVisible(!locked);
        main_->F_Open->setEnabled(!locked);
        main_->F_Close->setEnabled(!locked);
    };
    Playing* window = new Playing(std::move(host));
    window->setAttribute(Qt::WA_DeleteOnClose);
    player_ = window;
    window->Load();
}

void ZarnApp::UnloadPlayer() {
    if (Playing* window = player_) {
        player_ = nullptr;
        window->Dispose();
    }
    state_.PlayerLoaded = false;
}

bool ZarnApp::ShowSummary() {
    UnloadSummary();
    OverallHost host;
    host.state = &state_;
    host.prompter = &prompter_;
    host.mainWindow = [this]() -> QWidget* { return main_; };
    host.signalList = [this] { return SignalList(); };
    host.unloadPlayer = [this] { UnloadPlayer(); };
    host.showPlayer = [this] { ShowPlayer(); };
    host.progressActivity = [this](const char* caption) {
        if (loading* l = loading_ ? loading_.data() : ShowLoading(caption)) l->SetActivity(caption);
    };
    host.progressPercent = [this](int percent) {
        if (loading_) loading_->SetPercent(percent);
    };
    host.progressDone = [this] { UnloadLoading(); };
    host.unloaded = [this] {
        state_.SummaryLoaded = false;
        if (main_) main_->Export->setEnabled(false);
    };
    summary_ = new Overall(std::move(host));
    summary_->setAttribute(Qt::WA_DeleteOnClose);
    if (!summary_->Load()) {
        UnloadSummary();
        return false;
    }
    return true;
}

void ZarnApp::UnloadSummary() {
    if (summary_) {
        summary_->close();
        delete summary_.data();
    }
    state_.SummaryLoaded = false;
    if (main_) main_->Export->setEnabled(false);
}

void ZarnApp::ShowDefaultBandwidth() {
    // A dialog that was closed waits for the event loop to delete it; each showing starts afresh.
    if (gridFrm2_ && !gridFrm2_->isVisible()) delete gridFrm2_.data();
    if (!gridFrm2_) {
        gridFrm2_ = new GridFrm2(*this);
        gridFrm2_->setAttribute(Qt::WA_DeleteOnClose);
    }
    gridFrm2_->show();
    gridFrm2_->raise();
    gridFrm2_->activateWindow();
}

SigRoll* ZarnApp::SignalList() {
    if (sigRoll_) return sigRoll_;
    SigRollSetup setup;
    setup.folder = state_.ProgramFolder;
    setup.summaryLoaded = [this] { return state_.SummaryLoaded; };
    setup.reprocess = [this] { Reprocess(); };
    setup.listFileChanged = [this](const std::string& path) { state_.SigListFileName = path; };
    sigRoll_ = new SigRoll(prompter_, std::move(setup));
    sigRoll_->setAttribute(Qt::WA_DeleteOnClose);
    if (main_) sigRoll_->PlaceUnder(*main_);
    sigRoll_->Load();
    return sigRoll_;
}

void ZarnApp::ShowSignalList() {
    state_.SigRollShown = true;
    SigRoll* window = SignalList();
    window->show();
    window->raise();
    window->activateWindow();
}

void ZarnApp::HideSignalList() {
    if (sigRoll_) sigRoll_->hide();
}

void ZarnApp::SetDependentWindowsVisible(bool visible) {
    if (state_.SummaryLoaded && summary_) summary_->setVisible(visible);
    if (state_.SigRollShown && sigRoll_) sigRoll_->setVisible(visible);
    if (state_.PlayerLoaded && player_) player_->setVisible(visible);
}

void ZarnApp::Reprocess() {
    UnloadSummary();
    UnloadPlayer();
    // Showing the summary picture again rebuilds the clip table from the event file, for the same
    // segment, with the new list or bandwidth.
    if (!state_.EventFileName.empty() && state_.SelectedSegment > 0) {
        ShowSummary();
        if (main_) main_->Export->setEnabled(state_.SummaryLoaded);
    }
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
    if (gridFrm2_) gridFrm2_->close();
    if (help_) help_->close();
    if (sigRoll_) sigRoll_->close();
    if (main_) main_->close();
    QCoreApplication::quit();
}

} // namespace zarn
