#include "compare/alignment.h"
#include "compare/comparison.h"
#include "compare/comparisontable.h"
#include "compare/relativetime.h"
#include "reports/csvreport.h"
#include "table/protocolassembly.h"

#include "tests/compare/comparisonfixtures.h"
#include "tests/zonescope.h"

#include <QtTest>

#include <map>

namespace {

QString csvOf(const ComparisonTable& table)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("c.csv"));
    if (!saveCsvReport(table, path).ok)
        return QStringLiteral("<not written>");
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return QString::fromUtf8(file.readAll());
}

} // namespace

class TestComparison : public QObject
{
    Q_OBJECT

private slots:
    void relativeTime_data()
    {
        QTest::addColumn<qint64>("msecs");
        QTest::addColumn<QString>("text");
        QTest::newRow("zero") << qint64(0) << "+00:00:00.000";
        QTest::newRow("minutes") << qint64(750250) << "+00:12:30.250";
        QTest::newRow("before") << qint64(-1500) << "-00:00:01.500";
        QTest::newRow("a day on") << qint64(26) * 3600000 + 1 << "+26:00:00.001";
        QTest::newRow("a long run before")
            << -qint64(123456) * 3600000 - 59999 << "-123456:00:59.999";
    }
    void relativeTime()
    {
        QFETCH(qint64, msecs);
        QFETCH(QString, text);
        QCOMPARE(relativeTimeText(msecs), text);
        qint64 back = -7;
        QVERIFY(parseRelativeTime(text, back));
        QCOMPARE(back, msecs);
        QVERIFY(!parseRelativeTime(QStringLiteral("00:61:00"), back));
        QVERIFY(!parseRelativeTime(QStringLiteral("+1.5"), back));
    }

    void ruleOptions_data()
    {
        QTest::addColumn<QString>("option");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("text");
        QTest::newRow("start") << "START" << true << 0 << "";
        QTest::newRow("bookmark") << "bookmark: Пуск" << true << 1 << "Пуск";
        QTest::newRow("condition") << "when:U1 > 200" << true << 2 << "U1 > 200";
        QTest::newRow("empty bookmark") << "bookmark:" << false << 0 << "";
        QTest::newRow("empty condition") << "when: " << false << 0 << "";
        QTest::newRow("other") << "end" << false << 0 << "";
    }
    void ruleOptions()
    {
        QFETCH(QString, option);
        QFETCH(bool, valid);
        AlignmentRule rule;
        QCOMPARE(AlignmentRule::parse(option, rule), valid);
        if (!valid)
            return;
        QFETCH(int, kind);
        QFETCH(QString, text);
        QCOMPARE(int(rule.kind), kind);
        QCOMPARE(rule.text, text);
        AlignmentRule again;
        QVERIFY(AlignmentRule::parse(rule.option(), again));
        QVERIFY(again == rule);
    }

    // Instants worked out by hand for a protocol starting 08:00:00 with a
    // 100 ms tick whose first record is at tick 2.
    void alignment_data()
    {
        QTest::addColumn<QString>("option");
        QTest::addColumn<qint64>("offset"); // from the header's start; -1: refused
        QTest::addColumn<QString>("error");
        QTest::newRow("start: the first record") << "start" << qint64(200) << "";
        QTest::newRow("condition") << "when:U1 > 200" << qint64(400) << "";
        QTest::newRow("condition over two channels")
            << "when:U1 > 200 && I1 >= 1.5" << qint64(600) << "";
        QTest::newRow("condition never holds") << "when:U1 > 900" << qint64(-1) << "не выполняется";
        QTest::newRow("condition on a code it lacks") << "when:F1 > 1" << qint64(-1) << "F1";
        QTest::newRow("bookmark by note") << "bookmark:пуск" << qint64(400) << "";
        QTest::newRow("bookmark by part of a note") << "bookmark:стоп" << qint64(700) << "";
        QTest::newRow("no such bookmark") << "bookmark:Авария" << qint64(-1) << "Авария";
    }
    void alignment()
    {
        QFETCH(QString, option);
        QFETCH(qint64, offset);
        QFETCH(QString, error);
        const QDateTime start(QDate(2024, 3, 11), QTime(8, 0));
        const auto a =
            protocol(start, 100,
                     {{"U1", {{2, 1000}, {3, 1500}, {4, 2005}, {5, 2100}, {6, 2200}, {7, 1900}}},
                      {"I1", {{2, 100}, {3, 100}, {4, 100}, {5, 120}, {6, 150}, {7, 90}}}});
        const qint64 epoch = start.toMSecsSinceEpoch();
        const QVector<Bookmark> marks = {{epoch + 400, QStringLiteral(" Пуск ")},
                                         {epoch + 700, QStringLiteral("Пуск и стоп")}};
        AlignmentRule rule;
        QVERIFY(AlignmentRule::parse(option, rule));
        qint64 msecs = 0;
        QString why;
        QCOMPARE(alignmentInstant(*a, 0, rule, marks, msecs, why), offset >= 0);
        if (offset >= 0)
            QCOMPARE(msecs - epoch, offset);
        else
            QVERIFY2(why.contains(error), qPrintable(why));
    }

