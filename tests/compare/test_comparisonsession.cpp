#include "compare/comparison.h"
#include "compare/comparisonsession.h"
#include "compare/comparisontable.h"
#include "compare/comparisontablemodel.h"
#include "table/bookmarkfile.h"

#include "tests/compare/comparisonfixtures.h"

#include <QSignalSpy>
#include <QtTest>

#include <cmath>

namespace {

const QDateTime day1(QDate(2024, 3, 11), QTime(8, 0));
const QDateTime day2(QDate(2024, 3, 18), QTime(9, 30));

// Protocol 1: I1, ST and U1 at ticks 0, 1, 2, 5, 6, 7; protocol 2: ST and
// U1 at ticks 0 to 3, no I1.
std::unique_ptr<ProtocolAssembly> first(quint16 tickMs = 100)
{
    const QVector<quint32> ticks = {0, 1, 2, 5, 6, 7};
    const QVector<qint32> u = {2300, 2310, 2300, 2330, 2300, 2350};
    const QVector<qint32> i = {105, 110, 120, 125, 130, 135};
    const QVector<qint32> st = {0, 1, 1, 2, 0, 1};
    Points pu, pi, pst;
    for (int k = 0; k < ticks.size(); ++k) {
        pu.append({ticks[k], u[k]});
        pi.append({ticks[k], i[k]});
        pst.append({ticks[k], st[k]});
    }
    return protocol(day1, tickMs, {{"U1", pu}, {"I1", pi}, {"ST", pst}});
}

std::unique_ptr<ProtocolAssembly> second(quint16 tickMs = 100)
{
    return protocol(day2, tickMs,
                    {{"U1", {{0, 2295}, {1, 2301}, {2, 2300}, {3, 2320}}},
                     {"ST", {{0, 1}, {1, 0}, {2, 1}, {3, 1}}}});
}

// Opens the two protocols, named as files in `dir` (which need not exist).
bool open(ComparisonSession& session, const QString& dir, quint16 tick1 = 100, quint16 tick2 = 100,
          const QString& option = QStringLiteral("start"))
{
    std::vector<std::unique_ptr<ProtocolAssembly>> assemblies;
    assemblies.push_back(first(tick1));
    assemblies.push_back(second(tick2));
    AlignmentRule rule;
    AlignmentRule::parse(option, rule);
    return session.openAssemblies(std::move(assemblies),
                                  {dir + QStringLiteral("/a.log"), dir + QStringLiteral("/b.log")},
                                  rule);
}

int modelColumn(const ComparisonTableModel& model, const QString& title)
{
    for (int c = 0; c < model.columnCount(); ++c) {
        if (model.headerData(c, Qt::Horizontal).toString() == title)
            return c;
    }
    return -1;
}

QVector<int> shownRows(const ComparisonTableModel& model)
{
    QVector<int> rows;
    for (int row = 0; row < model.rowCount(); ++row) {
        rows.append(model.comparisonRow(row));
        if (model.rowOf(rows.last()) != row)
            return {-2};
    }
    return rows;
}

} // namespace

class TestComparisonSession : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;

