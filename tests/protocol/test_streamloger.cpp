#include "protocol/streamloger.h"
#include "protocolfiles.h"

#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace {
using Records = QVector<LogRecord>;

using protocolfiles::rec;

// "tick:value tick:value ..." of a series, for readable comparisons.
QString points(const Records& series)
{
    QStringList out;
    for (const LogRecord& record : series)
        out.append(QStringLiteral("%1:%2").arg(record.tick).arg(record.value));
    return out.join(QLatin1Char(' '));
}

// "code=tick:value ...; code=..." of a whole read.
QString layout(const ChannelRecords& result)
{
    QStringList out;
    for (auto it = result.cbegin(); it != result.cend(); ++it)
        out.append(it.key() + QLatin1Char('=') + points(it.value()));
    return out.join(QStringLiteral("; "));
}

const QByteArray kDefinition = R"({"ROOT": "protocols", "CONTENT": [{"GROUP": "main", "VALUES": [
    {"CODE": "A", "ID": 1, "NAME": "Напряжение", "RATE": 1},
    {"CODE": "B", "ID": 2, "NAME": "Ток", "RATE": 2},
    {"CODE": "C", "ID": 3, "NAME": "Температура"}]}]})";
} // namespace

Q_DECLARE_METATYPE(LogRecord)

class TestStreamLoger : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup();
    void cleanupTestCase();

    void headerAndRecordLayout();
    void protocolList();
    void openModes();
    void alignment_data();
    void alignment();
    void progressSignals();
    void cancelInRecordPhase();
    void cancelInFillingPhase_data();
    void cancelInFillingPhase();
    void eventsWhileReadingOnlyWhenAsked_data();
    void eventsWhileReadingOnlyWhenAsked();
    void absurdHeaders();
    void badFiles();
    void notRegularFilesAreRefusedUnopened_data();
    void notRegularFilesAreRefusedUnopened();
    void highBytesDecodeAsUnsignedTicksAndSignedValues();
    void limitsAndUnreadableFilesAreNamed();
    void cutShortWhileReadIsReported();
    void fileChangesAfterOpening();
    void writeThenRead();
    void writeRefusals();
    void writeRealScaling_data();
    void writeRealScaling();
    void newProtocolNeverEmptiesAnExistingOne();

private:
    QString put(const QString& name, const Records& records, const QByteArray& tail = {});
    bool raw(const QString& name, const QByteArray& content)
    {
        return protocolfiles::write(protocolDir + QLatin1Char('/') + name, content);
    }
    ChannelRecords readFile(const QString& name);
    struct Trace
    {
        QVector<int> counts; // per phase: its count, its text, its steps
        QStringList texts;
        QVector<QVector<int>> steps;
        int cancelledAt = -1;
        ChannelRecords result;
    };
    Trace traceRead(int cancelPhase = 0, int cancelFrom = 0);

    QTemporaryDir tmp;
    QString protocolDir;
    StreamLoger* loger = nullptr;
    const QDateTime start{QDate(2023, 5, 17), QTime(10, 20, 30)};
};

void TestStreamLoger::initTestCase()
{
    QVERIFY(protocolfiles::writeDefinition(tmp.path(), kDefinition));
    loger = StreamLoger::instance();
    QVERIFY(loger->init(tmp.path()));
    protocolDir = tmp.path() + QStringLiteral("/protocols");
}

void TestStreamLoger::cleanup()
{
    loger->closeProtocol();
    QDir dir(protocolDir);
    for (const QString& name : dir.entryList(QDir::Files))
        dir.remove(name);
}

void TestStreamLoger::cleanupTestCase()
{
    StreamLoger::release();
}

QString TestStreamLoger::put(const QString& name, const Records& records, const QByteArray& tail)
{
    const QByteArray content =
        protocolfiles::bytes(protocolfiles::header(start, 100, QStringLiteral("тест")), records) +
        tail;
    return raw(name, content) ? name : QString();
}

ChannelRecords TestStreamLoger::readFile(const QString& name)
{
    if (!loger->openProtocol(0, 0, name))
        return {{QStringLiteral("not opened"), {}}};
    ChannelRecords result = loger->readProtocol();
    loger->closeProtocol();
    return result;
}

// Reads the open protocol, cancelling at the first step of phase
// `cancelPhase` (1 records, 2 filling) at or beyond `cancelFrom`.
TestStreamLoger::Trace TestStreamLoger::traceRead(int cancelPhase, int cancelFrom)
{
    Trace trace;
    connect(loger, &StreamLoger::startLoad, this, [&](int count, const QString& text) {
        trace.counts.append(count);
        trace.texts.append(text);
        trace.steps.append(QVector<int>());
    });
    connect(loger, &StreamLoger::progressLoad, this, [&](int step) {
        trace.steps.last().append(step);
        if (trace.counts.size() == cancelPhase && step >= cancelFrom && trace.cancelledAt < 0) {
            trace.cancelledAt = step;
            StreamLoger::cancelLoad();
        }
    });
    trace.result = loger->readProtocol();
    disconnect(loger, nullptr, this, nullptr);
    return trace;
}

