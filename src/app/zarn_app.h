// The application object of Zarn_zed32: owns the shared models and the loaded windows, and is the
// one place that knows every window and connects them.
#pragma once

#include "bandwidth_dialog.h"
#include "help_window.h"
#include "models.h"
#include "player_window.h"
#include "progress_window.h"
#include "prompter.h"
#include "signal_list_window.h"
#include "summary_window.h"

#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>
#include <string>

namespace zarn {

class MainBar;

class ZarnApp final : public QObject {
    Q_OBJECT
public:
    // `currentFolder` is the folder the program was started in; the configuration lives there.
    ZarnApp(Prompter& prompter, std::string currentFolder);
    ~ZarnApp() override;

    // Loads and shows the main bar and runs the start-up steps in their order.
    void StartUp();

    zarn::Models Models() { return {settings_, recording_, selection_, play_}; }
    Prompter& Prompts() { return prompter_; }
    MainBar* MainWindow() const { return main_; }
    // The list file the signal list window has open.
    const std::string& SigListFileName() const { return sigListFileName_; }

    // The progress window: loaded on demand, shown with an activity text, unloaded when done.
    ProgressWindow* ShowLoading(const std::string& caption);
    ProgressWindow* Loading() const { return loading_; }
    void UnloadLoading();

    // The summary picture of the selected segment: loading it builds the clip table. False when
    // the operator declined to split an overfull segment (the window is then unloaded again).
    bool ShowSummary();
    SummaryWindow* Summary() const { return summary_; }
    // The play list of the summary's play option for an export; false (after a beep) when the
    // option holds no clip or no picture stands.
    bool BuildExportList();
    // The player on the play list that stands; a loaded player is unloaded first.
    void ShowPlayer();
    PlayerWindow* Player() const { return player_; }
    // The player's WAV control and busy wait; tests put a scripted control and no wait here.
    std::function<std::unique_ptr<WaveControl>()> MakeWaveControl;
    std::function<void(int)> PlayerWaitMs;
    // Each unload is safe when the window is not loaded.
    void UnloadPlayer();
    void UnloadSummary();
    // The default bandwidth dialog, modeless; one at a time.
    void ShowDefaultBandwidth();
    BandwidthDialog* DefaultBandwidth() const { return bandwidth_; }
    // The signal list window: loaded hidden at start-up so its list is ready for the other windows,
    // shown from the List menu. Closing it with its close box unloads it; the next use loads it again.
    SignalListWindow* SignalList();
    SignalListWindow* SignalListIfLoaded() const { return signalList_; }
    void ShowSignalList();
    void HideSignalList();
    // After a change of the signal list or the default bandwidth: the player and the summary
    // picture are unloaded and the picture is shown again, which rebuilds it from the new list.
    void Reprocess();
    // Minimising the main bar hides the summary, player and signal list windows; restoring shows
    // those that were up.
    void SetDependentWindowsVisible(bool visible);

    // Help Contents shows the bundled manual; Help Quit closes it.
    void HelpContents();
    void HelpQuit();
    HelpWindow* Help() const { return help_; }

    // Ends the program: every window is unloaded.
    void Exit();
    bool Exiting() const { return exiting_; }

private:
    Prompter& prompter_;
    std::string currentFolder_;
    SettingsModel settings_;
    RecordingModel recording_;
    SelectionModel selection_;
    PlayModel play_;
    std::string sigListFileName_;
    bool signalListShown_ = false;
    QPointer<MainBar> main_;
    QPointer<ProgressWindow> loading_;
    QPointer<HelpWindow> help_;
    QPointer<SignalListWindow> signalList_;
    QPointer<SummaryWindow> summary_;
    QPointer<PlayerWindow> player_;
    QPointer<BandwidthDialog> bandwidth_;
    bool exiting_ = false;
};

} // namespace zarn