    // Protocols of different tick lengths, the second without I1 and shifted
    // by hand: the table and its CSV against a merge done here.
    void tableAgainstIndependentMerge()
    {
        const QDateTime day1(QDate(2024, 3, 11), QTime(8, 0));
        const QDateTime day2(QDate(2024, 3, 18), QTime(9, 30));
        Comparison comparison;
        comparison.addProtocol(protocol(day1, 100,
                                        {{"U1", {{0, 2300}, {1, 2310}, {2, 2320}, {5, 2330}}},
                                         {"I1", {{0, 105}, {1, 110}, {2, 120}, {5, 125}}}}));
        comparison.addProtocol(protocol(day2, 250, {{"U1", {{0, 2295}, {1, 2301}, {2, 2299}}}}));
        comparison.setShift(1, 50);
        comparison.buildRows();

        // relative time -> cells of U1 [1], U1 [2], I1 [1]
        std::map<qint64, QStringList> expected;
        const auto put = [&](qint64 t, int column, const QString& text) {
            auto& row = expected[t];
            while (row.size() < 3)
                row.append(QString());
            row[column] = text;
        };
        const QStringList u1 = {"230", "231", "232", "233"};
        const QStringList i1 = {"1.05", "1.1", "1.2", "1.25"};
        const QVector<qint64> ticks1 = {0, 1, 2, 5};
        for (int k = 0; k < 4; ++k) {
            put(ticks1[k] * 100, 0, u1[k]);
            put(ticks1[k] * 100, 2, i1[k]);
        }
        const QStringList u2 = {"229.5", "230.1", "229.9"};
        for (int k = 0; k < 3; ++k)
            put(k * 250 + 50, 1, u2[k]);

        // The second protocol has no I1: its difference is empty throughout.
        QString csv = QStringLiteral("Время,I1 [1],U1 [1],U1 [2],U1 [2−1],I1 [2−1]\n");
        for (const auto& [time, cells] : expected) {
            QString difference;
            if (!cells[1].isEmpty()) {
                // Protocol 1's value holds for one 100 ms tick after its record.
                const auto base = expected.upper_bound(time);
                auto before = std::prev(base);
                while (before->second[0].isEmpty() && before != expected.begin())
                    --before;
                if (!before->second[0].isEmpty() && time - before->first < 100)
                    difference =
                        QString::number(cells[1].toDouble() - before->second[0].toDouble(), 'f', 1);
            }
            csv +=
                QStringList{relativeTimeText(time), cells[2], cells[0], cells[1], difference}.join(
                    QLatin1Char(',')) +
                QStringLiteral(",\n");
        }
        const ComparisonTable table(comparison,
                                    {{QStringLiteral("U1"), 1}, {QStringLiteral("I1"), 1}});
        QCOMPARE(csvOf(table), csv);
        QCOMPARE(comparison.label(1), QStringLiteral("18.03.2024 09:30"));
    }

