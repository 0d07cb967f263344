#include "app/mainwindow.h"
#include "protocol/streamloger.h"
#include "protocolfiles.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QDoubleSpinBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

namespace {
const QDateTime kFirst(QDate(2023, 5, 17), QTime(10, 0, 0));
const QDateTime kSecond(QDate(2023, 5, 18), QTime(9, 30, 15));
const QDateTime kThird(QDate(2024, 1, 2), QTime(23, 59, 59));

using protocolfiles::rec;
} // namespace

class TestProtocolList : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();

    void formatFileSize_data();
    void formatFileSize();
    void rowsAndSorting();
    void progressWindowDuringRefresh();
    void readingNeedsCurrentRow();
    void dateFilterBounds();
    void datesCannotCross();
    void testRowCreatesAndAppends();

private:
    QTableWidget* files() const { return window->findChild<QTableWidget*>("twFiles"); }
    QStringList column(int c, int role = Qt::DisplayRole) const;
    QStringList visibleNames() const;

    QTemporaryDir tmp;
    QString protocolDir;
    MainWindow* window = nullptr;
};

void TestProtocolList::initTestCase()
{
    QVERIFY(protocolfiles::writeDefinition(
        tmp.path(), R"({"ROOT": "protocols", "CONTENT": [{"GROUP": "g", "VALUES": [
            {"CODE": "U", "ID": 1, "NAME": "Напряжение", "RATE": 1},
            {"CODE": "I", "ID": 2, "NAME": "Ток", "RATE": 2}]}]})"));
    protocolDir = tmp.path() + "/protocols";
    QDir().mkpath(protocolDir);
    const auto put = [this](const QString& name, const ProtocolHeader& header, int records) {
        QVector<LogRecord> list;
        for (int i = 0; i < records; ++i)
            list.append(rec(1, quint32(i), i));
        return protocolfiles::write(protocolDir + '/' + name, protocolfiles::bytes(header, list));
    };
    QVERIFY(put(protocolformat::fileNameFor(kSecond),
                protocolfiles::header(kSecond, 100, QStringLiteral("Второй")), 0));
    QVERIFY(put(protocolformat::fileNameFor(kFirst),
                protocolfiles::header(kFirst, 1000, QStringLiteral("Первый")), 90));
    QVERIFY(put(protocolformat::fileNameFor(kThird),
                protocolfiles::header(kThird, 100, QStringLiteral("Третий")), 200000));
    ProtocolHeader broken = protocolfiles::header(kFirst, 100, QStringLiteral("Без даты"));
    broken.month = 13;
    QVERIFY(put("zz_undated.log", broken, 1));
    QVERIFY(protocolfiles::write(protocolDir + "/not_a_protocol.log", QByteArray(500, 'x')));
}

void TestProtocolList::init()
{
    window = new MainWindow;
    window->setupLoger(tmp.path());
}

void TestProtocolList::cleanup()
{
    delete window;
    window = nullptr;
}

void TestProtocolList::cleanupTestCase()
{
    StreamLoger::release();
}

QStringList TestProtocolList::column(int c, int role) const
{
    QStringList out;
    for (int row = 0; row < files()->rowCount(); ++row)
        out.append(files()->item(row, c)->data(role).toString());
    return out;
}

QStringList TestProtocolList::visibleNames() const
{
    QStringList out;
    for (int row = 0; row < files()->rowCount(); ++row)
        if (!files()->isRowHidden(row))
            out.append(files()->item(row, 1)->text());
    return out;
}

void TestProtocolList::formatFileSize_data()
{
    QTest::addColumn<qint64>("size");
    QTest::addColumn<QString>("text");
    QTest::newRow("zero") << qint64(0) << "0 B";
    QTest::newRow("1023") << qint64(1023) << "1023 B";
    QTest::newRow("1024") << qint64(1024) << "1 K";
    QTest::newRow("just below 1 M") << qint64(1024 * 1024 - 1) << "1023 K";
    QTest::newRow("1 G") << (qint64(1) << 30) << "1 G";
    QTest::newRow("beyond T") << (qint64(1) << 50) << "1024 T";
    QTest::newRow("largest") << std::numeric_limits<qint64>::max() << "8388607 T";
}

void TestProtocolList::formatFileSize()
{
    QFETCH(qint64, size);
    QFETCH(QString, text);
    QCOMPARE(MainWindow::formatFileSize(size), text);
}

void TestProtocolList::rowsAndSorting()
{
    QTableWidget* table = files();
    QCOMPARE(table->rowCount(), 4);
    // Directory order until a header is clicked: the names are date-times.
    QCOMPARE(column(1), (QStringList{"Первый", "Второй", "Третий", "Без даты"}));
    QCOMPARE(column(1, Qt::UserRole),
             (QStringList{"2023_05_17_10_00_00.log", "2023_05_18_09_30_15.log",
                          "2024_01_02_23_59_59.log", "zz_undated.log"}));
    QCOMPARE(column(0), (QStringList{"17/05/2023 10:00:00", "18/05/2023 09:30:15",
                                     "02/01/2024 23:59:59", ""}));
    QCOMPARE(table->item(1, 0)->data(Qt::UserRole + 1).toDateTime(), kSecond);
    QVERIFY(!table->item(3, 0)->data(Qt::UserRole + 1).toDateTime().isValid());
    QCOMPARE(column(2), (QStringList{"949 B", "139 B", "1 M", "148 B"}));

    table->horizontalHeader()->setSortIndicator(2, Qt::AscendingOrder);
    QCOMPARE(column(2), (QStringList{"1 M", "139 B", "148 B", "949 B"}));
    QCOMPARE(column(1), (QStringList{"Третий", "Второй", "Без даты", "Первый"}));

    // A refresh keeps the chosen order and each row its own three cells.
    window->refreshProtocols();
    QCOMPARE(column(2), (QStringList{"1 M", "139 B", "148 B", "949 B"}));
    QCOMPARE(column(1), (QStringList{"Третий", "Второй", "Без даты", "Первый"}));
    QCOMPARE(column(0), (QStringList{"02/01/2024 23:59:59", "18/05/2023 09:30:15", "",
                                     "17/05/2023 10:00:00"}));

    // The date column sorts by its text, day first.
    table->horizontalHeader()->setSortIndicator(0, Qt::DescendingOrder);
    QCOMPARE(column(1), (QStringList{"Второй", "Первый", "Третий", "Без даты"}));
}