void TestStreamLoger::headerAndRecordLayout()
{
    ProtocolHeader head = protocolfiles::header(QDateTime(QDate(2024, 2, 29), QTime(23, 58, 7)),
                                                0x1234, QStringLiteral("Яд"));
    const QByteArray bytes = protocolformat::encodeHeader(head);
    QCOMPARE(bytes.size(), kProtocolHeaderSize);
    QCOMPARE(bytes.left(3), QByteArray("LOG"));
    QCOMPARE(quint8(bytes[3]), quint8(2024 & 0xff));
    QCOMPARE(quint8(bytes[4]), quint8(2024 >> 8));
    QCOMPARE(bytes.mid(5, 5), QByteArray("\x02\x1d\x17\x3a\x07", 5));
    QCOMPARE(bytes.mid(10, 3), QByteArray("\xdf\xe4\x00", 3)); // CP1251 "Яд" and NUL
    QCOMPARE(bytes.mid(13, 124), QByteArray(124, '\0'));
    QCOMPARE(bytes.mid(137, 2), QByteArray("\x34\x12", 2));
    QCOMPARE(protocolformat::encodeRecord(rec(0xAB, 0x01020304, -2)),
             QByteArray("\xab\x04\x03\x02\x01\xfe\xff\xff\xff", 9));
    QCOMPARE(protocolformat::fileNameFor(start), QStringLiteral("2023_05_17_10_20_30.log"));
}

void TestStreamLoger::protocolList()
{
    QVERIFY(
        raw("b.log", protocolfiles::bytes(
                         protocolfiles::header(start, 1000, QStringLiteral("Испытание №2")), {})));
    ProtocolHeader full = protocolfiles::header(start.addDays(1), 100);
    std::fill(std::begin(full.description), std::end(full.description), '\xe0'); // no NUL at all
    QVERIFY(raw("A.log", protocolfiles::bytes(full, {rec(1, 0, 1)})));
    QVERIFY(!put("c.log", {}).isEmpty());

    // What is no protocol is neither listed nor opened.
    QByteArray bad = protocolfiles::bytes(protocolfiles::header(start, 100), {rec(1, 0, 1)});
    bad[0] = 'l';
    QVERIFY(raw("bad.log", bad));
    QVERIFY(raw("empty.log", QByteArray()));
    QVERIFY(raw("short.log", bad.left(138).replace(0, 1, "L")));
    QVERIFY(raw("zeros.log", QByteArray(1000, '\0')));
    QVERIFY(!put("good.txt", {}).isEmpty());
    QVERIFY(QDir(protocolDir).mkdir("folder.log"));

    const QList<ProtocolInfo> list = loger->protocolList();
    QCOMPARE(list.size(), 3);
    QCOMPARE(list[0].fileName, QStringLiteral("A.log"));
    QCOMPARE(list[0].start, start.addDays(1));
    QCOMPARE(list[0].description, QString(127, QChar(0x0430))); // cut at the field's end
    QCOMPARE(list[1].fileName, QStringLiteral("b.log"));
    QCOMPARE(list[1].description, QStringLiteral("Испытание №2"));
    QCOMPARE(list[1].start, start);
    QCOMPARE(list[2].fileName, QStringLiteral("c.log"));
    for (const char* name : {"bad.log", "empty.log", "short.log", "zeros.log", "folder.log"})
        QVERIFY2(!loger->openProtocol(0, 0, name), name);
    QVERIFY(QDir(protocolDir).rmdir("folder.log"));
}

void TestStreamLoger::openModes()
{
    QVERIFY(!put("p.log", {rec(1, 0, 5)}).isEmpty());
    QVERIFY(!loger->openProtocol(2, 100, "p.log"));
    QVERIFY(!loger->openProtocol(-1, 100, "p.log"));
    QVERIFY(!loger->openProtocol(0, 0, "missing.log"));
    QVERIFY(loger->readProtocol().isEmpty());

    QVERIFY(loger->openProtocol(0, 0, "p.log"));
    QDateTime base;
    quint16 tickMs = 0;
    loger->protocolTimeBase(base, tickMs);
    QCOMPARE(base, start);
    QCOMPARE(tickMs, quint16(100));
    QCOMPARE(loger->tickToDateTime(36000), start.addSecs(3600));
    QVERIFY(!loger->writeValue("A", 1, true, 1));
    // Reading twice gives the same records.
    QCOMPARE(points(loger->readProtocol().value("A")), QStringLiteral("0:5"));
    QCOMPARE(points(loger->readProtocol().value("A")), QStringLiteral("0:5"));
    loger->closeProtocol();
    QVERIFY(loger->readProtocol().isEmpty());

    // A failed open leaves nothing open.
    QVERIFY(loger->openProtocol(0, 0, "p.log"));
    QVERIFY(!loger->openProtocol(0, 0, "missing.log"));
    QVERIFY(loger->readProtocol().isEmpty());

    // The largest tick times the largest tick length needs 64 bits.
    QVERIFY(raw("m.log", protocolfiles::bytes(protocolfiles::header(start, 65535), {})));
    QVERIFY(loger->openProtocol(0, 0, "m.log"));
    QCOMPARE(loger->tickToDateTime(0xFFFFFFFFu), start.addMSecs(qint64(0xFFFFFFFFu) * 65535));
}

