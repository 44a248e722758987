#include "summary_picture.h"

// PENDING: placeholder until the picture is written.
namespace zarn {
SummaryPicture::SummaryPicture(QWidget* parent) : QWidget(parent) {}
void SummaryPicture::paintEvent(QPaintEvent*) {}
void SummaryPicture::mouseMoveEvent(QMouseEvent*) {}
void SummaryPicture::mousePressEvent(QMouseEvent*) {}
void SummaryPicture::mouseDoubleClickEvent(QMouseEvent*) {}
} // namespace zarn
