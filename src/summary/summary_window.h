// The summary picture window of one segment. Its load builds the clip table; the window draws it,
// reads clips under the pointer, selects clips, rows, signals and time limits, and builds the play
// list. It shows the shared models' values and announces what it needs of the other windows.
#pragma once

#include "models.h"
#include "play_list.h"
#include "prompter.h"
#include "signal_list_port.h"
#include "summary_picture.h"
#include "window_chrome.h"

#include <QPointer>
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

// What a play list is built for.
enum class PlayListUse { Play, Export };

class SummaryWindow final : public QWidget {
    Q_OBJECT
public:
    // `signalList` gives the signal list, loading it if need be; it may give nullptr. `bar` is the
    // main bar the window is placed under.
    SummaryWindow(Models models, Prompter& prompter, std::function<SignalListPort*()> signalList,
                  const QWidget* bar, QWidget* parent = nullptr);
    ~SummaryWindow() override;

    // The load: builds the clip table of the selected segment, lays the window out and shows it.
    // False when the operator declined the split; the caller then unloads the window.
    bool Load();
    // The part of the load after the table is built: takes `table` as the shared clip table and
    // sets the window up for it (placement, captions, play controls, bars, limits). `notice` is a
    // line for the operator above the picture; clips the table left out are told there too.
    void Present(ClipTable table, const std::string& notice = {});

    // Builds the play list from the option that is set. For a play, a loaded player is unloaded
    // and the player asked for. An empty choice beeps and returns false; the last list then stays.
    bool BuildPlayList(PlayListUse use);

    // Handlers of the controls and the picture, in picture units.
    void Play_Click();
    void Play_Opt_Click(int index);
    void Chk_time_Click();
    void Hover(double x, double y);
    void Click(int button, double x, double y);
    void DoubleClick();
    void LayoutAndDraw();

    // The play option whose button is set; -1 when none is.
    int CheckedOption() const;
    double T1() const { return t1_; }
    double T2() const { return t2_; }
    // The time limits in picture units, as clicks in the time option set them.
    void SetLimits(double t1, double t2) {
        t1_ = t1;
        t2_ = t2;
    }
    int SelectedRow() const { return selectedRow_; }
    // The clip under the pointer; 0 = none.
    int HoverClip() const { return hoverClip_; }
    // The lowest window height for a picture of `rowCount` rows, in twips.
    static int MinimumHeightTw(long rowCount);

signals:
    void playerUnloadRequested();
    void playRequested();
    void loadActivity(const char* caption);
    void loadProgress(int percent);
    void loadDone();
    // The window is going.
    void unloaded();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void BuildPlayControls();
    void BuildReadouts();
    void BuildPicture();
    ClipTableInput TableInput(const std::string& audText, const std::string& eventText,
                              const SignalBands& bands) const;
    const ClipTable& Table() const { return models_.recording.Table(); }
    bool ValidClip(int clip) const;
    bool ValidRow(long row) const;
    int FirstClipOfRow(long row) const;
    double UnitWidth() const; // the picture's scale width, at least one unit
    void ShowFrequency(int clip);
    void ShowRow(int row);
    void ClipReadouts(int clip);
    void FrameClip(int clip, bool atLimits);
    void FrameRow(int row);
    void ApplyPlayOption(int index);
    void ShowSignalAttributes();
    void HighlightClip(int clip);
    void PlayerLoadedChanged(bool loaded);
    void LockChanged(bool locked);
    SignalListPort* SignalList() const;
    void ApplyPlacement();
    void PlaceStatusRow(int t1LeftTw);
    void LayoutNotice();
    void FitPlayControls();

    Models models_;
    Prompter& prompter_;
    std::function<SignalListPort*()> signalList_;
    QPointer<const QWidget> bar_;

    // Selection state; the readouts show it.
    double t1_ = 0, t2_ = 0;
    int selectedRow_ = 1;
    int hoverClip_ = 0;
    int hoverRow_ = 0;        // the row under the pointer, as C_Chnl shows it
    int shownRow_ = 0;        // the row S_Chnl shows
    double shownFreq_ = 0;    // the frequency S_Freq shows, as rounded there
    int playOption_ = 0;

    QPushButton* play_;
    QFrame *panel1_, *panel2_, *pBox_;
    SummaryPicture* picture_;
    QScrollBar* scroll_;
    std::array<QRadioButton*, 4> playOpt_{};
    QCheckBox *chkTime_, *chkContinue_;
    QLabel *sFreq_, *sLevel_, *sT1_, *sT2_, *cStatus_, *sChnl_, *sIfbw_;
    QLabel *cTime_, *cFreq_, *cLevel_, *cChnl_;
    // A line above the picture that tells the operator what the picture leaves out; hidden when
    // there is nothing to tell.
    QLabel* notice_;

    bool loaded_ = false;
    bool laidOut_ = false;
    FramedPlacement framedPlacement_;
    // The layout in twips, as the last Layout-and-draw left it.
    int panel1WidthTw_ = 7650, panel1HeightTw_ = 5130, statusTopTw_ = 4815;
};

} // namespace zarn
