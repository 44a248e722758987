// "Default sig BW": edits the default signal bandwidth (in KHz), stores it in the configuration
// file and offers to rebuild the open summary picture.
#pragma once

#include "prompter.h"
#include "settings_model.h"

#include <QPointer>
#include <QWidget>

#include <functional>
#include <string>

class QFrame;
class QLineEdit;
class QPushButton;

namespace zarn {

class BandwidthDialog final : public QWidget {
    Q_OBJECT
public:
    // What follows a stored bandwidth: with a picture standing, the operator is asked whether to
    // rebuild it.
    struct Steps {
        std::function<bool()> summaryLoaded;
        std::function<void()> reprocess;
    };
    // `bar` is the main bar the dialog is placed under.
    BandwidthDialog(SettingsModel& settings, Prompter& prompter, const QWidget* bar, Steps steps,
                    QWidget* parent = nullptr);

    // Ok / Enter: stores the value, unloads the dialog and, with a summary picture loaded, asks
    // whether to reprocess.
    void Done();
    // X / Escape: unloads the dialog; nothing changes.
    void Cancel();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    // Below the main bar, centred on it.
    void PlaceUnderBar();

    SettingsModel& settings_;
    Prompter& prompter_;
    QPointer<const QWidget> bar_;
    Steps steps_;
    std::string savedText_;
    bool placed_ = false;

    QLineEdit* value_;
    QFrame* frame_;
    QPushButton *cmdDone_, *cmdCancel_;
};

} // namespace zarn