void TestStreamLoger::alignment_data()
{
    QTest::addColumn<Records>("records");
    QTest::addColumn<QByteArray>("tail");
    QTest::addColumn<QString>("expected");
    QTest::newRow("aligned input kept as it is")
        << Records{rec(1, 0, 1), rec(2, 0, 3), rec(1, 1, 2), rec(2, 1, 4)} << QByteArray()
        << "A=0:1 1:2; B=0:3 1:4";
    QTest::newRow("trailing part of a record ignored")
        << Records{rec(1, 0, 1), rec(1, 1, 2), rec(1, 2, 3)}
        << QByteArray("\x01\x03\x00\x00\x00", 5) << "A=0:1 1:2 2:3";
    QTest::newRow("gap repeats last value") << Records{rec(1, 0, 10), rec(2, 0, 20), rec(1, 5, 11)}
                                            << QByteArray() << "A=0:10 5:11; B=0:20 5:20";
    QTest::newRow("first value carried back")
        << Records{rec(1, 0, 1), rec(1, 1, 2), rec(3, 2, 30), rec(1, 3, 4)} << QByteArray()
        << "A=0:1 1:2 2:2 3:4; C=0:30 1:30 2:30 3:30";
    QTest::newRow("ticks out of order")
        << Records{rec(1, 3, 7), rec(2, 0, 1)} << QByteArray() << "A=3:7 0:7; B=3:1 0:1";
    QTest::newRow("a channel's own ticks run backwards")
        << Records{rec(1, 5, 1), rec(1, 2, 2), rec(1, 6, 3)} << QByteArray() << "A=5:1 2:1 6:3";
    QTest::newRow("duplicate ticks of one channel")
        << Records{rec(1, 0, 10), rec(1, 0, 11), rec(2, 0, 5), rec(1, 4, 12), rec(1, 4, 13)}
        << QByteArray() << "A=0:10 4:12; B=0:5 4:5";
    // Two unknown channels never share a column: each keeps its own values.
    QTest::newRow("unknown IDs each under a code of their own")
        << Records{rec(1, 0, 1), rec(99, 0, 7), rec(44, 1, 8), rec(1, 2, 3), rec(99, 2, 9)}
        << QByteArray() << "A=0:1 1:1 2:3; ID 44=0:8 1:8 2:8; ID 99=0:7 1:7 2:9";
}

void TestStreamLoger::alignment()
{
    QFETCH(Records, records);
    QFETCH(QByteArray, tail);
    QFETCH(QString, expected);
    QVERIFY(loger->openProtocol(0, 0, put("a.log", records, tail)));
    const Trace trace = traceRead();
    QCOMPARE(layout(trace.result), expected);
    QCOMPARE(trace.counts.value(0), records.size()); // a trailing part is no record
    // Unknown channels are a problem of the read, named by their IDs.
    const ReadProblem& problem = loger->channelProblem();
    if (!expected.contains(QStringLiteral("ID "))) {
        QVERIFY(problem.isNone());
        return;
    }
    QCOMPARE(problem.kind, ReadProblem::Kind::UnknownIds);
    QCOMPARE(problem.englishText(),
             QDir::toNativeSeparators(protocolDir + "/a.log") +
                 QStringLiteral(": holds channel IDs 44, 99 that %1 lacks; their raw values are "
                                "shown as \"ID 44\", \"ID 99\"")
                     .arg(QDir::toNativeSeparators(tmp.path() + "/log.def")));
    QVERIFY(problem.isPartial());
    QVERIFY(!problem.isNotice());
}