    // The bytes a writer gets row by row are the texts of the cells.
    void rowCellsAreTheCellTexts_data()
    {
        QTest::addColumn<QStringList>("codes");
        QTest::addColumn<bool>("differences");
        QTest::newRow("every column") << QStringList{} << false;
        QTest::newRow("named codes") << QStringList{"ST", "Q"} << false;
        QTest::newRow("with difference channels") << QStringList{} << true;
    }
    void rowCellsAreTheCellTexts()
    {
        QFETCH(QStringList, codes);
        QFETCH(bool, differences);
        ComputedChannel q;
        q.code = QStringLiteral("Q");
        q.formula = QStringLiteral("sqrt(U1 - 2295)");
        q.decimals = 3;
        Comparison comparison;
        comparison.addProtocol(protocol(QDateTime(QDate(2024, 3, 11), QTime(8, 0)), 100,
                                        {{"U1", {{0, 2300}, {1, 22}, {2, 2320}, {5, -7}}},
                                         {"ST", {{0, 0}, {1, 1}, {2, 7}, {5, 0}}}},
                                        {q}));
        comparison.addProtocol(protocol(
            QDateTime(QDate(2024, 3, 18), QTime(9, 0)), 250,
            {{"U1", {{0, 2295}, {1, 2301}, {2, 229999}}}, {"I1", {{0, -5}, {1, 0}, {2, 12345}}}},
            {q}));
        comparison.setShift(1, 30);
        comparison.buildRows();
        std::vector<ComparisonTable::Difference> wanted;
        if (differences)
            wanted = {{QStringLiteral("U1"), 1}, {QStringLiteral("Q"), 1}};
        const ComparisonTable table(comparison, wanted, codes);

        class Sink : public CellSink
        {
        public:
            QStringList cells;
            void take(int column, const QString& text) override
            {
                cells.append(QStringLiteral("%1=%2").arg(column).arg(text));
            }
            void takeAscii(int column, const char* text, int length) override
            {
                take(column, QString::fromLatin1(text, length) + QStringLiteral(" (bytes)"));
            }
        };
        int bytes = 0;
        for (int row = 0; row < table.rowCount(); ++row) {
            Sink sink;
            table.rowCells(row, sink);
            QStringList expected;
            QString text;
            for (int column = 1; column < table.columnCount(); ++column) {
                if (table.cell(row, column, text))
                    expected.append(QStringLiteral("%1=%2").arg(column).arg(text));
            }
            for (QString& cell : sink.cells)
                bytes += cell.endsWith(QStringLiteral(" (bytes)"));
            sink.cells.replaceInStrings(QStringLiteral(" (bytes)"), QString());
            QCOMPARE(sink.cells, expected);
        }
        // The time column at least went as bytes.
        QVERIFY(bytes >= table.rowCount());
    }

    // The runs of 30 and 31 March 2024 in Berlin, the second across the
    // change to summer time: three hours after the start are three hours
    // on the axis for both, and a bookmark at 04:00 wall clock on the
    // second day is two hours after its start.
    void summerTimeDoesNotShift()
    {
        const ZoneScope zone("Europe/Berlin");
        const quint32 threeHours = 3 * 36000;
        Comparison comparison;
        // And the runs of 26 and 27 October, the second across the repeated hour.
        Comparison autumn;
        for (int day : {30, 31})
            comparison.addProtocol(protocol(QDateTime(QDate(2024, 3, day), QTime(1, 0)), 100,
                                            {{"U1", {{0, 1}, {threeHours, 2}}}}));
        for (int day : {26, 27})
            autumn.addProtocol(protocol(QDateTime(QDate(2024, 10, day), QTime(1, 0)), 100,
                                        {{"U1", {{0, 1}, {threeHours, 2}}}}));
        for (Comparison* c : {&comparison, &autumn}) {
            c->buildRows();
            QCOMPARE(c->rowCount(), 2);
            QCOMPARE(c->rowTime(1), qint64(threeHours) * 100);
            QCOMPARE(c->record(1, 1), 1);
        }

        const QDateTime mark(QDate(2024, 3, 31), QTime(4, 0));
        AlignmentRule rule;
        AlignmentRule::parse(QStringLiteral("bookmark:x"), rule);
        qint64 anchor = 0;
        QString error;
        QVERIFY(alignmentInstant(comparison.assembly(1), 0, rule,
                                 {{mark.toMSecsSinceEpoch(), QStringLiteral("x")}}, anchor, error));
        comparison.setAnchor(1, anchor);
        QCOMPARE(comparison.relativeTime(1, 1), qint64(3600000));
    }
};

QTEST_GUILESS_MAIN(TestComparison)
#include "test_comparison.moc"
