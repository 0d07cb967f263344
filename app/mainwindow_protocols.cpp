#include "app/mainwindow.h"

#include "protocol/streamloger.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QHeaderView>
#include <QProgressBar>
#include <QScopeGuard>
#include <QSignalBlocker>

namespace {
const char kDateFormat[] = "dd/MM/yyyy hh:mm:ss";
constexpr int kStartRole = Qt::UserRole + 1;
constexpr int kFileRole = Qt::UserRole;
} // namespace

void MainWindow::refreshProtocols()
{
    // The search processes events between files, so "Обновить" or a new
    // definition could start a second search inside this one.
    if (searchingProtocols || m_reading)
        return;
    searchingProtocols = true;
    ui.actRefresh->setEnabled(false);
    ui.actInitLoger->setEnabled(false);
    const auto searched = qScopeGuard([this] {
        searchingProtocols = false;
        ui.actRefresh->setEnabled(true);
        ui.actInitLoger->setEnabled(true);
    });
    {
        const QSignalBlocker blocker(ui.twFiles);
        ui.twFiles->setRowCount(0);
    }
    ui.btRead->setEnabled(false);
    ui.actLoad->setEnabled(false);

    const QList<ProtocolInfo> protocols = logger->protocolList();
    const QString directory = logger->protocolDir().absolutePath();

    QProgressBar progress(this);
    progress.setWindowFlags(Qt::Dialog);
    progress.setWindowTitle(tr("Поиск протоколов..."));
    progress.setMinimumWidth(500);
    progress.setRange(0, protocols.size());
    // Batch runs show no window at all.
    if (interactive)
        progress.show();

    // Rows are filled unsorted (a sorting table moves rows while their
    // cells are still being set) and sorted once at the end.
    const bool sorting = ui.twFiles->isSortingEnabled();
    ui.twFiles->setSortingEnabled(false);
    for (int i = 0; i < protocols.size(); ++i) {
        progress.setValue(i);
        QCoreApplication::processEvents();
        const ProtocolInfo& info = protocols[i];
        const int row = ui.twFiles->rowCount();
        ui.twFiles->insertRow(row);

        auto* date = new QTableWidgetItem(info.start.toString(QLatin1String(kDateFormat)));
        date->setData(kStartRole, info.start);
        auto* name = new QTableWidgetItem(info.description);
        name->setData(kFileRole, info.fileName);
        // The column is often narrower than the description.
        name->setToolTip(info.description);
        const qint64 size = QFileInfo(directory + QLatin1Char('/') + info.fileName).size();
        ui.twFiles->setItem(row, 0, date);
        ui.twFiles->setItem(row, 1, name);
        ui.twFiles->setItem(row, 2, new QTableWidgetItem(formatFileSize(size)));
    }
    ui.twFiles->setSortingEnabled(sorting);

    progress.setValue(protocols.size());
    progress.close();
}

QString MainWindow::formatFileSize(qint64 size)
{
    static const char kUnits[] = "BKMGT";
    int step = 0;
    // Beyond terabytes there is no letter: the count of T just grows.
    while (size >= 1024 && step < 4) {
        size >>= 10;
        ++step;
    }
    return QStringLiteral("%1 %2").arg(size).arg(QLatin1Char(kUnits[step]));
}

void MainWindow::filterFile()
{
    const bool filtering = ui.gbFile->isChecked();
    const QDateTime from = ui.dtBegin->dateTime();
    const QDateTime to = ui.dtEnd->dateTime();
    for (int row = 0; row < ui.twFiles->rowCount(); ++row) {
        bool hide = false;
        if (filtering) {
            const QTableWidgetItem* item = ui.twFiles->item(row, 0);
            const QDateTime start = item ? item->data(kStartRole).toDateTime() : QDateTime();
            // A protocol without a real date lies in no date range.
            hide = !start.isValid() || start < from || to < start;
        }
        ui.twFiles->setRowHidden(row, hide);
    }
}

void MainWindow::onDateChanged()
{
    ui.dtBegin->setMaximumDateTime(ui.dtEnd->dateTime());
    ui.dtEnd->setMinimumDateTime(ui.dtBegin->dateTime());
    filterFile();
}

void MainWindow::on_twFiles_currentItemChanged(QTableWidgetItem*, QTableWidgetItem*)
{
    const bool current = ui.twFiles->currentRow() >= 0;
    ui.btRead->setEnabled(current);
    ui.actLoad->setEnabled(current);
}

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