void TestStreamLoger::progressSignals()
{
    Records records;
    for (quint32 tick = 0; tick < 2500; ++tick) {
        records.append(rec(1, tick, 1));
        if (tick % 2 == 0)
            records.append(rec(2, tick, 2));
    }
    QVERIFY(loger->openProtocol(0, 0, put("s.log", records)));
    const Trace trace = traceRead();

    QCOMPARE(trace.counts, (QVector<int>{records.size(), 2500 * 2}));
    QCOMPARE(trace.texts, (QStringList{QStringLiteral("Загрузка протокола ") +
                                           QFileInfo(protocolDir + "/s.log").absoluteFilePath(),
                                       QStringLiteral("Заполнение пробелов в таблице")}));
    for (int p = 0; p < 2; ++p) {
        const QVector<int>& phase = trace.steps[p];
        QVERIFY(std::is_sorted(phase.cbegin(), phase.cend()));
        QCOMPARE(phase.first(), 0);
        QVERIFY(phase.contains(1000));
        QVERIFY(phase.contains(2000));
        // A bar never skips a percent.
        const int count = trace.counts[p];
        for (int i = 1; i < phase.size(); ++i)
            QVERIFY2(phase[i] * 100 / count - phase[i - 1] * 100 / count <= 1,
                     qPrintable(
                         QStringLiteral("%1 %2 of %3").arg(phase[i - 1]).arg(phase[i]).arg(count)));
    }
    // The record phase ends at the record count, the filling phase at its last step.
    QCOMPARE(trace.steps[0].last(), records.size());
    QCOMPARE(trace.steps[0][trace.steps[0].size() - 2], records.size() - 1);
    QCOMPARE(trace.steps[1].last(), 2500 * 2 - 1);
}

void TestStreamLoger::cancelInRecordPhase()
{
    Records records;
    for (quint32 tick = 0; tick < 3000; ++tick)
        for (quint8 id = 1; id <= 3; ++id)
            records.append(rec(id, tick, qint32(tick)));
    records.append(rec(9, 3000, 1));
    QVERIFY(loger->openProtocol(0, 0, put("c.log", records)));
    const Trace trace = traceRead(1, 4000);

    QVERIFY(trace.cancelledAt >= 4000);
    const int handled = trace.cancelledAt + 1; // the record at which the flag was seen counts
    QCOMPARE(trace.steps[0].last(), handled);
    // Only channels seen so far, all left unfilled.
    QCOMPARE(trace.result.keys(), (QStringList{"A", "B", "C"}));
    for (const Records& series : trace.result)
        QVERIFY(series.isEmpty());
    QCOMPARE(trace.counts.value(1), (handled + 2) / 3 * 3);

    // The next read starts afresh.
    QVERIFY(loger->openProtocol(0, 0, "c.log"));
    QCOMPARE(loger->readProtocol().value("A").size(), 3001);
}

void TestStreamLoger::cancelInFillingPhase_data()
{
    QTest::addColumn<bool>("aligned");
    QTest::newRow("gaps to fill") << false;
    QTest::newRow("nothing to fill") << true;
}

void TestStreamLoger::cancelInFillingPhase()
{
    QFETCH(bool, aligned);
    Records records;
    for (quint32 tick = 0; tick < 3000; ++tick)
        for (quint8 id = 1; id <= 3; ++id)
            if (aligned || id != 2 || tick % 10 == 0)
                records.append(rec(id, tick, qint32(tick)));
    QVERIFY(loger->openProtocol(0, 0, put("f.log", records)));
    const Trace trace = traceRead(2, 4500);
    const ChannelRecords& result = trace.result;

    // Steps 0..2999 fill A, 3000..5999 B, 6000.. C; B stops after the step that saw the flag.
    QVERIFY(trace.cancelledAt >= 4500 && trace.cancelledAt < 6000);
    QCOMPARE(result.keys(), (QStringList{"A", "B", "C"}));
    QCOMPARE(result["A"].size(), 3000);
    QCOMPARE(result["B"].size(), trace.cancelledAt - 3000 + 1);
    QVERIFY(result["C"].isEmpty());
    const Records& b = result["B"];
    for (int j = 0; j < b.size(); ++j) {
        QCOMPARE(b[j].tick, quint32(j));
        QCOMPARE(b[j].value, aligned ? j : j / 10 * 10);
    }
}

void TestStreamLoger::eventsWhileReadingOnlyWhenAsked_data()
{
    QTest::addColumn<bool>("on");
    QTest::newRow("a window waits") << true;
    QTest::newRow("a batch run") << false;
}

void TestStreamLoger::eventsWhileReadingOnlyWhenAsked()
{
    QFETCH(bool, on);
    Records records;
    for (quint32 tick = 0; tick < 3000; ++tick)
        records.append(rec(1, tick, qint32(tick)));
    QVERIFY(loger->openProtocol(0, 0, put("e.log", records)));
    QObject receiver; // a call left waiting goes with it
    bool delivered = false;
    QTimer::singleShot(0, &receiver, [&delivered] { delivered = true; });
    loger->setEventsWhileReading(on);
    const ChannelRecords result = loger->readProtocol();
    loger->setEventsWhileReading(true);
    QCOMPARE(delivered, on);
    QCOMPARE(result.value("A").size(), 3000);
}

