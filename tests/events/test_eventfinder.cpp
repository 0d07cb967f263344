#include "events/eventfinder.h"
#include "events/eventtable.h"
#include "table/protocolassembly.h"

#include "tests/table/fakelookup.h"
#include "tests/zonescope.h"

#include <QRandomGenerator>
#include <QtTest>

#include <cmath>
#include <map>

namespace {

const QDateTime now(QDate(2030, 1, 1), QTime(0, 0));
const QDateTime base(QDate(2024, 5, 10), QTime(12, 0, 0));
constexpr int kTickMs = 100;

// One protocol of a test: its first tick on the common base and, per record
// (one a tick), the raw A and B; Q = sqrt(B) is computed, so a negative B is
// a row where Q has no value.
struct Protocol
{
    qint64 first = 0;
    std::vector<qint32> a;
    std::vector<qint32> b;
};

ChannelColumn column(const QString& code, quint8 id, std::vector<qint32> values)
{
    ChannelColumn c;
    c.code = code;
    c.id = id;
    c.values = std::move(values);
    return c;
}

struct Loaded
{
    FakeLookup lookup;
    std::unique_ptr<ProtocolAssembly> assembly;
};

std::unique_ptr<Loaded> load(const std::vector<Protocol>& protocols, const QDateTime& start = base,
                             quint16 tickMs = kTickMs)
{
    auto loaded = std::make_unique<Loaded>();
    loaded->lookup.addChannel(QStringLiteral("A"), 1, QStringLiteral("a"));
    loaded->lookup.addChannel(QStringLiteral("B"), 2, QStringLiteral("b"));
    loaded->assembly = std::make_unique<ProtocolAssembly>(loaded->lookup, now);
    for (const Protocol& p : protocols) {
        ProtocolColumns columns;
        for (size_t r = 0; r < p.a.size(); ++r)
            columns.ticks.push_back(quint32(r));
        columns.channels.push_back(column(QStringLiteral("A"), 1, p.a));
        columns.channels.push_back(column(QStringLiteral("B"), 2, p.b));
        loaded->assembly->addProtocol(start.addMSecs(p.first * tickMs), tickMs, std::move(columns));
    }
    ComputedChannel q;
    q.code = QStringLiteral("Q");
    q.formula = QStringLiteral("sqrt(B)");
    loaded->assembly->setComputedChannels({q});
    loaded->assembly->build();
    return loaded;
}

// The condition of every test, row by row: 'T' holds, 'F' does not, 'N' no value.
using RowTest = std::function<char(qint32 a, qint32 b)>;
} // namespace
Q_DECLARE_METATYPE(RowTest)
namespace {

// The events as a plain walk over a timeline of ticks finds them: one state
// per tick (none where no protocol has a record), runs of 'T' ended by
// anything else, joined when the ticks between hold no 'N' and are at most
// `join` ticks, dropped when shorter than `min` ticks. Protocols must not
// overlap.
std::vector<Event> expectedEvents(const std::vector<Protocol>& protocols, const RowTest& test,
                                  qint64 minTicks, qint64 joinTicks)
{
    std::map<qint64, char> timeline;
    std::map<qint64, bool> lastRecord;
    for (const Protocol& p : protocols) {
        for (size_t r = 0; r < p.a.size(); ++r) {
            timeline[p.first + qint64(r)] = test(p.a[r], p.b[r]);
            lastRecord[p.first + qint64(r)] = r + 1 == p.a.size();
        }
    }
    struct Run
    {
        qint64 start, end;
        bool toEnd, noValueEnd;
    };
    std::vector<Run> runs;
    for (auto it = timeline.begin(); it != timeline.end();) {
        if (it->second != 'T') {
            ++it;
            continue;
        }
        Run run{it->first, 0, false, false};
        qint64 tick = it->first;
        while (it != timeline.end() && it->first == tick && it->second == 'T') {
            run.toEnd = lastRecord[tick];
            ++tick;
            ++it;
        }
        run.end = tick;
        // A record of the next protocol does not end this one's event.
        run.noValueEnd =
            !run.toEnd && it != timeline.end() && it->first == tick && it->second == 'N';
        runs.push_back(run);
    }
    std::vector<Event> events;
    for (size_t i = 0; i < runs.size();) {
        Run joined = runs[i++];
        while (i < runs.size()) {
            bool noValueBetween = false;
            for (auto it = timeline.lower_bound(joined.end);
                 it != timeline.end() && it->first < runs[i].start; ++it)
                noValueBetween |= it->second == 'N';
            if (noValueBetween || runs[i].start - joined.end > joinTicks)
                break;
            joined.end = runs[i].end;
            joined.toEnd = runs[i].toEnd;
            joined.noValueEnd = runs[i].noValueEnd;
            ++i;
        }
        if (joined.end - joined.start >= minTicks) {
            Event e;
            e.start = joined.start;
            e.end = joined.end;
            e.flags = quint8((joined.toEnd ? Event::ToProtocolEnd : 0) |
                             (joined.noValueEnd ? Event::EndedByNoValue : 0));
            events.push_back(e);
        }
    }
    return events;
}

EventDefinition definition(const QString& condition, qint64 minMs, qint64 joinMs)
{
    EventDefinition d;
    d.name = QStringLiteral("e");
    d.condition = condition;
    d.minMs = minMs;
    d.joinMs = joinMs;
    return d;
}

QString describe(const std::vector<Event>& events)
{
    QStringList parts;
    for (const Event& e : events)
        parts.append(QStringLiteral("[%1,%2)%3").arg(e.start).arg(e.end).arg(e.flags));
    return parts.join(QLatin1Char(' '));
}

// Protocols given as texts, one character a record: 'T' A=10, 'F' A=0,
// 'N' B=-1 (Q has no value); B is 4 elsewhere.
Protocol protocolOf(qint64 first, const QString& rows)
{
    Protocol p;
    p.first = first;
    for (const QChar c : rows) {
        p.a.push_back(c == QLatin1Char('F') ? 0 : 10);
        p.b.push_back(c == QLatin1Char('N') ? -1 : 4);
    }
    return p;
}

} // namespace

