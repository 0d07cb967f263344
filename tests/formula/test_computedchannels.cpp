#include "chartdata/pairdatacontainer.h"
#include "formula/computedchannel.h"
#include "formula/formulacheck.h"
#include "statistics/rangestatistics.h"
#include "table/protocolassembly.h"

#include "tests/table/fakelookup.h"

#include <QRandomGenerator>
#include <QtTest>

#include <cmath>
#include <functional>
#include <memory>
#include <optional>

namespace {

// The lines a curve is drawn as.
class LineRecorder : public chart::CurveBatchSink
{
public:
    void drawBatch(const QPoint* points, int count) override
    {
        lines.append(QVector<QPoint>(points, points + count));
    }
    QVector<QVector<QPoint>> lines;
};

const QDateTime now(QDate(2030, 1, 1), QTime(0, 0));
const QDateTime start(QDate(2024, 5, 10), QTime(12, 0, 0));

using Value = std::optional<double>;
// A row's inputs as the test reads them: U1 (RATE 1), I1 (RATE 2), T1 (RATE 0).
struct Row
{
    Value u, i, t;
};

ChannelColumn column(const QString& code, quint8 id, std::vector<qint32> values)
{
    ChannelColumn c;
    c.code = code;
    c.id = id;
    c.values = std::move(values);
    return c;
}

// What a row's cell must hold: the value rounded to its decimals, however
// large, or nothing.
Value expected(Value value, int decimals)
{
    if (!value || !std::isfinite(*value))
        return std::nullopt;
    const double scale = std::pow(10.0, decimals);
    return std::round(*value * scale) / scale;
}

struct Case
{
    ComputedChannel channel;
    // The same formula written out in the test; nullopt inputs give nullopt.
    std::function<Value(const Row&, const std::map<QString, Value>& computed)> value;
};

Value all(const Row& r, std::function<double(double, double, double)> f)
{
    if (!r.u || !r.i || !r.t)
        return std::nullopt;
    return f(*r.u, *r.i, *r.t);
}

} // namespace

class TestComputedChannels : public QObject
{
    Q_OBJECT

    FakeLookup catalogue;

    // One protocol of I1 on the given ticks (in 0.01 A) with Q = 10 / I1
    // computed over it; none when the build fails.
    std::unique_ptr<ProtocolAssembly> quotientAssembly(std::vector<quint32> ticks,
                                                       std::vector<qint32> current)
    {
        ProtocolColumns columns;
        columns.ticks = std::move(ticks);
        columns.channels.push_back(column("I1", 2, std::move(current)));
        auto a = std::make_unique<ProtocolAssembly>(catalogue, now);
        a->setComputedChannels({{"Q", "Q", 0, "10/I1"}});
        a->addProtocol(start, 100, std::move(columns));
        if (!a->build())
            return nullptr;
        return a;
    }

private slots:
    void init()
    {
        catalogue = FakeLookup();
        catalogue.addChannel("U1", 1, QStringLiteral("Напряжение"), 1);
        catalogue.addChannel("I1", 2, QStringLiteral("Ток"), 2);
        catalogue.addChannel("T1", 3, QStringLiteral("Температура"), 0);
    }