void TestStreamLoger::absurdHeaders()
{
    ProtocolHeader heads[3] = {protocolfiles::header(start, 0), protocolfiles::header(start, 100),
                               protocolfiles::header(start, 100)};
    heads[0].month = 13;
    heads[1].hour = 25;
    heads[2].year = 0;
    heads[2].day = 0;
    for (int i = 0; i < 3; ++i)
        QVERIFY(raw(QStringLiteral("%1.log").arg(i + 1),
                    protocolfiles::bytes(heads[i], {rec(1, 7, 1)})));

    const QList<ProtocolInfo> list = loger->protocolList();
    QCOMPARE(list.size(), 3);
    for (const ProtocolInfo& info : list)
        QVERIFY(!info.start.isValid());

    QVERIFY(loger->openProtocol(0, 0, "1.log"));
    QVERIFY(!loger->tickToDateTime(7).isValid());
    QDateTime base;
    quint16 tickMs = 1;
    loger->protocolTimeBase(base, tickMs);
    QVERIFY(!base.isValid());
    QCOMPARE(tickMs, quint16(0));
    QCOMPARE(points(loger->readProtocol().value("A")), QStringLiteral("7:1"));
    QVERIFY(loger->openProtocol(0, 0, "2.log"));
    QVERIFY(!loger->tickToDateTime(0).isValid());
}

void TestStreamLoger::badFiles()
{
    // Header only: no records, no ticks, both phases still announced.
    QVERIFY(loger->openProtocol(0, 0, put("h.log", {})));
    QSignalSpy starts(loger, &StreamLoger::startLoad);
    QVERIFY(loger->readProtocol().isEmpty());
    QCOMPARE(starts.size(), 2);
    QCOMPARE(starts[0][0].toInt(), 0);
    QCOMPARE(starts[1][0].toInt(), 0);

    // A signature followed by zeros: records of the unknown ID 0 at tick 0.
    QByteArray zeros("LOG");
    zeros += QByteArray(139 + 9 * 100 - 3, '\0');
    QVERIFY(raw("z.log", zeros));
    const ChannelRecords zero = readFile("z.log");
    QCOMPARE(zero.keys(), QStringList{"ID 0"});
    QCOMPARE(points(zero["ID 0"]), QStringLiteral("0:0"));

    // Random bytes behind a signature: whatever is read is aligned.
    QRandomGenerator random(7);
    for (int round = 0; round < 20; ++round) {
        QByteArray noise("LOG");
        const int size = int(random.bounded(0, 20000));
        for (int i = 0; i < size; ++i)
            noise += char(random.bounded(256));
        QVERIFY(raw("n.log", noise));
        const ChannelRecords result = readFile("n.log");
        QVERIFY(!result.contains("not opened") || size < 136);
        int length = -1;
        for (const Records& series : result) {
            QVERIFY(length < 0 || series.size() == length);
            length = series.size();
        }
    }
}

void TestStreamLoger::notRegularFilesAreRefusedUnopened_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("what");
    QTest::newRow("FIFO") << "fifo"
                          << "a FIFO";
    QTest::newRow("device node") << "device"
                                 << "a device";
    QTest::newRow("folder") << "folder"
                            << "a folder";
    QTest::newRow("link to /dev/zero") << "zero"
                                       << "a device";
}

void TestStreamLoger::notRegularFilesAreRefusedUnopened()
{
    QFETCH(QString, kind);
    QFETCH(QString, what);
    // Opening a FIFO for reading would wait for a writer for ever.
    const QString path = protocolDir + QStringLiteral("/x.log");
    const QByteArray name = QFile::encodeName(path);
    if (kind == "fifo")
        QCOMPARE(::mkfifo(name.constData(), 0600), 0);
    else if (kind == "device") // the same device as /dev/null
        QCOMPARE(::mknod(name.constData(), S_IFCHR | 0600, makedev(1, 3)), 0);
    else if (kind == "folder")
        QVERIFY(QDir().mkpath(path));
    else
        QVERIFY(QFile::link(QStringLiteral("/dev/zero"), path));
    const auto removeIt = qScopeGuard([&] {
        QFile::remove(path);
        QDir().rmdir(path);
    });
    QVERIFY(loger->protocolList().isEmpty());
    // By its bare name and by its full path alike.
    for (const QString& given : {QStringLiteral("x.log"), path}) {
        QVERIFY(!loger->openProtocol(0, 0, given));
        QCOMPARE(loger->readProblem().kind, ReadProblem::Kind::NotRegularFile);
        QCOMPARE(loger->readProblem().englishText(),
                 QDir::toNativeSeparators(path) +
                     QStringLiteral(": is not a regular file but %1; it was not read").arg(what));
    }
}

