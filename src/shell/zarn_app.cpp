#include "zarn_app.h"

#include "config.h"
#include "help_window.h"
#include "latin1.h"
#include "loading.h"
#include "sig_roll.h"
#include "zarn_aud.h"

#include <QApplication>
#include <QProgressBar>
#include <QScreen>

namespace zarn {

ZarnApp::ZarnApp(Prompter& prompter, std::string currentFolder)
    : prompter_(prompter), currentFolder_(std::move(currentFolder)) {}

ZarnApp::~ZarnApp() {
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

void ZarnApp::UnloadPlayer() {
    state_.PlayerLoaded = false;
}

void ZarnApp::UnloadSummary() {
    state_.SummaryLoaded = false;
    if (main_) main_->Export->setEnabled(false);
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
    if (state_.SigRollShown && sigRoll_) sigRoll_->setVisible(visible);
}

void ZarnApp::Reprocess() {
    UnloadSummary();
    UnloadPlayer();
    // Showing the summary picture again rebuilds it from the event file and the new list; that
    // window arrives with the summary picture.
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
    if (help_) help_->close();
    if (sigRoll_) sigRoll_->close();
    if (main_) main_->close();
    QCoreApplication::quit();
}

} // namespace zarn
