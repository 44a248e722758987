// SigRoll32: the signal list editor as a program of its own. Its one window is the signal list
// window; closing it ends the program. `SigRoll32 FILE` opens FILE once the window has loaded, as
// File > Open does, so the pointer file then names it.
#include "paths.h"
#include "qt_prompter.h"
#include "signal_list_window.h"

#include <QApplication>
#include <QDir>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv); // takes Qt's own options out of argv
    zarn::QtPrompter prompter("SigRoll32");

    zarn::SignalListSetup setup;
    setup.standalone = true;
    // The start folder is where the program was started; its files are kept beside it.
    const QByteArray folder = QDir::currentPath().toLocal8Bit();
    setup.folder.assign(folder.constData(), static_cast<std::size_t>(folder.size()));
    const std::string startFolder = setup.folder;

    zarn::SignalListWindow window(prompter, std::move(setup));
    prompter.SetParent(&window);
    window.PlaceStandalone();
    window.Load();
    if (argc > 1 && argv[1][0] != '\0') {
        // The file's name is kept byte for byte as it was given; a relative one is taken from the start folder.
        const std::string given = argv[1];
        window.OpenListFile(given.front() == '/' ? given : zarn::JoinPath(startFolder, given));
    }
    window.show();
    return app.exec();
}
