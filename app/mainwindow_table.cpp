#include "app/mainwindow.h"

#include "chart/chartprotocol.h"
#include "table/protocolassembly.h"
#include "table/protocoltablemodel.h"

#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QStatusBar>
#include <QTableView>

void MainWindow::fitChannelColumns()
{
    // A channel's column shows its whole title where that is not too wide; the
    // bookmark and time columns stay in view while the others scroll.
    QHeaderView* header = ui.twEntry->horizontalHeader();
    const QFontMetrics metrics(header->font());
    const int widest = 20 * metrics.averageCharWidth();
    for (int column = ProtocolAssembly::timeColumn + 1; column < tableModel()->columnCount();
         ++column) {
        const QString title = tableModel()->headerData(column, Qt::Horizontal).toString();
        const int width = metrics.horizontalAdvance(title) + 2 * metrics.averageCharWidth();
        ui.twEntry->setColumnWidth(column, qBound(header->defaultSectionSize(), width, widest));
    }
}

void MainWindow::setupProtocolColumn()
{
    // Rows of overlapping protocols interleave: the table's menu can show
    // the file of each row, and the status bar names that of the current one.
    auto* column = new QAction(tr("Столбец «Протокол»"), ui.twEntry);
    column->setObjectName(QStringLiteral("actProtocolColumn"));
    column->setCheckable(true);
    ui.twEntry->addAction(column);
    connect(column, &QAction::toggled, this, [this](bool shown) {
        tableModel()->setProtocolColumnShown(shown);
        fitChannelColumns();
    });
    m_rowProtocol = new QLabel(this);
    m_rowProtocol->setObjectName(QStringLiteral("labelRowProtocol"));
    statusBar()->addPermanentWidget(m_rowProtocol);
    const auto showProtocol = [this](const QModelIndex& current) {
        const bool row = current.isValid() && current.row() < tableModel()->rowCount();
        const int global = row ? tableModel()->globalRowOf(current.row()) : -1;
        m_rowProtocol->setText(row ? tr("Протокол: %1").arg(tableModel()->protocolName(global))
                                   : QString());
        m_rowProtocol->setToolTip(row ? QDir::toNativeSeparators(tableModel()->protocolPath(global))
                                      : QString());
    };
    connect(ui.twEntry->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            showProtocol);
    connect(tableModel(), &QAbstractItemModel::modelReset, this,
            [showProtocol] { showProtocol(QModelIndex()); });
}