class TestEventFinder : public QObject
{
    Q_OBJECT
private slots:
    void randomProtocolsMatchAPlainScan_data();
    void randomProtocolsMatchAPlainScan();
    void namedCases_data();
    void namedCases();
    void overlappingProtocolsMakeOneEvent();
    void limitsCutTheSearch();
    void statisticsOfTheEventsRecords();
    void eventsAcrossTheClockChanges_data();
    void eventsAcrossTheClockChanges();
};

void TestEventFinder::randomProtocolsMatchAPlainScan_data()
{
    QTest::addColumn<QString>("condition");
    QTest::addColumn<RowTest>("test");
    const RowTest both = [](qint32 a, qint32 b) {
        if (b < 0)
            return 'N';
        return a > 5 && std::sqrt(double(b)) < 3 ? 'T' : 'F';
    };
    const RowTest either = [](qint32 a, qint32 b) {
        if (b < 0)
            return 'N';
        return a <= 2 || 4 >= std::sqrt(double(b)) ? 'T' : 'F';
    };
    // Q is exactly 2 where B is 4; the real-valued column's equality and
    // inequality are scanned column by column too.
    const RowTest equal = [](qint32 a, qint32 b) {
        if (b < 0)
            return 'N';
        return b == 4 || a == 7 ? 'T' : 'F';
    };
    const RowTest unequal = [](qint32 a, qint32 b) {
        if (b < 0)
            return 'N';
        return b != 4 && a != 3 ? 'T' : 'F';
    };
    // These go column by column, the "formula" row through the formula parser.
    QTest::newRow("compared columns") << QStringLiteral("A > 5 && Q < 3") << both;
    QTest::newRow("mirrored, or, brackets") << QStringLiteral("(A <= 2) || (4 >= Q)") << either;
    QTest::newRow("formula") << QStringLiteral("(A*2 > 10) * (Q < 3)") << both;
    QTest::newRow("equality on a computed channel") << QStringLiteral("Q == 2 || A == 7") << equal;
    QTest::newRow("inequality on a computed channel")
        << QStringLiteral("Q != 2 && A != 3") << unequal;
}

