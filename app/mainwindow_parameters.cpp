#include "app/mainwindow.h"

// Filled in as the subsystem lands.
void MainWindow::setupParametersDock() {}
void MainWindow::on_actParameter_triggered() {}
void MainWindow::on_actFilter_triggered() {}
