#include "overall.h"

// PENDING: placeholder until the window is written.
namespace zarn {
Overall::Overall(OverallHost host, QWidget* parent) : QWidget(parent), host_(std::move(host)) {}
Overall::~Overall() = default;
bool Overall::Load() {
    S().SummaryLoaded = true;
    return true;
}
void Overall::Play_Click() {}
void Overall::Play_Opt_Click(int) {}
void Overall::Chk_time_Click() {}
void Overall::BuildPlayList() {}
void Overall::Hover(double, double) {}
void Overall::Click(int, double, double) {}
void Overall::DoubleClick() {}
void Overall::ApplyPlayOption(int) {}
void Overall::ShowSignalAttributes() {}
void Overall::LayoutAndDraw() {}
void Overall::ScrollChanged(int) {}
void Overall::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
}
void Overall::closeEvent(QCloseEvent* event) {
    if (host_.unloaded) host_.unloaded();
    QWidget::closeEvent(event);
}
} // namespace zarn
