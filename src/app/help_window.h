// The operator's manual, bundled with the program and shown by Help Contents.
#pragma once

#include <QWidget>

class QTextBrowser;

namespace zarn {

class HelpWindow final : public QWidget {
    Q_OBJECT
public:
    explicit HelpWindow(QWidget* parent = nullptr);

private:
    QTextBrowser* helpView_;
};

} // namespace zarn
