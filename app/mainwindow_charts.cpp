#include "app/mainwindow.h"

// Filled in as the subsystem lands.
void MainWindow::buildSingleCharts(const QList<Channel>&) {}
void MainWindow::clearSingleCharts() {}
void MainWindow::updateChartScrollBar() {}
void MainWindow::updateChartsScrollBar() {}
void MainWindow::setSingleChartVisible(QString, bool) {}
void MainWindow::moveCharts(int) {}
void MainWindow::zoomCharts(double) {}
void MainWindow::lineValueXChartsChanged(int) {}
void MainWindow::on_actGrid_triggered() {}
void MainWindow::on_actLegend_triggered() {}
void MainWindow::on_actZoomIn_triggered() {}
void MainWindow::on_actZoomOrigin_triggered() {}
void MainWindow::on_actZoomOut_triggered() {}
void MainWindow::on_actLeft_triggered() {}
void MainWindow::on_actZeroPoint_triggered() {}
void MainWindow::on_actRight_triggered() {}
void MainWindow::on_actColorTopBackground_triggered() {}
void MainWindow::on_actColorBottomBackground_triggered() {}
void MainWindow::on_actColorGrid_triggered() {}
void MainWindow::on_chartScrollBar_sliderMoved(int) {}
void MainWindow::on_chartsScrollBar_sliderMoved(int) {}