void TestStreamLoger::highBytesDecodeAsUnsignedTicksAndSignedValues()
{
    // Bytes written by hand, not by the encoder, and each of them 0x80 or
    // above where the field allows: a sign-extended byte shows at once.
    const QByteArray records = QByteArray::fromHex("01"
                                                   "83828180"
                                                   "8584ffff" // -31611
                                                   "01"
                                                   "84828180"
                                                   "ffffff7f" // 2147483647
                                                   "01"
                                                   "feffffff"
                                                   "80808080"); // -2139062144
    const QByteArray head = protocolformat::encodeHeader(protocolfiles::header(start, 100));
    QVERIFY(raw("high.log", head + records));
    QCOMPARE(points(readFile("high.log").value("A")),
             QStringLiteral("2155971203:-31611 2155971204:2147483647 4294967294:-2139062144"));
    // A tick past 2^31 ticks of 100 ms still counts forward from the start.
    QVERIFY(loger->openProtocol(0, 0, "high.log"));
    QCOMPARE(loger->tickToDateTime(0x80818283u), start.addMSecs(qint64(0x80818283u) * 100));
}

void TestStreamLoger::limitsAndUnreadableFilesAreNamed()
{
    Records eight;
    for (quint32 tick = 0; tick < 8; ++tick) {
        eight.append(rec(1, tick, qint32(tick)));
        eight.append(rec(2, tick, qint32(tick)));
    }
    QVERIFY(!put("big.log", eight).isEmpty());

    // Past the record limit the first records are read, and the file says so.
    loger->setReadLimits(5, StreamLoger::kMaxFilledValues);
    QVERIFY(loger->openProtocol(0, 0, "big.log"));
    QCOMPARE(points(loger->readProtocol().value("A")), QStringLiteral("0:0 1:1 2:2"));
    QCOMPARE(loger->readProblem().kind, ReadProblem::Kind::RecordLimit);
    QCOMPARE(loger->readProblem().englishText(),
             QDir::toNativeSeparators(protocolDir + "/big.log") +
                 QStringLiteral(": has more than 5 records; only the first 5 were read"));

    // Too many values to fill: nothing, and a reason.
    loger->setReadLimits(StreamLoger::kMaxRecords, 15);
    QVERIFY(loger->openProtocol(0, 0, "big.log"));
    QVERIFY(loger->readProtocol().isEmpty());
    QCOMPARE(loger->readProblem().kind, ReadProblem::Kind::FilledStepLimit);
    QVERIFY(loger->readProblem().englishText().contains(QStringLiteral("15")));

    // More than the memory allows: refused, naming what it needs and what
    // there is. 16 records of 12 bytes each.
    loger->setReadLimits(StreamLoger::kMaxRecords, StreamLoger::kMaxFilledValues, 100);
    QVERIFY(loger->openProtocol(0, 0, "big.log"));
    QVERIFY(loger->readProtocol().isEmpty());
    QCOMPARE(loger->readProblem().englishText(),
             QDir::toNativeSeparators(protocolDir + "/big.log") +
                 QStringLiteral(": needs 192 bytes of memory, more than the 100 bytes free; "
                                "it was not read"));
    QCOMPARE(loger->readProblem().russianReason(),
             QStringLiteral("для чтения нужно 192 байт памяти, а свободно только 100 байт, "
                            "протокол не загружен"));
    // Few records, but each on a tick of its own in another channel: the
    // gap-filled cells (4 ticks x 4 channels x 4 bytes) are what does not fit.
    QVERIFY(!put("sparse.log", {rec(1, 0, 1), rec(2, 1, 2), rec(3, 2, 3), rec(9, 3, 4)}).isEmpty());
    loger->setReadLimits(StreamLoger::kMaxRecords, StreamLoger::kMaxFilledValues, 63);
    QVERIFY(loger->openProtocol(0, 0, "sparse.log"));
    QVERIFY(loger->readProtocol().isEmpty());
    QCOMPARE(loger->readProblem().englishText(),
             QDir::toNativeSeparators(protocolDir + "/sparse.log") +
                 QStringLiteral(": needs 64 bytes of memory, more than the 63 bytes free; "
                                "it was not read"));
    loger->setReadLimits(StreamLoger::kMaxRecords, StreamLoger::kMaxFilledValues, 64);
    QVERIFY(loger->openProtocol(0, 0, "sparse.log"));
    QCOMPARE(loger->readProtocol().size(), 4);
    QVERIFY(loger->readProblem().isNone());
    // Columns computed after the read are counted before: 4 rows of 8 bytes more.
    loger->setComputedColumns(1);
    QVERIFY(loger->openProtocol(0, 0, "sparse.log"));
    QVERIFY(loger->readProtocol().isEmpty());
    QVERIFY2(loger->readProblem().englishText().contains(QStringLiteral("needs 96 bytes")),
             qPrintable(loger->readProblem().englishText()));
    loger->setComputedColumns(0);
    // Large sizes read in megabytes, rounded up.
    ReadProblem large;
    large.kind = ReadProblem::Kind::TooLarge;
    large.file = QStringLiteral("x.log");
    large.needed = 3LL * 1024 * 1024 * 1024 + 1;
    large.limit = 1024 * 1024;
    QCOMPARE(large.englishText(),
             QStringLiteral("x.log: needs 3073 MB of memory, more than the 1 MB free; it was not "
                            "read"));

    loger->setReadLimits(StreamLoger::kMaxRecords, StreamLoger::kMaxFilledValues);
    QVERIFY(raw("short.log", "LOG"));
    QVERIFY(!loger->openProtocol(0, 0, "short.log"));
    QCOMPARE(loger->readProblem().kind, ReadProblem::Kind::NotProtocol);
}

