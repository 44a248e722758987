// The programs' Prompter: real QMessageBox, QFileDialog and the system beep.
#pragma once

#include "prompter.h"

#include <QPointer>
#include <QWidget>

namespace zarn {

class QtPrompter : public Prompter {
public:
    // `programTitle` is shown by a message box without a title of its own.
    explicit QtPrompter(std::string programTitle) : programTitle_(std::move(programTitle)) {}
    void SetParent(QWidget* parent) { parent_ = parent; }

    MsgAnswer Message(const std::string& title, const std::string& text, MsgIcon icon,
                      MsgButtons buttons) override;
    std::optional<std::string> OpenFile(const FileDialogRequest& request) override;
    std::optional<std::string> SaveFile(const FileDialogRequest& request) override;
    void Beep() override;

private:
    QWidget* Owner() const;
    std::string programTitle_;
    QPointer<QWidget> parent_;
};

// "*.EVA|*.EVA" -> "*.EVA (*.EVA *.eva)": the station's names are upper case but files copied
// through other systems may not be, and the dialog's matching on Linux follows case.
QString QtFileFilter(const std::string& filter);

} // namespace zarn
