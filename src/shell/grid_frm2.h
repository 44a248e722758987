// GridFrm2, "Default sig BW": edits the default signal bandwidth (in KHz), stores it in the
// configuration file and offers to rebuild the open summary picture.
#pragma once

#include <QWidget>

#include <string>

class QFrame;
class QLineEdit;
class QPushButton;

namespace zarn {

class ZarnApp;

class GridFrm2 : public QWidget {
    Q_OBJECT
public:
    explicit GridFrm2(ZarnApp& app, QWidget* parent = nullptr);

    // Ok / Enter: stores the value, unloads the dialog and, with a summary picture loaded, asks
    // whether to reprocess.
    void Done();
    // X / Escape: unloads the dialog; nothing changes.
    void Cancel();

    QLineEdit* Value;
    QFrame* P_1;
    QPushButton *Cmd_Done, *Cmd_Cancel;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    // Below the main window, centred on it.
    void PlaceUnderMain();

    ZarnApp& app_;
    std::string savedText_;
    bool placed_ = false;
};

} // namespace zarn