void TestStreamLoger::cutShortWhileReadIsReported()
{
    // Another program truncates the file once the reader has counted it.
    Records records;
    for (quint32 tick = 0; tick < 5000; ++tick)
        records.append(rec(1, tick, qint32(tick)));
    QVERIFY(!put("cut.log", records).isEmpty());
    QVERIFY(loger->openProtocol(0, 0, "cut.log"));
    auto cut = connect(loger, &StreamLoger::startLoad, this, [this](int count) {
        if (count == 5000)
            QVERIFY(QFile::resize(protocolDir + "/cut.log", 139 + 9 * 1200 + 5));
    });
    const ChannelRecords result = loger->readProtocol();
    disconnect(cut);
    QCOMPARE(result.value("A").size(), 1200);
    QCOMPARE(result.value("A").last().value, 1199);
    const ReadProblem& problem = loger->readProblem();
    QCOMPARE(problem.kind, ReadProblem::Kind::CutShort);
    QVERIFY(problem.isPartial());
    QCOMPARE(problem.handled, 1200);
    QCOMPARE(problem.limit, 5000);
    QCOMPARE(problem.russianReason(),
             QStringLiteral("файл укоротился во время чтения, прочитаны только 1200 записей из "
                            "5000"));

    // A cancel stops the read early too, but is no fault of the file.
    QVERIFY(loger->openProtocol(0, 0, "cut.log"));
    const Trace trace = traceRead(1, 500);
    QVERIFY(trace.cancelledAt >= 500);
    QVERIFY(loger->readProblem().isNone());
}

void TestStreamLoger::fileChangesAfterOpening()
{
    // Listed, then gone before it is read.
    QVERIFY(!put("v.log", {rec(1, 0, 1)}).isEmpty());
    QCOMPARE(loger->protocolList().size(), 1);
    QVERIFY(QFile::remove(protocolDir + "/v.log"));
    QVERIFY(!loger->openProtocol(0, 0, "v.log"));
    QVERIFY(loger->readProtocol().isEmpty());

    // Cut short after opening: the records that are left.
    QVERIFY(!put("w.log", {rec(1, 0, 1), rec(1, 1, 2), rec(1, 2, 3)}).isEmpty());
    QVERIFY(loger->openProtocol(0, 0, "w.log"));
    QVERIFY(QFile::resize(protocolDir + "/w.log", 139 + 9 + 4));
    QCOMPARE(points(loger->readProtocol().value("A")), QStringLiteral("0:1"));
    QCOMPARE(loger->readProblem().kind, ReadProblem::Kind::CutShort);
    QCOMPARE(loger->readProblem().englishText(),
             QDir::toNativeSeparators(protocolDir + "/w.log") +
                 QStringLiteral(": was cut short while it was read; only 1 of its 3 records "
                                "were read"));
    QVERIFY(QFile::resize(protocolDir + "/w.log", 20));
    QVERIFY(loger->readProtocol().isEmpty());

    // Removed after opening: the open file still reads.
    QVERIFY(!put("x.log", {rec(2, 4, 9)}).isEmpty());
    QVERIFY(loger->openProtocol(0, 0, "x.log"));
    QVERIFY(QFile::remove(protocolDir + "/x.log"));
    QCOMPARE(points(loger->readProtocol().value("B")), QStringLiteral("4:9"));
}

