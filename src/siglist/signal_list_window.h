// The signal list window: the list of entry lines, its file commands, the edit/add panel and the
// clipboard tools. Zarn_zed32 keeps it as one of its windows; SigRoll32 runs it as its only window.
// The implementation is split by concern: signal_list_window.cpp (window, layout, help line, keys,
// file commands, accepting the panel), signal_list_window_tools.cpp (clipboard, delete); the panel's
// own fields live in signal_edit_panel.cpp.
#pragma once

#include "prompter.h"
#include "signal_list_model.h"
#include "signal_list_port.h"
#include "window_chrome.h"

#include <QMainWindow>

#include <functional>
#include <optional>
#include <string>
#include <vector>

class QAction;
class QKeyEvent;
class QLabel;
class QListView;
class QMenu;
class QPushButton;

namespace zarn {

// What differs between the two programs.
struct SignalListSetup {
    // SigRoll32: list in cyan, "E&xit", the Help menu, its own dialog titles, no reprocess question.
    bool standalone = false;
    // Folder of the default list, the pointer file and the comment file, without a trailing "/".
    std::string folder;
    // Zarn_zed32: the reprocess question is asked when `summaryLoaded` says so; Yes runs `reprocess`.
    std::function<bool()> summaryLoaded;
    std::function<void()> reprocess;
    // Called whenever the current list file changes, so the shared SigListFileName stays in step.
    std::function<void(const std::string&)> listFileChanged;
};

class SignalEditPanel;

class SignalListWindow final : public QMainWindow, public SignalListPort {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SignalListWindow)
public:
    SignalListWindow(Prompter& prompter, SignalListSetup setup, QWidget* parent = nullptr);

    // Window load after placement: default list and pointer file names, the current list file from
    // the pointer file, loading it, caption, pointer rewrite, detection modes, comment chooser.
    // A failing step is skipped; the window always loads.
    void Load();

    // Placement in Zarn_zed32: under the main window, right aligned with it, down to the bottom of
    // the screen.
    void PlaceUnder(const QWidget& mainWindow);
    // Placement in SigRoll32: top left, three quarters of the screen high.
    void PlaceStandalone();

    const std::string& SigListFileName() const { return sigListFileName_; }
    SignalListModel& Model() override { return *model_; }
    const SignalList& List() const override { return model_->List(); }

    // Current entry (-1 = none) and highlighting, as the other windows and the tools use them.
    int CurrentIndex() const;
    void SetCurrent(int index) override;
    bool IsHighlighted(int index) const;
    void SetHighlighted(int index, bool on) override;
    void UnhighlightAll() override;
    std::vector<int> HighlightedRows() const; // ascending

    // Writes the list through to SigListFileName. On failure the operator is warned and the list is
    // kept in memory; false is returned.
    bool SaveList() override;
    // Refuses an addition to a full list with a warning; `command` is "ADD", "IMPORT" or "PASTE".
    void WarnListFull(const char* command) override;

    // File commands
    void New();
    void Open();
    // Open once its file is chosen: SigRoll32 FILE opens FILE through it. An unreadable file changes
    // nothing.
    void OpenListFile(const std::string& path);
    void Import();
    void SaveAs();
    void CloseWindow(); // F_Close: hides in Zarn_zed32, ends the program in SigRoll32
    void ClearList();
    void ReprocessQuestion();

    // Edit/add panel
    void Add();
    void Edit();
    void AcceptPanel();
    void ClosePanel();
    bool PanelOpen() const;

    // Clipboard and bulk tools
    void Copy();
    void CopyFreq();
    void Paste();
    void Delete();
    void DeleteAll();

    // Lists in other programs' formats (signal_list_window_exchange.cpp). Imported entries are placed
    // as pasted lines are, with the import's question; one message tells what came in.
    void ImportOtherFormat();
    void ExportOtherFormat();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    // The placement is applied at once and again when the window manager has framed the window on
    // its first show, since the frame's size is not known before.
    void ApplyPlacement();
    void BuildMenus();
    void BuildFileMenu();
    void BuildToolsMenu();
    void BuildHelpMenu();
    void BuildWindow();
    void BuildList(QWidget* parent);
    void BuildButtons();
    void AttachHelp();
    void LayoutWindow();
    void SetCaption();
    void RewritePointer();
    void SetListFile(const std::string& path);
    QString SignalHelp() const;
    bool ListKey(const QKeyEvent& key);
    void ShowFilenameUnlessOverChild(QWidget* panel, QEvent* event);
    std::string DialogTitle(const char* zarn, const char* standalone) const;
    // The file dialog of Open and Import: an existing .SIG file, or no value on Cancel.
    std::optional<std::string> ChooseListFileToRead(const char* zarn, const char* standalone);

    // Places new entry lines as Paste does: each at its slot, a collision asked about with the
    // question titled `title` (Yes replaces, No skips, Cancel stops); the lines taken end up
    // highlighted and the last one current. `command` names a refusal of a full list. The list is not
    // written; the caller does that.
    struct PlaceCounts {
        int added = 0;     // lines taken
        int replaced = 0;  // of them, the ones that replaced an entry already listed
        int declined = 0;  // collisions answered No
        int cancelled = 0; // lines left when the operator answered Cancel
        int full = 0;      // lines left when the list was full
    };
    PlaceCounts PlaceLines(const std::vector<std::string>& lines, const char* title, const char* command);
    // Which lists of an SDR++ file to take: asked list by list when it holds several. No value on Cancel.
    std::optional<std::vector<std::string>> ChooseSdrppLists(const std::vector<std::string>& names);

    // Panel side
    void OpenPanel();
    // Where a panel entry at `freq` goes. A colliding entry is removed when the operator agrees to
    // replace it (the question titled `title`); `replace` is false when they decline.
    struct PanelPlace {
        SignalSlot slot;
        bool replace = true;
    };
    PanelPlace PlacePanelEntry(const char* title, const std::string& freq);
    void AddPanelEntry(const std::string& freq, const std::string& line);
    void ReplaceCurrentEntry(const std::string& freq, const std::string& line);

    Prompter& prompter_;
    SignalListSetup setup_;
    SignalListModel* model_ = nullptr;
    std::string sigListFileName_;
    std::string tempListFile_;            // the default list, ~FREQ.SIG in the start folder
    std::string pointerFile_;             // names the current list for the next start
    const QWidget* placeUnder_ = nullptr; // Zarn_zed32's main window
    bool placeStandalone_ = false;
    FramedPlacement framedPlacement_;

    QLabel* p_ = nullptr;
    QLabel* pl_ = nullptr;
    QListView* list_ = nullptr;
    QPushButton* add_ = nullptr;
    QPushButton* edit_ = nullptr;
    QPushButton* delete_ = nullptr;
    QPushButton* crossHair_ = nullptr;
    QLabel* helpLabel_ = nullptr;
    HelpLine* help_ = nullptr;
    SignalEditPanel* panel_ = nullptr;
    QMenu* tools_ = nullptr;
};

} // namespace zarn