private slots:
    void curvesFollowTheRelativeTime_data()
    {
        QTest::addColumn<qint64>("shift1");
        QTest::addColumn<qint64>("shift2");
        QTest::newRow("from their starts") << qint64(0) << qint64(0);
        QTest::newRow("the second later") << qint64(0) << qint64(50);
        QTest::newRow("the first earlier") << qint64(-300) << qint64(0);
        QTest::newRow("both") << qint64(120) << qint64(-75);
    }
    void curvesFollowTheRelativeTime()
    {
        QFETCH(qint64, shift1);
        QFETCH(qint64, shift2);
        ComparisonSession session;
        QVERIFY(open(session, dir.path(), 100, 250));
        const auto check = [&session]() {
            for (const ComparisonSession::Curve& curve : session.curves()) {
                for (size_t i = 0; i < curve.series.size(); ++i) {
                    if (curve.series.x(i) !=
                        session.comparison().relativeTime(curve.protocol, int(i)))
                        return false;
                }
            }
            return true;
        };
        QVERIFY(check());
        QSignalSpy shifts(&session, &ComparisonSession::shiftChanged);
        QSignalSpy rows(&session, &ComparisonSession::rowsChanged);
        session.setShift(0, shift1);
        session.setShift(1, shift2);
        QVERIFY(check());
        QCOMPARE(shifts.count(), int(shift1 != 0) + int(shift2 != 0));
        QCOMPARE(rows.count(), 0);
        session.rebuildRows();
        QCOMPARE(rows.count(), 1);
        QCOMPARE(session.comparison().rowTime(0), std::min(shift1, shift2));

        // By code, then by protocol; the second has no I1. One scale per code.
        QStringList curves;
        for (const ComparisonSession::Curve& curve : session.curves())
            curves.append(QStringLiteral("%1/%2 %3..%4")
                              .arg(curve.code)
                              .arg(curve.protocol + 1)
                              .arg(curve.minimum)
                              .arg(curve.maximum));
        QCOMPARE(curves, (QStringList{"I1/1 1.05..1.35", "ST/1 0..2", "ST/2 0..2",
                                      "U1/1 229.5..235", "U1/2 229.5..235"}));
        QCOMPARE(session.curves().back().title, QStringLiteral("Напряжение (U1)"));
    }

    // Protocol 2 starts 09:30:00 with a 250 ms tick; its bookmarks lie
    // beside it. Offsets are from its start.
    void rules_data()
    {
        QTest::addColumn<QString>("option");
        QTest::addColumn<qint64>("offset"); // -1: refused
        QTest::addColumn<QString>("error");
        QTest::newRow("condition") << "when:U1 > 230" << qint64(250) << "";
        QTest::newRow("condition over two channels")
            << "when:U1 > 231 && ST == 1" << qint64(750) << "";
        QTest::newRow("bookmark") << "bookmark:пуск" << qint64(500) << "";
        QTest::newRow("bookmark by part of its note") << "bookmark:насос" << qint64(1234) << "";
        QTest::newRow("no such bookmark") << "bookmark:Стоп" << qint64(-1) << "нет закладки «Стоп»";
        QTest::newRow("a channel the protocol lacks") << "when:I1 > 0" << qint64(-1) << "I1";
        QTest::newRow("a condition that never holds")
            << "when:U1 > 300" << qint64(-1) << "не выполняется";
    }
    void rules()
    {
        QFETCH(QString, option);
        QFETCH(qint64, offset);
        QFETCH(QString, error);
        const qint64 start = day2.toMSecsSinceEpoch();
        QVERIFY(BookmarkFile::write(BookmarkFile::pathFor(dir.filePath("b.log")), {day2, 250},
                                    {{start + 500, QStringLiteral(" Пуск ")},
                                     {start + 1234, QStringLiteral("Авария насоса")}}));
        ComparisonSession session;
        QVERIFY(open(session, dir.path(), 100, 250));
        QCOMPARE(session.bookmarks(1).size(), 2);
        session.setShift(1, 40);
        QSignalSpy rows(&session, &ComparisonSession::rowsChanged);
        AlignmentRule rule;
        QVERIFY(AlignmentRule::parse(option, rule));
        QString why;
        QCOMPARE(session.setRule(1, rule, why), offset >= 0);
        QCOMPARE(session.shift(1), qint64(40));
        const qint64 zero = start + std::max<qint64>(offset, 0) - 40;
        QCOMPARE(session.zero(1), zero);
        QCOMPARE(rows.count(), offset >= 0 ? 1 : 0);
        QVERIFY(session.rule(1) == (offset >= 0 ? rule : AlignmentRule()));
        if (offset < 0)
            QVERIFY2(why.contains(error), qPrintable(why));
        for (const ComparisonSession::Curve& curve : session.curves()) {
            for (size_t i = 0; curve.protocol == 1 && i < curve.series.size(); ++i)
                QCOMPARE(curve.series.x(i), start + qint64(i) * 250 - zero);
        }
        QVERIFY(session.alignmentErrors().isEmpty());
    }

    void alignmentErrorsNameTheFile()
    {
        QVERIFY(BookmarkFile::write(BookmarkFile::pathFor(dir.filePath("b.log")), {day2, 100},
                                    {{day2.toMSecsSinceEpoch() + 300, QStringLiteral("Пуск")}}));
        ComparisonSession session;
        QVERIFY(open(session, dir.path(), 100, 100, QStringLiteral("bookmark:Пуск")));
        QCOMPARE(session.alignmentErrors(),
                 QStringList{QDir::toNativeSeparators(dir.filePath("a.log")) +
                             QStringLiteral(": нет закладки «Пуск»")});
        QCOMPARE(session.zero(0), day1.toMSecsSinceEpoch());
        QCOMPARE(session.zero(1), day2.toMSecsSinceEpoch() + 300);
        // A rule that fits clears the line.
        QString why;
        QVERIFY(session.setRule(0, AlignmentRule(), why));
        QVERIFY(session.alignmentErrors().isEmpty());
    }

    void differenceCurves_data()
    {
        QTest::addColumn<int>("tick1");
        QTest::addColumn<int>("tick2");
        QTest::addColumn<qint64>("shift2");
        QTest::addColumn<int>("missing"); // records of protocol 2 without a point
        // Protocol 1's records lie at 0, 1, 2, 5, 6, 7 ticks, protocol 2's at 0 to 3.
        QTest::newRow("over a gap of protocol 1") << 100 << 100 << qint64(0) << 1;
        QTest::newRow("different tick lengths") << 100 << 250 << qint64(50) << 2;
        QTest::newRow("a longer tick of protocol 1") << 250 << 100 << qint64(0) << 0;
        QTest::newRow("before protocol 1 starts") << 100 << 100 << qint64(-150) << 2;
    }
    void differenceCurves()
    {
        QFETCH(int, tick1);
        QFETCH(int, tick2);
        QFETCH(qint64, shift2);
        QFETCH(int, missing);
        ComparisonSession session;
        QVERIFY(open(session, dir.path(), quint16(tick1), quint16(tick2)));
        session.setShift(1, shift2);
        session.rebuildRows();
        QSignalSpy changes(&session, &ComparisonSession::differencesChanged);
        QVERIFY(!session.addDifference(QStringLiteral("I1"), 1)); // protocol 2 lacks it
        QVERIFY(!session.addDifference(QStringLiteral("U1"), 0));
        QVERIFY(!session.addDifference(QStringLiteral("U1"), 2));
        QVERIFY(session.addDifference(QStringLiteral("U1"), 1));
        QVERIFY(!session.addDifference(QStringLiteral("U1"), 1));
        QCOMPARE(changes.count(), 1);
        QCOMPARE(session.differences().size(), size_t(1));
        QCOMPARE(session.differences().front().title, QStringLiteral("U1 [2−1]"));
        ComparisonTableModel& model = *session.tableModel();
        QCOMPARE(model.headerData(model.columnCount() - 1, Qt::Horizontal).toString(),
                 QStringLiteral("U1 [2−1]"));

        const auto check = [&session]() -> QString {
            const Comparison& c = session.comparison();
            ChannelSeries expected;
            for (int row = 0; row < c.rowCount(); ++row) {
                double value = 0;
                if (c.difference(QStringLiteral("U1"), 1, row, value))
                    expected.emplace_back(c.rowTime(row), value);
            }
            const ChannelSeries& points = session.differences().front().points;
            if (points.size() != expected.size())
                return QStringLiteral("%1 points, %2 expected")
                    .arg(points.size())
                    .arg(expected.size());
            for (size_t i = 0; i < points.size(); ++i) {
                if (points[i].first != expected[i].first ||
                    std::abs(points[i].second - expected[i].second) > 1e-9)
                    return QStringLiteral("point %1 differs").arg(i);
            }
            return QString();
        };
        QCOMPARE(check(), QString());
        QCOMPARE(int(session.differences().front().points.size()), 4 - missing);
        // The points follow a shift on the rebuild of the rows.
        session.setShift(1, shift2 + 30);
        session.rebuildRows();
        QCOMPARE(check(), QString());

        session.removeDifference(QStringLiteral("U1"), 1);
        QVERIFY(session.differences().empty());
        QCOMPARE(changes.count(), 2);
        QCOMPARE(modelColumn(model, QStringLiteral("U1 [2−1]")), -1);
    }

    void statistics_data()
    {
        QTest::addColumn<qint64>("from");
        QTest::addColumn<qint64>("to");
        QTest::addColumn<qint64>("shift2");
        QTest::newRow("everything") << qint64(-10000) << qint64(10000) << qint64(0);
        QTest::newRow("a window") << qint64(100) << qint64(500) << qint64(50);
        QTest::newRow("both ends included") << qint64(200) << qint64(600) << qint64(-100);
        QTest::newRow("protocol 2 moved out") << qint64(0) << qint64(300) << qint64(1000);
        QTest::newRow("one instant") << qint64(500) << qint64(500) << qint64(0);
    }
    void statistics()
    {
        QFETCH(qint64, from);
        QFETCH(qint64, to);
        QFETCH(qint64, shift2);
        ComparisonSession session;
        QVERIFY(open(session, dir.path(), 100, 250));
        // The indices are made before the shift and must follow it.
        session.statistics(QStringLiteral("U1"), 0, 0);
        session.setShift(1, shift2);
        const Comparison& c = session.comparison();
        for (const QString& code : {QStringLiteral("U1"), QStringLiteral("I1")}) {
            const QVector<ComparisonSession::ProtocolStatistics> all =
                session.statistics(code, from, to);
            QCOMPARE(all.size(), 2);
            for (int p = 0; p < 2; ++p) {
                const ComparisonSession::ProtocolStatistics& s = all.at(p);
                QCOMPARE(s.protocol, p);
                const int channel = c.channelOf(p, code);
                QCOMPARE(s.valid, channel >= 0);
                int count = 0;
                double sum = 0, low = 0, high = 0, firstValue = 0, lastValue = 0;
                for (int r = 0; channel >= 0 && r < c.assembly(p).recordCount(0); ++r) {
                    const qint64 t = c.relativeTime(p, r);
                    double v = 0;
                    if (t < from || t > to || !c.assembly(p).number(0, channel, r, v))
                        continue;
                    low = count == 0 ? v : std::min(low, v);
                    high = count == 0 ? v : std::max(high, v);
                    firstValue = count == 0 ? v : firstValue;
                    lastValue = v;
                    sum += v;
                    ++count;
                }
                QCOMPARE(s.summary.count, count);
                if (count == 0)
                    continue;
                QCOMPARE(s.summary.sum, sum);
                QCOMPARE(s.summary.minimum, low);
                QCOMPARE(s.summary.maximum, high);
                QCOMPARE(s.summary.first, firstValue);
                QCOMPARE(s.summary.last, lastValue);
            }
        }
    }

    // Rows (both protocols at 100 ms from their starts): times 0, 100, 200,
    // 300, 500, 600, 700; protocol 2 has records in the first four only.
    //   U1 [1]: 230 231 230 -     233 230 235
    //   U1 [2]: 229.5 230.1 230 232 - - -
    //   ST [1]: Стоп Пуск Пуск - 2 Стоп Пуск
    //   U1 [2−1]: -0.5 -0.9 0 - - - -   (protocol 1 has no value at 300)
    void modelSort_data()
    {
        QTest::addColumn<QString>("column");
        QTest::addColumn<bool>("ascending");
        QTest::addColumn<QVector<int>>("rows");
        QTest::newRow("time, descending") << "Время" << false << QVector<int>{6, 5, 4, 3, 2, 1, 0};
        QTest::newRow("equal values in time order, empty last")
            << "U1 [1]" << true << QVector<int>{0, 2, 5, 1, 4, 6, 3};
        QTest::newRow("descending: equal values still in time order, empty last")
            << "U1 [1]" << false << QVector<int>{6, 4, 1, 0, 2, 5, 3};
        QTest::newRow("the other protocol's column")
            << "U1 [2]" << true << QVector<int>{0, 2, 1, 3, 4, 5, 6};
        QTest::newRow("texts after numbers, by text")
            << "ST [1]" << true << QVector<int>{4, 1, 2, 6, 0, 5, 3};
        QTest::newRow("texts before numbers descending")
            << "ST [1]" << false << QVector<int>{0, 5, 1, 2, 6, 4, 3};
        QTest::newRow("a difference channel")
            << "U1 [2−1]" << true << QVector<int>{1, 0, 2, 3, 4, 5, 6};
    }
    void modelSort()
    {
        QFETCH(QString, column);
        QFETCH(bool, ascending);
        QFETCH(QVector<int>, rows);
        ComparisonSession session;
        QVERIFY(open(session, dir.path()));
        QVERIFY(session.addDifference(QStringLiteral("U1"), 1));
        ComparisonTableModel& model = *session.tableModel();
        QCOMPARE(model.rowCount(), 7);
        const int c = modelColumn(model, column);
        QVERIFY(c >= 0);
        model.sort(c, ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
        QCOMPARE(shownRows(model), rows);
        // A new table keeps the sort.
        session.rebuildRows();
        QCOMPARE(shownRows(model), rows);
        QCOMPARE(model.data(model.index(0, 0)).toString(),
                 session.tableModel()->table()->text(rows[0], 1));
    }

    void modelFilter_data()
    {
        QTest::addColumn<bool>("on");
        QTest::addColumn<qint64>("from");
        QTest::addColumn<qint64>("to");
        QTest::addColumn<QStringList>("ranges"); // "CODE:FROM:TO"
        QTest::addColumn<QVector<int>>("rows");
        const qint64 all = 1000000;
        QTest::newRow("off") << false << qint64(0) << qint64(0) << QStringList{"U1:0:0"}
                             << QVector<int>{0, 1, 2, 3, 4, 5, 6};
        QTest::newRow("a time window, both ends included")
            << true << qint64(100) << qint64(500) << QStringList{} << QVector<int>{1, 2, 3, 4};
        QTest::newRow("either protocol's cell")
            << true << -all << all << QStringList{"U1:232:233"} << QVector<int>{3, 4};
        QTest::newRow("every range must hold")
            << true << -all << all << QStringList{"U1:229:230.05", "I1:1.1:1.3"}
            << QVector<int>{2, 5};
        QTest::newRow("a code no protocol has")
            << true << -all << all << QStringList{"F9:0:1"} << QVector<int>{};
    }
    void modelFilter()
    {
        QFETCH(bool, on);
        QFETCH(qint64, from);
        QFETCH(qint64, to);
        QFETCH(QStringList, ranges);
        QFETCH(QVector<int>, rows);
        ComparisonSession session;
        QVERIFY(open(session, dir.path()));
        QVector<Range> filter;
        for (const QString& range : ranges) {
            const QStringList parts = range.split(QLatin1Char(':'));
            filter.append({parts[0], parts[1].toDouble(), parts[2].toDouble()});
        }
        ComparisonTableModel& model = *session.tableModel();
        model.setFilter(on, from, to, filter);
        QCOMPARE(model.isFilterOn(), on);
        QCOMPARE(shownRows(model), rows);
        for (int row = 0; row < 7; ++row)
            QCOMPARE(model.rowOf(row) >= 0, rows.contains(row));
        // Sorted and filtered at once: the sort's order of the rows shown.
        model.sort(modelColumn(model, QStringLiteral("U1 [1]")), Qt::DescendingOrder);
        QVector<int> sorted;
        for (const int row : {6, 4, 1, 0, 2, 5, 3}) {
            if (rows.contains(row))
                sorted.append(row);
        }
        QCOMPARE(shownRows(model), sorted);
    }

    // Channels computed over the rows: a protocol's value holds for one of
    // its ticks, a difference channel has values where protocol k has a record.
    void formulas_data()
    {
        QTest::addColumn<int>("tick2");
        QTest::addColumn<QString>("formula");
        QTest::addColumn<QString>("values"); // per row, "-" for none; empty: refused
        QTest::addColumn<QString>("fault");
        QTest::newRow("difference by hand") << 100 << "D=U1_2-U1_1"
                                            << "-0.5 -0.9 0 - - - -"
                                            << "";
        QTest::newRow("difference channel") << 100 << "E=dU1_2*2"
                                            << "-1 -1.8 0 - - - -"
                                            << "";
        QTest::newRow("a longer tick holds longer") << 200 << "S=U1_2"
                                                    << "229.5 229.5 230.1 230 230 232 232"
                                                    << "";
        QTest::newRow("a channel's own name") << 100 << "U1_1=2"
                                              << ""
                                              << "уже означает";
        QTest::newRow("an unknown name") << 100 << "X=Q7_1"
                                         << ""
                                         << "Q7_1";
        QTest::newRow("no name") << 100 << "U1_2-U1_1"
                                 << ""
                                 << "ИМЯ=выражение";
    }
    void formulas()
    {
        QFETCH(int, tick2);
        QFETCH(QString, formula);
        QFETCH(QString, values);
        QFETCH(QString, fault);
        ComparisonSession session;
        QVERIFY(open(session, dir.path(), 100, quint16(tick2)));
        QString error;
        QCOMPARE(session.addFormula(formula, error), !values.isEmpty());
        QVERIFY2(error.contains(fault), qPrintable(error));
        if (values.isEmpty())
            return;
        QStringList got;
        for (const double value : session.formulas().front().values)
            got << (std::isnan(value) ? QStringLiteral("-") : QString::number(value, 'g', 6));
        QCOMPARE(got.join(QLatin1Char(' ')), values);
        // The same values in the table's last column, and as the curve's points.
        const std::unique_ptr<ComparisonTable> table = session.reportTable();
        const int column = table->columnCount() - 1;
        QCOMPARE(table->headerText(column), formula.section(QLatin1Char('='), 0, 0));
        QCOMPARE(int(session.formulas().front().points.size()),
                 int(got.size() - got.count(QStringLiteral("-"))));
        for (int row = 0; row < table->rowCount(); ++row)
            QCOMPARE(table->hasItem(row, column), got.at(row) != QLatin1String("-"));
        // Only its own name takes it away.
        session.removeFormula(QStringLiteral("Other"));
        QCOMPARE(session.formulas().size(), size_t(1));
        session.removeFormula(table->headerText(column));
        QVERIFY(session.formulas().empty());
    }
};

QTEST_GUILESS_MAIN(TestComparisonSession)
#include "test_comparisonsession.moc"