void TestStreamLoger::writeThenRead()
{
    const QString description = QStringLiteral("Испытание стенда №3: ёлка «Ё» €");
    const QDateTime before = QDateTime::currentDateTime().addMSecs(-1000);
    QVERIFY(loger->openProtocol(1, 250, description));
    QDateTime written;
    quint16 tickMs = 0;
    loger->protocolTimeBase(written, tickMs);
    QCOMPARE(tickMs, quint16(250));
    QCOMPARE(written.time().msec(), 0);
    QVERIFY(written >= before && written <= QDateTime::currentDateTime());

    QVERIFY(loger->writeValue(" A ", 5, true, 1));
    QVERIFY(loger->writeValue("A", 5, false, 2)); // same value: not written
    QVERIFY(loger->writeValue("A", 5, true, 3));  // forced
    QVERIFY(loger->writeValue("A", 6, false, 4));
    QVERIFY(loger->writeReal("B", -1.23, false, 4));
    QVERIFY(loger->writeValue("C", 77, false, 2));

    const QString name = protocolformat::fileNameFor(written);
    const QList<ProtocolInfo> list = loger->protocolList();
    QCOMPARE(list.size(), 1);
    QCOMPARE(list[0].fileName, name);
    QCOMPARE(list[0].start, written);
    QCOMPARE(list[0].description, description);
    // Written records are on disk before the protocol is closed.
    QCOMPARE(QFileInfo(protocolDir + '/' + name).size(), qint64(139 + 9 * 5));
    loger->closeProtocol();

    const ChannelRecords result = readFile(name);
    QCOMPARE(points(result["A"]), QStringLiteral("1:5 3:5 4:6 2:6"));
    QCOMPARE(points(result["B"]), QStringLiteral("1:-123 3:-123 4:-123 2:-123"));
    QCOMPARE(points(result["C"]), QStringLiteral("1:77 3:77 4:77 2:77"));

    // Tick 0 asks the clock: a record written at once lands near the start.
    cleanup();
    QVERIFY(loger->openProtocol(1, 100, QString()));
    QVERIFY(loger->writeValue("C", 78, false, 0));
    const QString clocked = loger->protocolList().value(0).fileName;
    loger->closeProtocol();
    QVERIFY(readFile(clocked).value("C").value(0).tick <= 20);

    // A description longer than the field is cut to leave room for its NUL.
    cleanup();
    QVERIFY(loger->openProtocol(1, 100, QString(300, QChar(0x0416)) + "x"));
    QCOMPARE(loger->protocolList().value(0).description, QString(126, QChar(0x0416)));
}

void TestStreamLoger::writeRefusals()
{
    QVERIFY(!loger->writeValue("A", 1, true, 1)); // nothing open
    QVERIFY(!loger->openProtocol(1, 0, "no tick length"));
    QCOMPARE(QDir(protocolDir).entryList(QDir::Files).size(), 0);
    QVERIFY(loger->openProtocol(1, 100, "ok"));
    QVERIFY(!loger->writeValue("nope", 1, true, 1));
    QVERIFY(!loger->writeReal("A", std::nan(""), true, 1));
    QVERIFY(!loger->writeReal("A", 1e300, true, 1));
    QVERIFY(loger->readProtocol().isEmpty());
    loger->closeProtocol();
    QVERIFY(!loger->writeValue("A", 1, true, 1));
    QCOMPARE(QFileInfo(protocolDir + '/' + loger->protocolList().value(0).fileName).size(),
             qint64(139));
}

void TestStreamLoger::writeRealScaling_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("raw");
    QTest::newRow("binary noise") << "B" << 0.29 << 29;
    QTest::newRow("cut toward zero") << "B" << 12.349 << 1234;
    QTest::newRow("negative cut toward zero") << "B" << -12.349 << -1234;
    QTest::newRow("rate 0") << "C" << -98.9 << -98;
    QTest::newRow("large values still cut") << "C" << 600000000.7 << 600000000;
}

void TestStreamLoger::writeRealScaling()
{
    QFETCH(QString, code);
    QFETCH(double, value);
    QFETCH(int, raw);
    QVERIFY(loger->openProtocol(1, 100, QString()));
    QVERIFY(loger->writeReal(code, value, true, 1));
    const QString name = loger->protocolList().value(0).fileName;
    loger->closeProtocol();
    QCOMPARE(readFile(name).value(code).value(0).value, raw);
}

void TestStreamLoger::newProtocolNeverEmptiesAnExistingOne()
{
    const QDateTime now = QDateTime::currentDateTime();
    const QByteArray content =
        protocolfiles::bytes(protocolfiles::header(now, 100), {rec(1, 0, 1)});
    for (int s = -1; s <= 3; ++s)
        QVERIFY(raw(protocolformat::fileNameFor(now.addSecs(s)), content));
    QVERIFY(!loger->openProtocol(1, 100, "second"));
    for (int s = -1; s <= 3; ++s)
        QCOMPARE(QFileInfo(protocolDir + '/' + protocolformat::fileNameFor(now.addSecs(s))).size(),
                 qint64(content.size()));
}

QTEST_GUILESS_MAIN(TestStreamLoger)
#include "test_streamloger.moc"
