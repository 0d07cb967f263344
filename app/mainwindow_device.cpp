#include "app/mainwindow.h"

// Filled in as the subsystem lands.
void MainWindow::on_actFLASH_triggered() {}
void MainWindow::on_actCopy_triggered() {}
void MainWindow::on_actLogger_triggered() {}
