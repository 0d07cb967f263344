#include "app/mainwindow.h"

// Filled in as the subsystem lands.
bool MainWindow::tryAddBookmarkTable(int) { return false; }
bool MainWindow::tryDeleteBookmarkTable(int) { return false; }
void MainWindow::setBookmarkEnabled() {}
void MainWindow::on_twEntry_clicked(QModelIndex) {}
void MainWindow::on_twEntry_doubleClicked(QModelIndex) {}
void MainWindow::on_buttonBookmarkAddTable_clicked() {}
void MainWindow::on_buttonBookmarkDeleteTable_clicked() {}
void MainWindow::on_actBookmarkAdd_triggered() {}
void MainWindow::on_actBookmarkDelete_triggered() {}
