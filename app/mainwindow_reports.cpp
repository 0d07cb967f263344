#include "app/mainwindow.h"

// Filled in as the subsystem lands.
void MainWindow::on_actSave_triggered() {}
void MainWindow::on_actPDF_triggered() {}
