// The application object of Zarn_zed32: owns the shared state and the loaded windows, and is the
// one place through which the windows reach each other.
#pragma once

#include "app_state.h"
#include "grid_frm2.h"
#include "help_window.h"
#include "loading.h"
#include "overall.h"
#include "playing.h"
#include "prompter.h"
#include "sig_roll.h"

#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>
#include <string>

namespace zarn {

class Zarn_Aud;

class ZarnApp : public QObject {
    Q_OBJECT
public:
    // `currentFolder` is the folder the program was started in; the configuration lives there.
    ZarnApp(Prompter& prompter, std::string currentFolder);
    ~ZarnApp() override;

    // Loads and shows the main window and runs the start-up steps in their order.
    void StartUp();

    AppState& State() { return state_; }
    Prompter& Prompts() { return prompter_; }
    Zarn_Aud* MainWindow() const { return main_; }

    // The progress window: loaded on demand, shown with an activity text, unloaded when done.
    loading* ShowLoading(const std::string& caption);
    loading* Loading() const { return loading_; }
    void UnloadLoading();

    // The summary picture of the selected segment: loading it builds the clip table. False when
    // the operator declined to split an overfull segment (the window is then unloaded again).
    bool ShowSummary();
    Overall* Summary() const { return summary_; }
    // The player on the play list that stands; a loaded player is unloaded first.
    void ShowPlayer();
    Playing* Player() const { return player_; }
    // The player's WAV control and busy wait; tests put a scripted control and no wait here.
    std::function<std::unique_ptr<WaveControl>()> MakeWaveControl;
    std::function<void(int)> PlayerWaitMs;
    // Each unload is safe when the window is not loaded.
    void UnloadPlayer();
    void UnloadSummary();
    // The default bandwidth dialog, modeless; one at a time.
    void ShowDefaultBandwidth();
    GridFrm2* DefaultBandwidth() const { return gridFrm2_; }
    // The signal list window: loaded hidden at start-up so its list is ready for the other windows,
    // shown from the List menu. Closing it with its close box unloads it; the next use loads it again.
    SigRoll* SignalList();
    SigRoll* SignalListIfLoaded() const { return sigRoll_; }
    void ShowSignalList();
    void HideSignalList();
    // After a change of the signal list or the default bandwidth: the player and the summary
    // picture are unloaded and the picture is shown again, which rebuilds it from the new list.
    void Reprocess();
    // Minimising the main window hides the summary, player and signal list windows; restoring
    // shows those that were up.
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
    AppState state_;
    std::string currentFolder_;
    QPointer<Zarn_Aud> main_;
    QPointer<loading> loading_;
    QPointer<HelpWindow> help_;
    QPointer<SigRoll> sigRoll_;
    QPointer<Overall> summary_;
    QPointer<Playing> player_;
    QPointer<GridFrm2> gridFrm2_;
    bool exiting_ = false;
};

} // namespace zarn
