// Menu items carry their item's name as objectName, so windows and tests find them by name.
#pragma once

#include <QAction>
#include <QLatin1String>
#include <QMenu>

namespace zarn {

inline QAction* MakeAction(QMenu* menu, const char* name, const QString& caption) {
    QAction* a = menu->addAction(caption);
    a->setObjectName(QLatin1String(name));
    return a;
}
inline QAction* MakeAction(QMenu* menu, const char* name, const char* caption) {
    return MakeAction(menu, name, QString::fromLatin1(caption));
}

inline QAction* MakeSeparator(QMenu* menu, const char* name) {
    QAction* a = menu->addSeparator();
    a->setObjectName(QLatin1String(name));
    return a;
}

} // namespace zarn
