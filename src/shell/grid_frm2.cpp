#include "grid_frm2.h"

// Placeholder until the dialog is written.
namespace zarn {
GridFrm2::GridFrm2(ZarnApp& app, QWidget* parent) : QWidget(parent), app_(app) {}
void GridFrm2::Done() {}
void GridFrm2::Cancel() {}
bool GridFrm2::eventFilter(QObject* watched, QEvent* event) {
    return QWidget::eventFilter(watched, event);
}
void GridFrm2::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
}
} // namespace zarn
