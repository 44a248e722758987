// The main window: a thin bar across the top of the screen with the open file's path, four
// picture buttons and the menu.
#pragma once

#include <QMainWindow>

#include <string>

class QAction;
class QFrame;
class QLabel;
class QMenu;
class QPushButton;

namespace zarn {

class ZarnApp;

class Zarn_Aud : public QMainWindow {
    Q_OBJECT
public:
    explicit Zarn_Aud(ZarnApp& app);

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

    QLabel* P_FileName;
    QFrame* Panel1;
    QPushButton *B_Open, *B_Close, *B_Delete, *B_Exit;
    QMenu *File, *List, *IFBW, *Help;
    QAction *F_Open, *F_Close, *F_Delete, *Spacer1, *Export, *Spacer2, *F_Exit;
    QAction* F_List;
    QAction* IFBW_Default;
    QAction *H_Contents, *H_Info;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildMenus();
    void BuildBar();
    void ClearOpenFile();
    void LayoutBar();

    ZarnApp& app_;
};

} // namespace zarn
