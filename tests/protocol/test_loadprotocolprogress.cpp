#include "protocol/loadprotocolprogress.h"
#include "protocol/streamloger.h"
#include "protocolfiles.h"

#include <QBoxLayout>
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
    void form();
    void slotsSetBarsAndCaption();
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
        for (quint8 id = 1; id <= 2; ++id) {
            LogRecord record;
            record.id = id;
            record.tick = quint32(tick);
            record.value = tick;
            if (id == 1 || tick % 3 == 0)
                records.append(record);
        }
    }
    const ProtocolHeader header =
        protocolfiles::header(QDateTime(QDate(2023, 1, 2), QTime(3, 4, 5)), 100);
    const QString name = QStringLiteral("t%1.log").arg(ticks);
    return protocolfiles::write(tmp.path() + "/p/" + name, protocolfiles::bytes(header, records))
               ? name
               : QString();
}

void TestLoadProtocolProgress::form()
{
    LoadProtocolProgress dialog;
    QCOMPARE(dialog.objectName(), QStringLiteral("LoadProtocolProgress"));
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Загрузка протоколов"));
    QCOMPARE(dialog.size(), QSize(836, 161));
    QCOMPARE(dialog.font().pointSize(), 12);
    QVERIFY(!dialog.cancelled);

    auto* layout = dialog.findChild<QVBoxLayout*>("verticalLayout");
    QVERIFY(layout);
    QCOMPARE(dialog.layout(), layout);
    const QStringList order{"label", "pbTotal", "labelDetail", "pbDetail"};
    QCOMPARE(layout->count(), 5);
    for (int i = 0; i < order.size(); ++i)
        QCOMPARE(layout->itemAt(i)->widget()->objectName(), order[i]);
    auto* row = qobject_cast<QHBoxLayout*>(layout->itemAt(4)->layout());
    QVERIFY(row);
    QCOMPARE(row->objectName(), QStringLiteral("horizontalLayout"));
    QCOMPARE(row->count(), 3);
    QVERIFY(row->itemAt(0)->spacerItem());
    QCOMPARE(row->itemAt(1)->widget()->objectName(), QStringLiteral("buttonCancel"));
    QVERIFY(row->itemAt(2)->spacerItem());

    auto* label = dialog.findChild<QLabel*>("label");
    auto* labelDetail = dialog.findChild<QLabel*>("labelDetail");
    QCOMPARE(label->text(), QStringLiteral("Загрузка"));
    QCOMPARE(labelDetail->text(), QStringLiteral("Загрузка протокола"));
    QCOMPARE(label->alignment(), Qt::AlignCenter);
    QCOMPARE(labelDetail->alignment(), Qt::AlignCenter);
    QCOMPARE(dialog.findChild<QProgressBar*>("pbTotal")->value(), 24);
    QCOMPARE(dialog.findChild<QProgressBar*>("pbDetail")->value(), 24);
    QCOMPARE(dialog.findChild<QPushButton*>("buttonCancel")->text(), QStringLiteral("Отмена"));
}

void TestLoadProtocolProgress::slotsSetBarsAndCaption()
{
    LoadProtocolProgress dialog;
    auto* total = dialog.findChild<QProgressBar*>("pbTotal");
    auto* detail = dialog.findChild<QProgressBar*>("pbDetail");
    auto* labelDetail = dialog.findChild<QLabel*>("labelDetail");

    dialog.initTotalProgress(7);
    QCOMPARE(total->minimum(), 0);
    QCOMPARE(total->maximum(), 7);
    dialog.setTotalProgress(3);
    QCOMPARE(total->value(), 3);

    dialog.initDetailProgress(50, QStringLiteral("Фаза"));
    QCOMPARE(detail->maximum(), 50);
    QCOMPARE(labelDetail->text(), QStringLiteral("Фаза"));
    dialog.setDetailProgress(20);
    QCOMPARE(detail->value(), 20);
    dialog.initDetailProgress(0);
    QCOMPARE(labelDetail->text(), QString());
    QCOMPARE(detail->minimum(), 0);
    QCOMPARE(detail->maximum(), 0);
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
    QCOMPARE(detail->maximum(), 2 * 2500);
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
    int clickedAt = -1;
    connect(loger, &StreamLoger::startLoad, this, [&] { ++phase; });
    connect(loger, &StreamLoger::progressLoad, this, [&](int step) {
        if (phase == 2 && step >= 1000 && clickedAt < 0) {
            clickedAt = step;
            QTest::mouseClick(button, Qt::LeftButton);
        }
    });
    QVERIFY(loger->openProtocol(0, 0, name));
    const ChannelRecords result = loger->readProtocol();
    disconnect(loger, nullptr, this, nullptr);

    QVERIFY(dialog.cancelled);
    QVERIFY(clickedAt >= 1000 && clickedAt < 3000);
    QCOMPARE(result["A"].size(), clickedAt + 1);
    QVERIFY(result["B"].isEmpty());

    // The flag of the dialog stays; the reader's is cleared by the next read.
    QVERIFY(loger->openProtocol(0, 0, name));
    QCOMPARE(loger->readProtocol()["B"].size(), 3000);
    QVERIFY(dialog.cancelled);
}

void TestLoadProtocolProgress::destroyedDialogIsLeftAlone()
{
    const QString name = writeProtocol(10);
    auto* dialog = new LoadProtocolProgress;
    auto* detail = dialog->findChild<QProgressBar*>("pbDetail");
    QSignalSpy destroyedSpy(detail, &QObject::destroyed);
    delete dialog;
    QCOMPARE(destroyedSpy.size(), 1);
    // Signals of the reader reach no one now.
    emit loger->startLoad(5, QStringLiteral("x"));
    emit loger->progressLoad(3);
    QVERIFY(loger->openProtocol(0, 0, name));
    QCOMPARE(loger->readProtocol()["A"].size(), 10);
}

QTEST_MAIN(TestLoadProtocolProgress)
#include "test_loadprotocolprogress.moc"
