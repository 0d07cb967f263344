#include "app/computedchannelsdialog.h"
#include "chart/chartprotocol.h"
#include "formula/computedchannelfile.h"
#include "loadfixture.h"
#include "table/frozencolumnstableview.h"
#include "parameters/chartparametervaluewidget.h"
#include "reports/csvreport.h"

#include "protocol/loadprotocolprogress.h"
#include "protocol/streamloger.h"

#include <QDateTimeEdit>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QTableWidget>
#include <QTest>

namespace {
const QDateTime kStart(QDate(2024, 6, 1), QTime(12, 0));

QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The table as CSV lines, header first, as the batch line writes it.
QStringList tableLines(const QAbstractItemModel* table)
{
    QStringList lines;
    QStringList header;
    for (int column = 1; column < table->columnCount(); ++column)
        header.append(csvField(table->headerData(column, Qt::Horizontal).toString()));
    lines.append(header.join(QLatin1Char(',')));
    for (int row = 0; row < table->rowCount(); ++row) {
        QStringList cells;
        for (int column = 1; column < table->columnCount(); ++column) {
            const QVariant item = table->index(row, column).data();
            cells.append(item.isValid() ? csvField(item.toString()) : QString());
        }
        lines.append(cells.join(QLatin1Char(',')));
    }
    return lines;
}
} // namespace

// Computed channels as the user meets them: in the table, the charts, the
// panel and the batch line's reports.
class TestComputedWindow : public QObject
{
    Q_OBJECT

    std::unique_ptr<LoadFixture> fixture;

private slots:
    void init() { fixture = std::make_unique<LoadFixture>(); }
    void cleanup() { fixture.reset(); }

    void batchFormulaCsvMatchesTheWindowsTable()
    {
        // A1 = 5 + tick, B1 = (100 + tick) / 10: A1 - 7 is zero on tick 2.
        const QString first = fixture->writeProtocol("a.log", kStart, 20, 5, {1, 2, 3});
        const QString second = fixture->writeProtocol("b.log", kStart.addSecs(5), 20, 50, {1, 2});
        QString error;
        QVERIFY(ComputedChannelFile::save(ComputedChannelFile::pathIn(fixture->dir.path()),
                                          {{"P", QStringLiteral("Мощность"), 1, "A1*B1"},
                                           {"D", "D", 3, "B1/(A1-7)"},
                                           {"F", "F", 0, "S1 > 0 ? 1 : 0"}},
                                          error));
        const QString csv = fixture->dir.filePath(QStringLiteral("out.csv"));
        const QStringList options{"E=P-A1^2", "P=A1*B1+1"};
        QStringList arguments{"-d", fixture->dir.path(), "-l", first, "-l", second, "--csv", csv};
        for (const QString& option : options)
            arguments << "--formula" << option;
        const ProgramRun result = runProgram(arguments);
        QCOMPARE(result.exitCode, 0);
        QVERIFY2(result.errors.isEmpty(), qPrintable(result.errors));

        fixture->setupLogerAgain();
        QVERIFY(fixture->window->setFormulaOptions(options).isEmpty());
        fixture->window->readProtocols({first, second});
        const QAbstractItemModel* table = fixture->find<FrozenColumnsTableView>("twEntry")->model();
        const QStringList expected = tableLines(table);
        QStringList lines = QString::fromUtf8(contents(csv)).split(QLatin1Char('\n'));
        lines.removeLast();
        QCOMPARE(lines, expected);

        // Computed columns after the logged ones; the option's P over the file's.
        QCOMPARE(expected.first(), QStringLiteral("Дата,Альфа (A1),Бета (B1),Режим (S1),"
                                                  "Мощность (P),D (D),F (F),E (E)"));
        // Tick 2 of a.log: A1 = 7, B1 = 10.2, S1 = 0.
        QCOMPARE(expected.at(3),
                 QStringLiteral("01/06/2024 12:00:02.000,7,10.2,Стоп,72.4,,0,23.4"));
        // b.log has no S1: F is empty there, the others are not.
        QVERIFY(
            expected.contains(QStringLiteral("01/06/2024 12:00:05.000,50,10,,501,0.233,,-1999")));
    }

