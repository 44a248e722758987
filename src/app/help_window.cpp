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
    helpView_ = new QTextBrowser(this);
    helpView_->setObjectName(QStringLiteral("HelpView"));
    helpView_->setOpenExternalLinks(false);
    helpView_->setSource(QUrl(QStringLiteral("qrc:/help/manual.html")));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(helpView_);
    resize(Px(11000), Px(11000));
}

} // namespace zarn
