// The main bar: a thin window across the top of the screen with the open file's path, four
// picture buttons and the menu.
#pragma once

#include "recent_files.h"

#include <QMainWindow>

#include <array>
#include <string>
#include <vector>

class QAction;
class QFrame;
class QLabel;
class QMenu;
class QPushButton;

namespace zarn {

class ZarnApp;

class MainBar final : public QMainWindow {
    Q_OBJECT
public:
    explicit MainBar(ZarnApp& app);

    // Open with a path already chosen (the file dialog's answer, or the command line).
    void OpenEventFile(const std::string& path);

    // Menu commands.
    void F_Open_Click();
    void F_Close_Click();
    void F_Delete_Click();
    // File, Export...: the clips a Play would play, as a new event file with renumbered copies.
    void Export_Click();
    void F_Exit_Click();
    void F_List_Click();
    void IFBW_Default_Click();
    void H_Contents_Click();
    void H_Info_Click();
    // File, "&1 NAME" ...: the Open steps on a file opened before. A file that is gone leaves the list.
    void F_Recent_Click(std::size_t index);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    // A single event file dropped on the bar is opened as Open opens a chosen file.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void BuildMenus();
    void BuildBar();
    void ClearOpenFile();
    void LayoutBar();
    void SetPlayerLock(bool locked);
    void BuildRecentFiles();
    void ShowRecentFiles();
    void SetRecentFiles(std::vector<std::string> list);

    QLabel* fileName_;
    QFrame* panel1_;
    QPushButton *bOpen_, *bClose_, *bDelete_, *bExit_;
    QMenu *fileMenu_, *listMenu_, *ifbwMenu_, *helpMenu_;
    QAction *fOpen_, *fClose_, *fDelete_, *spacer1_, *export_, *spacer2_, *fExit_;
    QAction* fList_;
    QAction* ifbwDefault_;
    QAction *hContents_, *hInfo_;
    QAction* recentSpacer_;
    std::array<QAction*, kRecentFilesMax> recent_{};
    std::vector<std::string> recentFiles_;

    ZarnApp& app_;
};

} // namespace zarn
