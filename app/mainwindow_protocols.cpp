#include "app/mainwindow.h"

#include "protocol/streamloger.h"

// Filled in as the subsystem lands.
void MainWindow::refreshProtocols() {}
QString MainWindow::formatFileSize(qint64)
{
    return {};
}
void MainWindow::filterFile() {}
void MainWindow::onDateChanged() {}
void MainWindow::on_twFiles_currentItemChanged(QTableWidgetItem*, QTableWidgetItem*) {}
void MainWindow::on_actRefresh_triggered() {}

void MainWindow::on_pushButton_clicked()
{
    logger->openProtocol(1, 100, ui.edName->text());
    refreshProtocols();
}

void MainWindow::on_btAdd_clicked()
{
    if (ui.cbChan->currentIndex() < 0)
        return;
    const int id = ui.cbChan->currentData().toInt();
    const QStringList codes = logger->codes();
    for (const QString& code : codes) {
        if (logger->channelId(code) == id) {
            logger->writeReal(code, ui.sbValue->value(), false, 0);
            return;
        }
    }
}
