#include "app/mainwindow.h"

// Filled in as the subsystem lands.
void MainWindow::refreshProtocols() {}
QString MainWindow::formatFileSize(qint64) { return {}; }
void MainWindow::filterFile() {}
void MainWindow::onDateChanged() {}
void MainWindow::on_twFiles_currentItemChanged(QTableWidgetItem*, QTableWidgetItem*) {}
void MainWindow::on_actRefresh_triggered() {}
void MainWindow::on_pushButton_clicked() {}
void MainWindow::on_btAdd_clicked() {}
