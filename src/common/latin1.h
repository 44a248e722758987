// The widget boundary: station texts are 8-bit bytes and become QStrings only here, as Latin-1,
// so every byte survives a round trip through a control.
#pragma once

#include <QGuiApplication>
#include <QScreen>
#include <QString>

#include <string>
#include <string_view>

#include "twips.h"

namespace zarn {

inline QString Qs(std::string_view bytes) {
    return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}
inline std::string Bytes(const QString& text) {
    const QByteArray b = text.toLatin1();
    return std::string(b.constData(), static_cast<std::size_t>(b.size()));
}

// Logical dots per inch of the primary screen; twips are turned into pixels with it.
inline double ScreenDpi() {
    const QScreen* s = QGuiApplication::primaryScreen();
    return s ? s->logicalDotsPerInch() : kDefaultDpi;
}
inline int Px(int twips) {
    return TwipsToPixels(twips, ScreenDpi());
}
inline int Tw(int pixels) {
    return PixelsToTwips(pixels, ScreenDpi());
}

} // namespace zarn
