// SigRoll32: the signal list editor as a program of its own. Its one window is the signal list
// window; closing it ends the program.
#include "qt_prompter.h"
#include "signal_list_window.h"

#include <QApplication>
#include <QDir>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    zarn::QtPrompter prompter("SigRoll32");

    zarn::SignalListSetup setup;
    setup.standalone = true;
    // The start folder is where the program was started; its files are kept beside it.
    const QByteArray folder = QDir::currentPath().toLocal8Bit();
    setup.folder.assign(folder.constData(), static_cast<std::size_t>(folder.size()));

    zarn::SignalListWindow window(prompter, std::move(setup));
    prompter.SetParent(&window);
    window.PlaceStandalone();
    window.Load();
    window.show();
    return app.exec();
}