void TestEventFinder::randomProtocolsMatchAPlainScan()
{
    QFETCH(QString, condition);
    QFETCH(RowTest, test);
    QRandomGenerator random(36);
    for (int round = 0; round < 300; ++round) {
        const qint64 joinTicks = random.bounded(4);
        // Limits at whole ticks and between them.
        const qint64 minMs = random.bounded(6) * kTickMs - (random.bounded(2) ? 50 : 0);
        const qint64 joinMs = joinTicks * kTickMs + (random.bounded(2) ? 50 : 0);
        std::vector<Protocol> protocols;
        qint64 first = random.bounded(3);
        for (int p = random.bounded(1, 4); p > 0; --p) {
            Protocol protocol;
            protocol.first = first;
            const int records = random.bounded(1, 40);
            for (int r = 0; r < records; ++r) {
                protocol.a.push_back(random.bounded(0, 10));
                protocol.b.push_back(random.bounded(10) == 0 ? -1 : random.bounded(0, 16));
            }
            first += records + qint64(random.bounded(0, int(joinTicks) + 3));
            protocols.push_back(protocol);
        }
        const auto loaded = load(protocols);
        EventList list = EventFinder::find(
            *loaded->assembly, {definition(condition, std::max<qint64>(minMs, 0), joinMs)});
        // The assembly's time base starts at the first protocol.
        for (Event& e : list.events) {
            e.start += protocols.front().first;
            e.end += protocols.front().first;
        }
        const std::vector<Event> expected =
            expectedEvents(protocols, test, (std::max<qint64>(minMs, 0) + kTickMs - 1) / kTickMs,
                           joinMs / kTickMs);
        QVERIFY2(list.events == expected,
                 qPrintable(QStringLiteral("round %1: %2 instead of %3")
                                .arg(round)
                                .arg(describe(list.events), describe(expected))));
        qint64 total = 0;
        for (const Event& e : expected)
            total += e.ticks();
        QCOMPARE(list.summaries.at(0).count, int(expected.size()));
        QCOMPARE(list.summaries.at(0).ticks, total);
    }
}

void TestEventFinder::namedCases_data()
{
    QTest::addColumn<QStringList>("protocols"); // "FIRST:ROWS"
    QTest::addColumn<int>("minMs");
    QTest::addColumn<int>("joinMs");
    QTest::addColumn<QString>("events"); // as describe() writes them

    const int end = Event::ToProtocolEnd;
    const int none = Event::EndedByNoValue;
    QTest::newRow("at the first and the last record")
        << QStringList{"0:TTFFTT"} << 0 << 0 << QStringLiteral("[0,2)0 [4,6)%1").arg(end);
    QTest::newRow("exactly the minimum counts")
        << QStringList{"0:FTTFTTTF"} << 300 << 0 << QStringLiteral("[4,7)0");
    QTest::newRow("a millisecond short of it does not")
        << QStringList{"0:FTTFTTTF"} << 301 << 0 << QString();
    QTest::newRow("a gap of exactly the joining gap joins")
        << QStringList{"0:TFFTF"} << 0 << 200 << QStringLiteral("[0,4)0");
    QTest::newRow("a tick longer does not")
        << QStringList{"0:TFFTF"} << 0 << 199 << QStringLiteral("[0,1)0 [3,4)0");
    QTest::newRow("a missing input ends the event and is not joined over")
        << QStringList{"0:TTNTT"} << 0 << 1000
        << QStringLiteral("[0,2)%1 [3,5)%2").arg(none).arg(end);
    QTest::newRow("the minimum counts after joining")
        << QStringList{"0:TFTFT"} << 500 << 100 << QStringLiteral("[0,5)%1").arg(end);
    QTest::newRow("two protocols closer than the joining gap")
        << QStringList{"0:FTT", "5:TTF"} << 0 << 200 << QStringLiteral("[1,7)0");
    QTest::newRow("two protocols farther apart")
        << QStringList{"0:FTT", "6:TTF"} << 0 << 200 << QStringLiteral("[1,3)%1 [6,8)0").arg(end);
    QTest::newRow("protocols read in reverse order")
        << QStringList{"6:TTF", "0:FTT"} << 0 << 0 << QStringLiteral("[1,3)%1 [6,8)0").arg(end);
}

void TestEventFinder::namedCases()
{
    QFETCH(QStringList, protocols);
    QFETCH(int, minMs);
    QFETCH(int, joinMs);
    QFETCH(QString, events);
    std::vector<Protocol> given;
    for (const QString& p : protocols)
        given.push_back(protocolOf(p.section(':', 0, 0).toLongLong(), p.section(':', 1)));
    const auto loaded = load(given);
    // The assembly's time base starts at the earliest protocol.
    const qint64 shift = std::min_element(given.begin(), given.end(), [](auto& a, auto& b) {
                             return a.first < b.first;
                         })->first;
    EventList list = EventFinder::find(
        *loaded->assembly, {definition(QStringLiteral("A > 5 && Q > 1"), minMs, joinMs)});
    for (Event& e : list.events) {
        e.start += shift;
        e.end += shift;
    }
    QCOMPARE(describe(list.events), events);
}