    void resultsMatchTheFormulaRowByRow()
    {
        const auto ui = [](const Row& r, auto f) -> Value {
            if (!r.u || !r.i)
                return std::nullopt;
            return f(*r.u, *r.i);
        };
        const auto ut = [](const Row& r, auto f) -> Value {
            if (!r.u || !r.t)
                return std::nullopt;
            return f(*r.u, *r.t);
        };
        std::vector<Case> cases{
            {{"P", QStringLiteral("Мощность"), 3, "U1*I1"},
             [&](const Row& r, auto&) { return ui(r, [](double u, double i) { return u * i; }); }},
            {{"S", "S", 2, "U1+I1*2^2"},
             [&](const Row& r, auto&) {
                 return ui(r, [](double u, double i) { return u + i * 4; });
             }},
            {{"M", "M", 2, "U1-I1*T1"},
             [](const Row& r, auto&) {
                 return all(r, [](double u, double i, double t) { return u - i * t; });
             }},
            // No input, no flag: not a 0 where U1 is missing.
            {{"F", "F", 0, "I1>1 ? 1 : 0"},
             [](const Row& r, auto&) -> Value {
                 if (!r.i)
                     return std::nullopt;
                 return *r.i > 1 ? 1.0 : 0.0;
             }},
            {{"G", "G", 2, "U1/T1"},
             [&](const Row& r, auto&) { return ut(r, [](double u, double t) { return u / t; }); }},
            {{"R", "R", 3, "sqrt(T1)"},
             [](const Row& r, auto&) -> Value {
                 if (!r.t)
                     return std::nullopt;
                 return std::sqrt(*r.t);
             }},
            // Reads G as shown, with its gaps.
            {{"H", "H", 1, "G*2-1"},
             [](const Row&, const std::map<QString, Value>& computed) -> Value {
                 const Value g = computed.at("G");
                 if (!g)
                     return std::nullopt;
                 return *g * 2 - 1;
             }},
            {{"A", "A", 2, "avg(U1,T1)+min(U1,T1)-max(U1,T1)"},
             [&](const Row& r, auto&) {
                 return ut(r, [](double u, double t) {
                     return (u + t) / 2 + std::min(u, t) - std::max(u, t);
                 });
             }},
            {{"B", "B", 1, "-U1^2+abs(I1)"},
             [&](const Row& r, auto&) {
                 return ui(r, [](double u, double i) { return -(u * u) + std::fabs(i); });
             }},
            // Past what 32-bit raw values of 10^-6 hold.
            {{"O", "O", 6, "U1*1e5"},
             [&](const Row& r, auto&) -> Value {
                 if (!r.u)
                     return std::nullopt;
                 return *r.u * 1e5;
             }},
            {{"V", "V", 3, "1/I1"},
             [](const Row& r, auto&) -> Value {
                 if (!r.i)
                     return std::nullopt;
                 return 1 / *r.i;
             }},
            // Two computed inputs with gaps in different rows: a gap in either is one here.
            {{"W", "W", 2, "G+V"},
             [](const Row&, const std::map<QString, Value>& computed) -> Value {
                 const Value g = computed.at("G");
                 const Value v = computed.at("V");
                 if (!g || !v)
                     return std::nullopt;
                 return *g + *v;
             }},
        };

        // Random rows; I1 ends early, as after a cancelled read, so its last
        // rows have no value.
        const int rows = 3000;
        const int currentRows = rows - 200;
        QRandomGenerator random(24);
        std::vector<qint32> u(rows), i(currentRows), t(rows);
        for (qint32& v : u)
            v = random.bounded(-3000, 3001);
        for (qint32& v : i)
            v = random.bounded(-500, 501);
        for (qint32& v : t)
            v = random.bounded(-3, 4);
        ProtocolColumns columns;
        for (int r = 0; r < rows; ++r)
            columns.ticks.push_back(quint32(r));
        columns.channels.push_back(column("I1", 2, i));
        columns.channels.push_back(column("T1", 3, t));
        columns.channels.push_back(column("U1", 1, u));

        ComputedChannels definitions;
        for (const Case& c : cases)
            definitions.push_back(c.channel);
        const ComputedCheck check =
            checkComputedChannels(definitions, QStringList{"U1", "I1", "T1"});
        QVERIFY2(check.ok(), qPrintable(check.problems.join('\n')));

        ProtocolAssembly a(catalogue, now);
        a.setComputedChannels(check.ordered);
        QCOMPARE(a.addProtocol(start, 100, std::move(columns)), ProtocolAssembly::AddResult::Added);
        QVERIFY(a.build());
        QCOMPARE(a.codes().mid(0, 3), QStringList({"I1", "T1", "U1"}));
        QCOMPARE(a.codes().size(), 3 + int(cases.size()));
        QCOMPARE(a.titles().at(3), check.ordered.front().title());

        int gaps = 0;
        for (int r = 0; r < rows; ++r) {
            Row row;
            row.u = u[size_t(r)] / 10.0;
            row.t = double(t[size_t(r)]);
            if (r < currentRows)
                row.i = i[size_t(r)] / 100.0;
            std::map<QString, Value> computed;
            for (const ComputedChannel& channel : check.ordered) {
                const Case& c = *std::find_if(cases.begin(), cases.end(), [&](const Case& k) {
                    return k.channel.code == channel.code;
                });
                const Value want = expected(c.value(row, computed), channel.decimals);
                const int column =
                    ProtocolAssembly::firstChannelColumn + a.codes().indexOf(channel.code);
                const int index = a.channelAt(0, column);
                QVERIFY(index >= 0);
                double got = 0;
                const bool has = a.number(0, index, r, got);
                ProtocolAssembly::Cell cell;
                QCOMPARE(a.cell(0, index, r, cell), has);
                if (has != want.has_value() || (has && got != *want))
                    QFAIL(qPrintable(
                        QStringLiteral("%1 row %2: U1=%3 I1=%4 T1=%5: got %6, want %7")
                            .arg(channel.code)
                            .arg(r)
                            .arg(row.u.value_or(NAN))
                            .arg(row.i.value_or(NAN))
                            .arg(row.t.value_or(NAN))
                            .arg(has ? QString::number(got, 'g', 17) : QStringLiteral("-"))
                            .arg(want ? QString::number(*want, 'g', 17) : QStringLiteral("-"))));
                if (has)
                    QCOMPARE(cell.text.toDouble(), got);
                gaps += has ? 0 : 1;
                computed[channel.code] = want;
            }
        }
        // Division by zero, roots of negatives and the short current all left gaps.
        QVERIFY(gaps > 1000);

        // The chart reads a gap as no number, and the range leaves gaps out.
        for (const AssembledChannel& channel : a.channels()) {
            if (channel.code != QLatin1String("G"))
                continue;
            QCOMPARE(channel.series.size(), size_t(rows));
            double low = 1e300;
            double high = -1e300;
            for (size_t r = 0; r < channel.series.size(); ++r) {
                const double y = channel.series.y(r);
                QCOMPARE(std::isnan(y), t[r] == 0);
                if (!std::isnan(y)) {
                    low = std::min(low, y);
                    high = std::max(high, y);
                }
            }
            QCOMPARE(channel.minimum, low);
            QCOMPARE(channel.maximum, high);
        }
    }

