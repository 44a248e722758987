// Zarn_zed32: the audio playback program.
#include "latin1.h"
#include "qt_prompter.h"
#include "zarn_app.h"
#include "main_bar.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTimer>
#include <QWindow>

int main(int argc, char* argv[]) {
    QApplication qapp(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Zarn_zed32"));
    zarn::QtPrompter prompter("ZARN_AUD");
    zarn::ZarnApp app(prompter, zarn::Bytes(QDir::currentPath()));
    app.StartUp();
    prompter.SetParent(app.MainWindow());

    // Zarn_zed32 FILE.EVA opens that file at start, as Open does once its dialog is answered.
    const QStringList args = QApplication::arguments();
    if (args.size() > 1) {
        const std::string path = zarn::Bytes(QFileInfo(args.at(1)).absoluteFilePath());
        // The segment dialog is placed under the bar, so wait until the window manager has put the
        // bar on the screen with its frame.
        QElapsedTimer waited;
        waited.start();
        const QWindow* bar = app.MainWindow()->windowHandle();
        while ((!bar || !bar->isExposed()) && waited.elapsed() < 2000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QTimer::singleShot(100, app.MainWindow(), [&app, path] { app.MainWindow()->OpenEventFile(path); });
    }
    return QApplication::exec();
}
