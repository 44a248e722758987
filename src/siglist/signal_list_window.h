// The signal list window: the list of entry lines, its file commands, the edit/add panel and the
// clipboard tools. Zarn_zed32 keeps it as one of its windows; SigRoll32 runs it as its only window.
// The implementation is split by concern: sig_roll.cpp (window, layout, help line, keys, file
// commands), sig_roll_panel.cpp (edit/add panel), sig_roll_tools.cpp (clipboard, delete).
#pragma once

#include "panel_rules.h"
#include "prompter.h"
#include "window_chrome.h"
#include "signal_list_model.h"
#include "signal_list_port.h"

#include <QMainWindow>

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListView;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;

namespace zarn {

// What differs between the two programs.
struct SigRollSetup {
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

class SigRoll : public QMainWindow, public SignalListPort {
    Q_OBJECT
public:
    SigRoll(Prompter& prompter, SigRollSetup setup, QWidget* parent = nullptr);

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

    void SetHelp(const std::string& text);

    // Window variables
    std::string TempListFile;
    std::string PointerFile;
    int PanelMode = 2;
    PanelValues PanelStart;
    int CommentSlot = -1;

    // Controls
    QLabel* P = nullptr;
    QLabel* PL = nullptr;
    QListView* L_Freq = nullptr;
    QPushButton* L_Add = nullptr;
    QPushButton* L_Edit = nullptr;
    QPushButton* L_Delete = nullptr;
    QPushButton* L_CrossHair = nullptr;
    QLabel* P_Help = nullptr;

    // The edit/add panel and its fields
    QLabel* PE = nullptr;
    QLabel* Lbl_Frq = nullptr;
    QLabel* Lbl_Ifbw = nullptr;
    QLabel* Lbl_Cor = nullptr;
    QLabel* Lbl_Det = nullptr;
    QLabel* Lbl_Pri = nullptr;
    QLabel* Lbl_Comment = nullptr;
    QLineEdit* P_Freq = nullptr;
    QLineEdit* P_Ifbw = nullptr;
    QLineEdit* P_Cor = nullptr;
    QComboBox* P_Det = nullptr;
    std::array<QRadioButton*, 3> P_Sig{}; // objectNames P_Sig_0, P_Sig_1, P_Sig_2
    QLineEdit* P_Priority = nullptr;
    QCheckBox* Chk_Lockout = nullptr;
    QPlainTextEdit* P_Comment = nullptr;
    QComboBox* Cmb_Comment = nullptr;
    QPushButton* B_OK = nullptr;
    QPushButton* B_Cancel = nullptr;

    // Menus
    QMenu* File = nullptr;
    QMenu* Tools = nullptr;
    QMenu* Help = nullptr; // SigRoll32 only
    QAction* F_New = nullptr;
    QAction* F_Open = nullptr;
    QAction* F_Import = nullptr;
    QAction* F_SaveAs = nullptr;
    QAction* F_Space1 = nullptr;
    QAction* F_Close = nullptr;
    QAction* T_Add = nullptr;
    QAction* T_Edit = nullptr;
    QAction* T_Delete = nullptr;
    QAction* T_DeleteAll = nullptr;
    QAction* T_CrossHair = nullptr;
    QAction* T_Space1 = nullptr;
    QAction* T_Copy = nullptr;
    QAction* T_Copy_Freq = nullptr;
    QAction* T_Paste = nullptr;
    QAction* Help_About = nullptr;

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
    void BuildWindow();
    void LayoutWindow();
    void SetCaption();
    void RewritePointer();
    void SetListFile(const std::string& path);
    void ShowSignalHelp();
    std::string DialogTitle(const char* zarn, const char* standalone) const;
    // The file dialog of Open and Import: an existing .SIG file, or no value on Cancel.
    std::optional<std::string> ChooseListFileToRead(const char* zarn, const char* standalone);

    // Panel side (sig_roll_panel.cpp)
    void BuildPanel();
    void LayoutPanel();
    void OpenPanel(const char* caption);
    void FillPanel(const PanelValues& values);
    void FillChoosers(); // detection modes and the comment texts, at load
    bool PanelEventFilter(QObject* watched, QEvent* event);
    void StoreComment();

    Prompter& prompter_;
    SigRollSetup setup_;
    SignalListModel* model_ = nullptr;
    std::string sigListFileName_;
    const QWidget* placeUnder_ = nullptr; // Zarn_zed32's main window
    bool placeStandalone_ = false;
    FramedPlacement framedPlacement_;
};

} // namespace zarn