    void cellTextHasTheChannelsDecimals()
    {
        ProtocolColumns columns;
        columns.ticks = {0, 1};
        columns.channels.push_back(column("I1", 2, {-150, 0}));
        columns.channels.push_back(column("U1", 1, {2305, 2300}));
        ProtocolAssembly a(catalogue, now);
        a.setComputedChannels({{"P", QStringLiteral("Мощность"), 3, "U1*I1"},
                               {"Q", "Q", 0, "U1/I1"},
                               {"R", "R", 6, "U1*I1*10"},
                               {"S", "S", 0, "-2147483648+I1*0"},
                               {"T", "T", 0, "U1*I1*10000000"}});
        a.addProtocol(start, 100, std::move(columns));
        QVERIFY(a.build());
        QCOMPARE(a.titles().at(2), QStringLiteral("Мощность (P)"));
        const QStringList texts{"-345.75", "-154", "-3457.5", "-2147483648", "-3457500000"};
        ProtocolAssembly::Cell cell;
        for (int k = 0; k < texts.size(); ++k) {
            QVERIFY(a.cell(0, 2 + k, 0, cell));
            QCOMPARE(cell.text, texts.at(k));
            QVERIFY(!cell.isText);
        }
        QVERIFY(!a.cell(0, 3, 1, cell)); // division by zero: an empty cell
    }

