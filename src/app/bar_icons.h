// The pictures of the main window's four buttons, drawn as simple vector shapes so they stay sharp
// at any screen scale.
#pragma once

#include <QIcon>

namespace zarn {

QIcon OpenIcon();
QIcon CloseIcon();
QIcon DeleteIcon();
QIcon ExitIcon();

} // namespace zarn
