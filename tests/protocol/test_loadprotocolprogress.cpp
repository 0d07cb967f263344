#include "protocol/loadprotocolprogress.h"
#include "protocol/streamloger.h"
#include "protocolfiles.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

class TestLoadProtocolProgress : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void formAndSlots();
    void readerDrivesLowerBar();
    void cancelDuringFillingStopsReader();
    void destroyedDialogIsLeftAlone();

private:
    QString writeProtocol(int ticks);

    QTemporaryDir tmp;
    StreamLoger* loger = nullptr;
};

void TestLoadProtocolProgress::initTestCase()
{
    QVERIFY(protocolfiles::writeDefinition(
        tmp.path(), R"({"ROOT": "p", "CONTENT": [{"VALUES": [{"CODE": "A", "ID": 1},
                        {"CODE": "B", "ID": 2}]}]})"));
    loger = StreamLoger::instance();
    QVERIFY(loger->init(tmp.path()));
}

void TestLoadProtocolProgress::cleanupTestCase()
{
    StreamLoger::release();
}

QString TestLoadProtocolProgress::writeProtocol(int ticks)
{
    QVector<LogRecord> records;
    for (int tick = 0; tick < ticks; ++tick) {
        records.append(protocolfiles::rec(1, quint32(tick), tick));
        if (tick % 3 == 0)
            records.append(protocolfiles::rec(2, quint32(tick), tick));
    }
    const ProtocolHeader header =
        protocolfiles::header(QDateTime(QDate(2023, 1, 2), QTime(3, 4, 5)), 100);
    const QString name = QStringLiteral("t%1.log").arg(ticks);
    return protocolfiles::write(tmp.path() + "/p/" + name, protocolfiles::bytes(header, records))
               ? name
               : QString();
}

void TestLoadProtocolProgress::formAndSlots()
{
    LoadProtocolProgress dialog;
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Загрузка протоколов"));
    QCOMPARE(dialog.size(), QSize(836, 161));
    QCOMPARE(dialog.font().pointSize(), 12);
    QVERIFY(!dialog.cancelled);
    auto* labelDetail = dialog.findChild<QLabel*>("labelDetail");
    QCOMPARE(dialog.findChild<QLabel*>("label")->text(), QStringLiteral("Загрузка"));
    QCOMPARE(labelDetail->text(), QStringLiteral("Загрузка протокола"));
    QCOMPARE(dialog.findChild<QPushButton*>("buttonCancel")->text(), QStringLiteral("Отмена"));

    dialog.initDetailProgress(0);
    QCOMPARE(labelDetail->text(), QString());
}

void TestLoadProtocolProgress::readerDrivesLowerBar()
{
    const QString name = writeProtocol(2500);
    LoadProtocolProgress dialog;
    auto* detail = dialog.findChild<QProgressBar*>("pbDetail");
    auto* labelDetail = dialog.findChild<QLabel*>("labelDetail");
    QVector<QPair<int, int>> seen; // (maximum, value) at each record-phase step
    connect(loger, &StreamLoger::progressLoad, this, [&] {
        seen.append({detail->maximum(), detail->value()});
    });

    QVERIFY(loger->openProtocol(0, 0, name));
    const ChannelRecords result = loger->readProtocol();
    disconnect(loger, nullptr, this, nullptr);
    QCOMPARE(result["B"].size(), 2500);

    const int records = 2500 + 834;
    QVERIFY(seen.contains({records, records})); // the record phase ended full
    QCOMPARE(labelDetail->text(), QStringLiteral("Заполнение пробелов в таблице"));
    QCOMPARE(detail->value(), 2 * 2500 - 1);
    QVERIFY(!dialog.cancelled);
}

void TestLoadProtocolProgress::cancelDuringFillingStopsReader()
{
    const QString name = writeProtocol(3000);
    LoadProtocolProgress dialog;
    dialog.show();
    auto* button = dialog.findChild<QPushButton*>("buttonCancel");
    int phase = 0;
    connect(loger, &StreamLoger::startLoad, this, [&] { ++phase; });
    connect(loger, &StreamLoger::progressLoad, this, [&](int step) {
        if (phase == 2 && step == 1000)
            QTest::mouseClick(button, Qt::LeftButton);
    });
    QVERIFY(loger->openProtocol(0, 0, name));
    const ChannelRecords result = loger->readProtocol();
    disconnect(loger, nullptr, this, nullptr);
    QVERIFY(dialog.cancelled);
    QVERIFY(result["B"].isEmpty());

    // The dialog's flag stays set after the next read.
    QVERIFY(loger->openProtocol(0, 0, name));
    QCOMPARE(loger->readProtocol()["B"].size(), 3000);
    QVERIFY(dialog.cancelled);
}

void TestLoadProtocolProgress::destroyedDialogIsLeftAlone()
{
    const QString name = writeProtocol(10);
    delete new LoadProtocolProgress;
    // Signals of the reader reach no one now.
    emit loger->startLoad(5, QStringLiteral("x"));
    emit loger->progressLoad(3);
    QVERIFY(loger->openProtocol(0, 0, name));
    QCOMPARE(loger->readProtocol()["A"].size(), 10);
}

QTEST_MAIN(TestLoadProtocolProgress)
#include "test_loadprotocolprogress.moc"