void TestEventFinder::overlappingProtocolsMakeOneEvent()
{
    // Two loggers over the same time: the spans overlap and are one event.
    const auto loaded = load({protocolOf(0, "FTTTFF"), protocolOf(2, "TTTTF")});
    const EventList list =
        EventFinder::find(*loaded->assembly, {definition(QStringLiteral("A > 5"), 0, 0)});
    QCOMPARE(describe(list.events), QStringLiteral("[1,6)0"));
}

void TestEventFinder::limitsCutTheSearch()
{
    const auto loaded = load({protocolOf(0, "TTFFTTTFTT")});
    const EventList list =
        EventFinder::find(*loaded->assembly, {definition(QStringLiteral("A > 5"), 0, 0)}, 1, 5);
    // Cut at the limit, not at the protocol's end: no "до конца протокола".
    QCOMPARE(describe(list.events), QStringLiteral("[1,2)0 [4,6)0"));
}

void TestEventFinder::statisticsOfTheEventsRecords()
{
    Protocol p;
    p.a = {0, 7, 9, 6, 0, 8};
    p.b = {4, 1, 16, 9, 4, 4};
    const auto loaded = load({p});
    const EventDefinitions definitions{definition(QStringLiteral("A > 5 && Q < 5"), 0, 0)};
    const EventList list = EventFinder::find(*loaded->assembly, definitions);
    QCOMPARE(describe(list.events), QStringLiteral("[1,4)0 [5,6)1"));
    const EventTable table(loaded->assembly.get(), definitions, list);
    QCOMPARE(table.codes(), QStringList({"A", "Q"}));
    QStringList first;
    for (int column = EventTable::FirstValueColumn; column < table.columnCount(); ++column)
        first.append(table.text(0, column));
    QCOMPARE(first, QStringList({"6", "9", "7.333", "1", "4", "2.667"}));
    QCOMPARE(table.text(0, EventTable::DurationColumn), QStringLiteral("00:00:00.300"));
    QCOMPARE(table.text(1, EventTable::NoteColumn), QStringLiteral("до конца протокола"));
    QCOMPARE(table.bookmarkNote(0), QStringLiteral("e, 00:00:00.300"));
}

void TestEventFinder::eventsAcrossTheClockChanges_data()
{
    QTest::addColumn<QDateTime>("start"); // local, a second-long tick
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");
    QTest::addColumn<QString>("duration");
    // 01:30 plus half an hour and one hour: 03:00 in spring, the second
    // 02:30 in autumn; an hour and a half of events in both.
    QTest::newRow("spring") << QDateTime(QDate(2024, 3, 31), QTime(1, 0))
                            << "31/03/2024 01:30:00.000"
                            << "31/03/2024 04:00:00.000"
                            << "01:30:00.000";
    QTest::newRow("autumn") << QDateTime(QDate(2024, 10, 27), QTime(1, 0))
                            << "27/10/2024 01:30:00.000"
                            << "27/10/2024 02:00:00.000"
                            << "01:30:00.000";
}

// In a zone with summer time an event lasts what its ticks last, and its
// ends read as the clock showed them.
void TestEventFinder::eventsAcrossTheClockChanges()
{
    const ZoneScope zone("Europe/Berlin");
    QFETCH(QDateTime, start);
    QFETCH(QString, from);
    QFETCH(QString, to);
    QFETCH(QString, duration);
    const QDateTime local(start.date(), start.time());
    const int halfHour = 1800;
    const auto loaded = load({protocolOf(0, QString(halfHour, 'F') + QString(3 * halfHour, 'T') +
                                                QString(halfHour, 'F'))},
                             local, 1000);
    const EventDefinitions definitions{definition(QStringLiteral("A > 5"), 0, 0)};
    const EventList list = EventFinder::find(*loaded->assembly, definitions);
    QCOMPARE(list.events.size(), size_t(1));
    const EventTable table(loaded->assembly.get(), definitions, list);
    QCOMPARE(table.text(0, EventTable::StartColumn), from);
    QCOMPARE(table.text(0, EventTable::EndColumn), to);
    QCOMPARE(table.text(0, EventTable::DurationColumn), duration);
}

QTEST_GUILESS_MAIN(TestEventFinder)
#include "test_eventfinder.moc"