    // A bad option or a computed.def that cannot be read stops the batch:
    // reports without its columns would pass for whole ones.
    void badFormulaStopsTheBatchNamingIt_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QByteArray>("definitions"); // computed.def; empty: none
        QTest::addColumn<QString>("named");
        const QByteArray none;
        QTest::newRow("unknown code") << QStringList{"P=A1*Q7"} << none << "«P=A1*Q7»";
        // The other faults of the options: test_workspace.
        QTest::newRow("broken computed.def")
            << QStringList{} << QByteArray("{\"channels\": [") << "computed.def";
        QTest::newRow("repeated code in computed.def")
            << QStringList{"Q=A1"}
            << QByteArray("{\"channels\": [{\"code\": \"P\", \"formula\": \"A1\"},"
                          "{\"code\": \"P\", \"formula\": \"B1\"}]}")
            << "computed.def";
    }
    void badFormulaStopsTheBatchNamingIt()
    {
        QFETCH(QStringList, options);
        QFETCH(QByteArray, definitions);
        QFETCH(QString, named);
        if (!definitions.isEmpty()) {
            QFile file(ComputedChannelFile::pathIn(fixture->dir.path()));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(definitions);
        }
        const QString first = fixture->writeProtocol("a.log", kStart, 5, 5, {1, 2});
        const QString csv = fixture->dir.filePath(QStringLiteral("out.csv"));
        QStringList arguments{"-d", fixture->dir.path(), "-l", first, "--csv", csv};
        for (const QString& option : options)
            arguments << "--formula" << option;
        const ProgramRun result = runProgram(arguments);
        QCOMPARE(result.exitCode, 2);
        QVERIFY2(result.errors.contains(named), qPrintable(result.errors));
        QVERIFY(!QFile::exists(csv));
    }

    void brokenFileIsReportedOnceAndKeptUntilSaved()
    {
        const QString path = ComputedChannelFile::pathIn(fixture->dir.path());
        const QByteArray broken("{\"channels\": [{\"code\": \"P\"");
        {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(broken);
        }
        fixture->dialogs->warnings.clear();
        fixture->setupLogerAgain();
        const QString first = fixture->writeProtocol("a.log", kStart, 5, 5, {1, 2});
        fixture->window->readProtocols({first});
        fixture->window->readProtocols({first});
        QCOMPARE(fixture->dialogs->warnings.size(), 1);
        QVERIFY(fixture->dialogs->warnings.first().contains(QDir::toNativeSeparators(path)));
        QCOMPARE(contents(path), broken);

        QVERIFY(fixture->window->applyComputedChannels({{"P", "P", 1, "A1*B1"}}));
        ComputedChannels read;
        QString error;
        QVERIFY(ComputedChannelFile::load(path, read, error));
        QCOMPARE(read.size(), size_t(1));
    }

    // A1 again under another name is refused at its place; the channel that
    // reads A1 reads the logged one.
    void computedCodeOfALoggedChannelIsRefusedWhateverItsName()
    {
        QString error;
        QVERIFY(ComputedChannelFile::save(
            ComputedChannelFile::pathIn(fixture->dir.path()),
            {{"A1", QStringLiteral("Мощность"), 1, "B1*2"}, {"P", "P", 0, "A1*2"}}, error));
        fixture->dialogs->warnings.clear();
        fixture->setupLogerAgain();
        QCOMPARE(fixture->dialogs->warnings.size(), 1);
        QVERIFY2(fixture->dialogs->warnings.first().contains(
                     QStringLiteral("A1: такой код уже есть в log.def")),
                 qPrintable(fixture->dialogs->warnings.first()));
        fixture->window->readProtocols({fixture->writeProtocol("a.log", kStart, 3, 5, {1, 2})});
        const QStringList lines =
            tableLines(fixture->find<FrozenColumnsTableView>("twEntry")->model());
        QCOMPARE(lines.mid(0, 2), (QStringList{"Дата,Альфа (A1),Бета (B1),P (P)",
                                               "01/06/2024 12:00:00.000,5,10,10"}));
    }

    void savedChannelIsShownEverywhere()
    {
        const QString first = fixture->writeProtocol("a.log", kStart, 10, 5, {1, 2});
        fixture->window->readProtocols({first});
        // The user's view stays as it was.
        auto* chart = fixture->find<ChartProtocol>("chart");
        chart->setZoom(chart->zoom() / 4);
        chart->setPosition(3.0);
        chart->placeLineValue(5);
        const double zoom = chart->zoom();
        QVERIFY(zoom < 1);
        QVERIFY(fixture->window->applyComputedChannels(
            {{"P", QStringLiteral("Мощность"), 1, "A1*B1"}}));
        QCOMPARE(chart->zoom(), zoom);
        QCOMPARE(chart->scaleSettings().position, 3.0);
        QCOMPARE(chart->lineValueX(), qint64(5));
        const QString title = QStringLiteral("Мощность (P)");

        const QAbstractItemModel* table = fixture->find<FrozenColumnsTableView>("twEntry")->model();
        QCOMPARE(table->headerData(table->columnCount() - 1, Qt::Horizontal).toString(), title);
        QCOMPARE(table->index(0, table->columnCount() - 1).data().toString(), QStringLiteral("50"));
        QStringList curves;
        for (const Channel& channel : fixture->find<ChartProtocol>("chart")->channels())
            curves.append(channel.name());
        QVERIFY2(curves.contains(title), qPrintable(curves.join(';')));
        QVERIFY(fixture->window->singleCharts().contains(title));
        // Filter fields take each channel's decimals: none for A1 (RATE 0), P's one.
        QMap<QString, int> decimals;
        for (const auto* widget : fixture->window->findChildren<ChartParameterValueWidget*>())
            decimals.insert(
                widget->findChild<QLabel*>(QStringLiteral("labelName"))->text(),
                widget->findChild<QDoubleSpinBox*>(QStringLiteral("sbFrom"))->decimals());
        QCOMPARE(decimals.value(title, -1), 1);
        QCOMPARE(decimals.value(QStringLiteral("Альфа (A1)"), -1), 0);
        QCOMPARE(decimals.value(QStringLiteral("Бета (B1)"), -1), 1);

        // A failed save keeps the old file and the shown columns.
        const QString path = ComputedChannelFile::pathIn(fixture->dir.path());
        const QByteArray before = contents(path);
        QFile::remove(path);
        QVERIFY(QDir().mkpath(path)); // a folder where the file should go
        fixture->dialogs->warnings.clear();
        QVERIFY(!fixture->window->applyComputedChannels({}));
        QCOMPARE(fixture->dialogs->warnings.size(), 1);
        QVERIFY(fixture->window->singleCharts().contains(title));
        QVERIFY(QDir(path).removeRecursively());
        QVERIFY(!before.isEmpty());
    }

    // Saving reads the protocols again; cancelled, that read leaves the window
    // as empty as before the first read, not the old time axis over nothing.
    void cancelledReadAfterSavingLeavesAnEmptyWindow()
    {
        const QString first = fixture->writeProtocol("a.log", kStart, 10, 5, {1, 2});
        fixture->window->readProtocols({first});
        auto* chart = fixture->find<ChartProtocol>("chart");
        auto* from = fixture->find<QDateTimeEdit>("timeFrom");
        QCOMPARE(from->minimumDateTime(), kStart);
        auto cancel = connect(StreamLoger::instance(), &StreamLoger::startLoad, this, [this] {
            if (auto* progress = fixture->window->findChild<LoadProtocolProgress*>())
                progress->findChild<QPushButton*>(QStringLiteral("buttonCancel"))->click();
        });
        QVERIFY(fixture->window->applyComputedChannels({{"P", "P", 1, "A1*B1"}}));
        disconnect(cancel);

        QCOMPARE(fixture->window->tableRowCount(), 0);
        QCOMPARE(chart->channelCount(), 0);
        QVERIFY(!chart->startDateTime().isValid());
        QVERIFY(!chart->endDateTime().isValid());
        const QDateTimeEdit fresh;
        auto* to = fixture->find<QDateTimeEdit>("timeTo");
        QCOMPARE(from->minimumDateTime(), fresh.minimumDateTime());
        QCOMPARE(to->maximumDateTime(), fresh.maximumDateTime());
        QVERIFY(from->dateTime() > kStart.addYears(1));
        QVERIFY(to->dateTime() > kStart.addYears(1));
        // The next read shows the new column.
        fixture->window->readProtocols({first});
        QCOMPARE(fixture->window->tableRowCount(), 10);
        QCOMPARE(from->minimumDateTime(), kStart);
    }

    void dialogShowsTheFaultAtItsPositionAndRefusesToSave()
    {
        ComputedChannelsDialog dialog({{"P", "P", 1, "A1*B1"}}, {"A1", "B1", "S1"});
        QVERIFY(dialog.canSave());
        QVERIFY(dialog.problemText().isEmpty());
        QTableWidget* table = dialog.table();
        table->item(0, ComputedChannelsDialog::FormulaColumn)->setText(QStringLiteral("A1 * Q7"));
        QVERIFY(!dialog.canSave());
        QCOMPARE(dialog.problemText(),
                 QStringLiteral("P: ошибка в позиции 6: неизвестный код «Q7»"));
        auto* pointer = dialog.findChild<QLabel*>(QStringLiteral("labelComputedPointer"));
        QCOMPARE(pointer->text(), QStringLiteral("A1 * Q7\n     ^"));

        dialog.addChannel();
        QCOMPARE(table->rowCount(), 2);
        QCOMPARE(table->item(1, ComputedChannelsDialog::CodeColumn)->text(), QStringLiteral("P1"));
        table->item(0, ComputedChannelsDialog::FormulaColumn)->setText(QStringLiteral("A1 * B1"));
        QVERIFY(!dialog.canSave()); // the new row has no formula yet
        table->item(1, ComputedChannelsDialog::FormulaColumn)->setText(QStringLiteral("P / 2"));
        table->item(1, ComputedChannelsDialog::DecimalsColumn)->setText(QStringLiteral("x"));
        QVERIFY(!dialog.canSave());
        table->item(1, ComputedChannelsDialog::DecimalsColumn)->setText(QStringLiteral("3"));
        QVERIFY2(dialog.canSave(), qPrintable(dialog.problemText()));
        const ComputedChannels channels = dialog.channels();
        QCOMPARE(channels.size(), size_t(2));
        QCOMPARE(channels[1], (ComputedChannel{"P1", QString(), 3, "P / 2"}));

        table->setCurrentCell(0, 0);
        dialog.removeChannel();
        QCOMPARE(dialog.problemText(),
                 QStringLiteral("P1: ошибка в позиции 1: неизвестный код «P»"));
    }
};

QTEST_MAIN(TestComputedWindow)
#include "test_computedwindow.moc"
