// The edit/add panel of the signal list window: its fields and their entry rules, the comment
// chooser and its file, and the entry the fields make up. The window decides what an accepted panel
// does to the list; the panel tells it when the operator accepts or closes it.
#pragma once

#include "panel_rules.h"
#include "prompter.h"
#include "window_chrome.h"

#include <QLabel>

#include <array>
#include <functional>
#include <string>

class QCheckBox;
class QComboBox;
class QKeyEvent;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;

namespace zarn {

class SignalEditPanel final : public QLabel {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SignalEditPanel)
public:
    enum class Mode { EditOne, EditSeveral, Add };

    // `commentFile` keeps the chooser's texts; `currentEntry` gives the window's current entry for the
    // help line (-1 = none).
    SignalEditPanel(Prompter& prompter, std::string commentFile, HelpLine& help,
                    std::function<int()> currentEntry, QWidget* parent);

    // The detection modes and the comment texts from the comment file, at load.
    void FillChoosers();

    // Fill the fields for the command; the window shows the panel, then hands it the focus.
    void StartAdd();
    void StartEdit(const std::string& line);
    void StartEditSeveral();
    void TakeFocus();

    // Spans `width` of its parent with its foot at `bottom`; extra width goes to the comment row.
    void PlaceAbove(int bottom, int width);

    Mode CurrentMode() const { return mode_; }
    // Checks a field whose last change was not yet checked (OK pressed without leaving it).
    void CheckAllFields();
    // What an accepted edit of several entries changes.
    MultiEdit SeveralEdit() const;
    // The frequency text and the entry line the fields make up, each field falling back to its start
    // value and then to the Add default.
    struct Entry {
        std::string freq;
        std::string line;
    };
    Entry MadeEntry() const;

signals:
    void accepted();
    void closed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildFields();
    void BuildClassOptions();
    void BuildCommentRow();
    void AttachHelpTexts();
    void LayOut();
    void Fill(const PanelValues& values);
    void ShowEntryFields(bool on);
    bool CheckField(QLineEdit* field, bool moveOn);
    void StoreComment();
    void SelectOnFocus(QWidget* w);
    bool ChooserKey(int key);
    bool TextFieldKey(QLineEdit* field, int key);
    bool DetectionKey(int key);
    bool ClassKey(int option, int key);
    bool CommentKey(const QKeyEvent& key);

    Prompter& prompter_;
    std::string commentFile_;
    HelpLine& help_;
    std::function<int()> currentEntry_;
    Mode mode_ = Mode::Add;
    PanelValues start_;
    int commentSlot_ = -1; // the chooser slot the operator clicked last; -1 = none

    QLabel* lblFrq_ = nullptr;
    QLabel* lblIfbw_ = nullptr;
    QLabel* lblCor_ = nullptr;
    QLabel* lblDet_ = nullptr;
    QLabel* lblPri_ = nullptr;
    QLabel* lblComment_ = nullptr;
    QLineEdit* freq_ = nullptr;
    QLineEdit* ifbw_ = nullptr;
    QLineEdit* cor_ = nullptr;
    QComboBox* det_ = nullptr;
    std::array<QRadioButton*, 3> sig_{};
    QLineEdit* priority_ = nullptr;
    QCheckBox* lockout_ = nullptr;
    QPlainTextEdit* comment_ = nullptr;
    QComboBox* chooser_ = nullptr;
    QPushButton* ok_ = nullptr;
    QPushButton* cancel_ = nullptr;
};

} // namespace zarn
