#include "app/mainwindow.h"

// Filled in as the subsystem lands.
void MainWindow::on_actLoad_triggered() {}
void MainWindow::readProtocols(const QStringList&) {}
void MainWindow::clearProtocolView() {}
void MainWindow::clearChartData() {}