    void curveBreaksWhereThereIsNoResult()
    {
        // Q = 10 / I1 (in 0.01 A): 500, 250, -, 200, 100.
        const auto a = quotientAssembly({0, 10, 20, 30, 40}, {2, 4, 0, 5, 10});
        QVERIFY(a);
        ProtocolColumnData data(&a->channels().back().series);
        LineRecorder recorder;
        chart::CurveDecimator decimator(recorder);
        decimator.begin(false);
        data.feed(0, data.size(), chart::CurveMapping{}, decimator);
        decimator.finish();
        QCOMPARE(recorder.lines,
                 (QVector<QVector<QPoint>>{{{0, 500}, {10, 250}}, {{30, 200}, {40, 100}}}));
    }

    void statisticsLeaveRowsWithoutResultOut()
    {
        // Q = 10 / I1 over I1 = 2, 0, 5, 0, 4 (in 0.01 A): 500, -, 200, -, 250.
        const auto a = quotientAssembly({0, 1, 2, 3, 4}, {2, 0, 5, 0, 4});
        QVERIFY(a);
        const AssembledChannel& q = a->channels().back();
        QCOMPARE(q.code, QStringLiteral("Q"));
        QCOMPARE(q.minimum, 200.0);
        QCOMPARE(q.maximum, 500.0);
        ChannelRangeIndex index(std::make_unique<ColumnStatisticsSource>(q.series));
        const RangeSummary summary = index.summary(0, 4);
        QCOMPARE(summary.count, 3);
        QCOMPARE(summary.mean(), 950.0 / 3);
        QCOMPARE(summary.minimum, 200.0);
        double value = 0;
        QVERIFY(index.heldValue(1, value));
        QCOMPARE(value, 500.0);
    }

    void protocolsWithoutAnInputHaveNoCellsAndColumnsStayLast()
    {
        ProtocolAssembly a(catalogue, now);
        a.setComputedChannels({{"P", "P", 1, "U1*I1"}});
        ProtocolColumns first;
        first.ticks = {0, 1};
        first.channels.push_back(column("I1", 2, {100, 200}));
        first.channels.push_back(column("U1", 1, {10, 20}));
        a.addProtocol(start, 100, std::move(first));
        QVERIFY(a.build());
        QCOMPARE(a.codes(), QStringList({"I1", "U1", "P"}));

        // A later file brings a new logged code: it goes before the computed one.
        ProtocolColumns second;
        second.ticks = {0};
        second.channels.push_back(column("T1", 3, {5}));
        second.channels.push_back(column("U1", 1, {30}));
        a.addProtocol(start.addSecs(1), 100, std::move(second));
        QVERIFY(a.build());
        QCOMPARE(a.codes(), QStringList({"I1", "U1", "T1", "P"}));
        QCOMPARE(a.channelAt(1, ProtocolAssembly::firstChannelColumn + 3), -1);
        const int p = a.channelAt(0, ProtocolAssembly::firstChannelColumn + 3);
        ProtocolAssembly::Cell cell;
        QVERIFY(a.cell(0, p, 1, cell));
        QCOMPARE(cell.text, QStringLiteral("4"));
        int computedSeries = 0;
        for (const AssembledChannel& channel : a.channels())
            computedSeries += channel.code == QLatin1String("P") ? 1 : 0;
        QCOMPARE(computedSeries, 1);
        // 8 bytes a row for the computed column.
        ProtocolAssembly bare(catalogue, now);
        ProtocolColumns again;
        again.ticks = {0, 1};
        again.channels.push_back(column("I1", 2, {100, 200}));
        again.channels.push_back(column("U1", 1, {10, 20}));
        bare.addProtocol(start, 100, std::move(again));
        QVERIFY(bare.build());
        ProtocolAssembly withP(catalogue, now);
        ProtocolColumns third;
        third.ticks = {0, 1};
        third.channels.push_back(column("I1", 2, {100, 200}));
        third.channels.push_back(column("U1", 1, {10, 20}));
        withP.setComputedChannels({{"P", "P", 1, "U1*I1"}});
        withP.addProtocol(start, 100, std::move(third));
        QVERIFY(withP.build());
        QCOMPARE(withP.dataBytes() - bare.dataBytes(), qint64(2 * 8));
    }
};

QTEST_GUILESS_MAIN(TestComputedChannels)
#include "test_computedchannels.moc"