void TestProtocolList::progressWindowDuringRefresh()
{
    QString title;
    int maximum = -1;
    int minimumWidth = -1;
    bool topLevel = false;
    QTimer::singleShot(0, this, [&] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            auto* bar = qobject_cast<QProgressBar*>(widget);
            if (bar && bar->isVisible()) {
                title = bar->windowTitle();
                maximum = bar->maximum();
                minimumWidth = bar->minimumWidth();
                topLevel = bar->isWindow();
            }
        }
    });
    window->refreshProtocols();
    QCOMPARE(title, QStringLiteral("Поиск протоколов..."));
    QCOMPARE(maximum, 4);
    QCOMPARE(minimumWidth, 500);
    QVERIFY(topLevel);
    for (QWidget* widget : QApplication::topLevelWidgets())
        QVERIFY(!(qobject_cast<QProgressBar*>(widget) && widget->isVisible()));
}

void TestProtocolList::readingNeedsCurrentRow()
{
    auto* read = window->findChild<QPushButton*>("btRead");
    auto* load = window->findChild<QAction*>("actLoad");
    QVERIFY(!read->isEnabled());
    QVERIFY(!load->isEnabled());
    files()->setCurrentCell(1, 1);
    QVERIFY(read->isEnabled());
    QVERIFY(load->isEnabled());

    window->findChild<QAction*>("actRefresh")->trigger();
    QCOMPARE(files()->rowCount(), 4);
    QCOMPARE(files()->currentRow(), -1);
    QVERIFY(!read->isEnabled());
    QVERIFY(!load->isEnabled());
}

void TestProtocolList::dateFilterBounds()
{
    auto* group = window->findChild<QGroupBox*>("gbFile");
    auto* from = window->findChild<QDateTimeEdit*>("dtBegin");
    auto* to = window->findChild<QDateTimeEdit*>("dtEnd");
    QVERIFY(!group->isChecked());
    QCOMPARE(visibleNames().size(), 4);

    from->setDateTime(kSecond);
    to->setDateTime(kSecond);
    QCOMPARE(visibleNames().size(), 4); // not ticked yet
    group->setChecked(true);
    QCOMPARE(visibleNames(), QStringList{"Второй"});

    from->setDateTime(kFirst);
    QCOMPARE(visibleNames(), (QStringList{"Первый", "Второй"}));
    to->setDateTime(kThird.addSecs(-1));
    QCOMPARE(visibleNames(), (QStringList{"Первый", "Второй"}));
    to->setDateTime(kThird); // bounds are inclusive
    QCOMPARE(visibleNames(), (QStringList{"Первый", "Второй", "Третий"}));
    from->setDateTime(kFirst.addSecs(1));
    QCOMPARE(visibleNames(), (QStringList{"Второй", "Третий"}));

    group->setChecked(false);
    QCOMPARE(visibleNames().size(), 4);
}

void TestProtocolList::datesCannotCross()
{
    auto* from = window->findChild<QDateTimeEdit*>("dtBegin");
    auto* to = window->findChild<QDateTimeEdit*>("dtEnd");
    from->setDateTime(kFirst);
    to->setDateTime(kSecond);
    QCOMPARE(from->maximumDateTime(), kSecond);
    QCOMPARE(to->minimumDateTime(), kFirst);
    from->setDateTime(kThird);
    QCOMPARE(from->dateTime(), kSecond);
    to->setDateTime(kFirst.addDays(-1));
    QCOMPARE(to->dateTime(), kSecond);
}

void TestProtocolList::testRowCreatesAndAppends()
{
    window->findChild<QLineEdit*>("edName")->setText(QStringLiteral("Ручной протокол"));
    window->findChild<QPushButton*>("pushButton")->click();
    QCOMPARE(files()->rowCount(), 5);
    const QList<QTableWidgetItem*> found =
        files()->findItems(QStringLiteral("Ручной протокол"), Qt::MatchExactly);
    QCOMPARE(found.size(), 1);
    const int row = found.first()->row();
    const QString name = files()->item(row, 1)->data(Qt::UserRole).toString();
    QCOMPARE(files()->item(row, 2)->text(), QStringLiteral("139 B"));

    auto* channels = window->findChild<QComboBox*>("cbChan");
    const int current = channels->findText(QStringLiteral("Ток (I)"));
    QVERIFY(current >= 0);
    channels->setCurrentIndex(current);
    window->findChild<QDoubleSpinBox*>("sbValue")->setValue(-1.25);
    window->findChild<QPushButton*>("btAdd")->click();
    StreamLoger* loger = StreamLoger::instance();
    loger->closeProtocol();

    QVERIFY(loger->openProtocol(0, 0, name));
    const ChannelRecords result = loger->readProtocol();
    loger->closeProtocol();
    QCOMPARE(result.keys(), QStringList{"I"});
    QCOMPARE(result["I"].value(0).value, -125);
    QVERIFY(QFile::remove(protocolDir + '/' + name));
}

QTEST_MAIN(TestProtocolList)
#include "test_protocollist.moc"
