// Overall: the summary picture window of one segment. Its load builds the clip table; the window
// draws it, reads clips under the pointer, selects clips, rows, signals and time limits, and builds
// the play list.
#pragma once

#include "app_state.h"
#include "play_list.h"
#include "prompter.h"
#include "window_chrome.h"
#include "summary_picture.h"

#include <QWidget>

#include <array>
#include <functional>
#include <string>

class QCheckBox;
class QFrame;
class QLabel;
class QPushButton;
class QRadioButton;
class QScrollBar;

namespace zarn {

class SigRoll;

// What the window needs from the rest of the program.
struct OverallHost {
    AppState* state = nullptr;
    Prompter* prompter = nullptr;
    std::function<QWidget*()> mainWindow; // for placement and width; may give nullptr
    std::function<SigRoll*()> signalList; // loads the signal list window hidden if need be
    std::function<void()> unloadPlayer;   // when PlayerLoaded
    std::function<void()> showPlayer;     // opens the player on PlayList (may be empty)
    std::function<void(const char*)> progressActivity;
    std::function<void(int)> progressPercent;
    std::function<void()> progressDone; // takes the progress window down
    std::function<void()> unloaded;     // the window is going: disables Export
};

class Overall : public QWidget {
    Q_OBJECT
public:
    explicit Overall(OverallHost host, QWidget* parent = nullptr);
    ~Overall() override;

    // The load handler: builds the clip table of the selected segment, lays the window out and
    // shows it. False when the operator declined the split; the caller then unloads the window.
    bool Load();
    // The part of the load after the table is built: takes `table` as the shared clip table and
    // sets the window up for it (placement, captions, play controls, bars, limits). `notice` is a
    // line for the operator above the picture; clips the table left out are told there too.
    void Present(ClipTable table, const std::string& notice = {});

    // Play controls.
    void Play_Click();
    void Play_Opt_Click(int index);
    void Chk_time_Click();
    // Builds PlayList/PlayListCount from the option that is set; unloads a loaded player and,
    // unless PlayListOnly, opens the player. An empty list beeps and changes nothing.
    // False (after the beep) when the choice holds no clip; the last list then stays as it was.
    bool BuildPlayList();

    // Picture interaction, in picture units.
    void Hover(double x, double y);
    void Click(int button, double x, double y);
    void DoubleClick();
    void ApplyPlayOption(int index);
    void ShowSignalAttributes();

    // Layout-and-draw (also run by resize events while the window is in its normal state).
    void LayoutAndDraw();
    void ScrollChanged(int value);

    // The play option whose button is set; -1 when none is.
    int CheckedOption() const;
    // The lowest window height for a picture of `rowCount` rows, in twips.
    static int MinimumHeightTw(long rowCount);

    // Window state.
    double T1 = 0, T2 = 0;
    int SelectedRow = 1;
    int HoverClip = 0;
    int PlayOption = 0;

    // Controls, named as the form names them.
    QPushButton* Play;
    QFrame *Panel1, *Panel2, *P_PBox;
    SummaryPicture* O_Picture;
    QScrollBar* Scrl_PBox;
    std::array<QRadioButton*, 4> Play_Opt{};
    QCheckBox *Chk_time, *Chk_Continue;
    QLabel *S_Freq, *S_Level, *S_T1, *S_T2, *C_Status, *S_Chnl, *S_IFBW;
    QLabel *C_Time, *C_Freq, *C_Level, *C_Chnl;
    // A line above the picture that tells the operator what the picture leaves out; hidden when
    // there is nothing to tell.
    QLabel* L_Notice;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    AppState& S() { return *host_.state; }
    const ClipTable& Table() const { return host_.state->Table; }
    bool ValidClip(int clip) const;
    bool ValidRow(long row) const;
    double SegStart() const;
    double SegStop() const;
    double UnitWidth() const; // the picture's scale width, at least one unit
    void ClipReadouts(int clip);
    void FrameClip(int clip, bool atLimits);
    void FrameRow(int row);
    void ShowLimitLines();
    SigRoll* SignalListWindow() const;
    void ApplyPlacement();
    void PlaceStatusRow(int t1LeftTw);
    void LayoutNotice();
    void FitCheckBoxes();

    OverallHost host_;
    bool loaded_ = false;
    bool laidOut_ = false;
    FramedPlacement framedPlacement_;
    // The layout in twips, as the last Layout-and-draw left it.
    int panel1WidthTw_ = 7650, panel1HeightTw_ = 5130, statusTopTw_ = 4815;
};

} // namespace zarn
