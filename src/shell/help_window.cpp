#include "help_window.h"

#include "latin1.h"

#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

// The manual is compiled into a static library; its resource must be registered by hand.
static void InitHelpResource() {
    Q_INIT_RESOURCE(help);
}

namespace zarn {

HelpWindow::HelpWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    InitHelpResource();
    setObjectName(QStringLiteral("HelpWindow"));
    setWindowTitle(QStringLiteral("ZARN Audio Playback32 Help"));
    HelpView = new QTextBrowser(this);
    HelpView->setObjectName(QStringLiteral("HelpView"));
    HelpView->setOpenExternalLinks(false);
    HelpView->setSource(QUrl(QStringLiteral("qrc:/help/manual.html")));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(HelpView);
    resize(Px(11000), Px(11000));
}

} // namespace zarn
