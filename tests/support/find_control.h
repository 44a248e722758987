// Window tests reach a window's controls by their object names, as the windows name them, and never
// through the window's members: the controls stay the window's own business.
#pragma once

#include <QObject>
#include <QString>

#include <gtest/gtest.h>

#include <string>

namespace zarn::test {

// The control of type T named `name` among the descendants of `window` (menu items included, since
// a menu is a child of its window's menu bar). A missing control fails the test and gives nullptr.
template <class T> T* Control(const QObject* window, const QString& name) {
    T* control = window ? window->findChild<T*>(name) : nullptr;
    if (!control)
        ADD_FAILURE() << "no control " << name.toStdString() << " of the expected type in "
                      << (window ? window->objectName().toStdString() : std::string("<no window>"));
    return control;
}

template <class T> T* Control(const QObject* window, const char* name) {
    return Control<T>(window, QString::fromLatin1(name));
}

// Element `index` of a control array: "Name_index".
template <class T> T* Control(const QObject* window, const char* name, int index) {
    return Control<T>(window, QStringLiteral("%1_%2").arg(QLatin1String(name)).arg(index));
}

} // namespace zarn::test
