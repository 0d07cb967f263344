#include "compare/comparison.h"
#include "compare/comparisonsession.h"
#include "workspace/projectfile.h"
#include "workspace/workspace.h"
#include "workspace/workspaceevents.h"

#include "protocol/streamloger.h"
#include "tests/protocol/protocolfiles.h"
#include "tests/zonescope.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <QTest>

namespace {
const QDateTime kStart(QDate(2024, 6, 1), QTime(12, 0));

bool writeProtocol(const QString& path, const QDateTime& start, int count)
{
    QVector<LogRecord> records;
    for (int tick = 0; tick < count; ++tick) {
        records.append(protocolfiles::rec(1, quint32(tick), tick));
        records.append(protocolfiles::rec(2, quint32(tick), 100 + tick));
    }
    return protocolfiles::write(path,
                                protocolfiles::bytes(protocolfiles::header(start, 1000), records));
}

QJsonObject readJson(const QString& path)
{
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return QJsonDocument::fromJson(file.readAll()).object();
}

bool writeJson(const QString& path, const QJsonObject& object)
{
    return protocolfiles::write(path, QJsonDocument(object).toJson());
}
} // namespace

// A project written out and read back: every field, protocols found after a
// move, missing and changed protocols named, keys of a newer version kept.
class TestProjectFile : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;

    // A log directory "data" with two protocols, and the project beside it.
    QString makeFolder(const QString& name)
    {
        const QString data = dir.filePath(name + QStringLiteral("/data"));
        protocolfiles::writeDefinition(data, R"({"ROOT": "", "CONTENT": [{"GROUP": "g",
            "VALUES": [{"CODE": "A1", "ID": 1, "NAME": "Альфа", "RATE": 0},
                       {"CODE": "B1", "ID": 2, "NAME": "Бета", "RATE": 1}]}]})");
        writeProtocol(data + QStringLiteral("/a.log"), kStart, 50);
        writeProtocol(data + QStringLiteral("/b.log"), kStart.addSecs(20), 50);
        return dir.filePath(name);
    }

private slots:
    void initTestCase() { StreamLoger::instance()->setEventsWhileReading(false); }

    // Each field set in a workspace, saved, loaded and applied to a fresh
    // workspace, comes back as it was.
    void everyFieldSurvivesTheRoundTrip()
    {
        const QString folder = makeFolder(QStringLiteral("round"));
        const QString data = folder + QStringLiteral("/data");
        QVERIFY(StreamLoger::instance()->init(data));
        Workspace source;
        source.loadComputedChannels(data);
        source.setComputedOverrides(
            {{QStringLiteral("P"), QStringLiteral("Мощность"), 3, QStringLiteral("A1*B1")}});
        QCOMPARE(source.read({data + QStringLiteral("/a.log"), data + QStringLiteral("/b.log")}),
                 Workspace::ReadResult::Loaded);
        ViewState& view = source.view();
        view.setChannelShown(QStringLiteral("Бета (B1)"), false);
        view.setChannelColor(QStringLiteral("Альфа (A1)"), QColor(QStringLiteral("#12ab34")));
        view.setZoom(0.25);
        view.setPosition(17);
        view.setLine(33);
        view.setReference(21);
        const QDateTime from = kStart.addSecs(5);
        const QDateTime to = kStart.addSecs(40);
        view.setValueRanges({{QStringLiteral("Альфа (A1)"), 2.5, 30}});
        view.setFilter(true, from, to);
        const EventDefinition dip{QStringLiteral("Провал"), QStringLiteral("B1 < 12"), 2000, 500,
                                  QColor(QStringLiteral("#ff8800"))};
        source.setEventDefinitions({dip});

        const QString path = folder + QStringLiteral("/analysis.vtproj");
        ProjectFile saved = ProjectFile::capture(source, path, data);
        saved.span = 250;
        saved.tab = 2;
        saved.docks = QByteArray("\x00\xff docks", 8);
        saved.timeFilterOn = true;
        QString error;
        QVERIFY2(saved.save(path, error), qPrintable(error));

        ProjectFile loaded;
        QVERIFY2(ProjectFile::load(path, loaded, error), qPrintable(error));
        // Every field read back: toJson writes each of them.
        QCOMPARE(loaded.toJson(), saved.toJson());
        QCOMPARE(loaded.protocols.size(), 2);
        QCOMPARE(loaded.protocols[1].relative, QStringLiteral("data/b.log"));
        QCOMPARE(loaded.protocols[1].start, kStart.addSecs(20));
        QCOMPARE(loaded.protocols[1].size, qint64(kProtocolHeaderSize + 100 * kLogRecordSize));
        QCOMPARE(loaded.logDirectoryRelative, QStringLiteral("data"));
        QCOMPARE(loaded.computed.size(), size_t(1));

        Workspace restored;
        restored.setComputedOverrides(loaded.computed);
        QCOMPARE(restored.read(loaded.locate(path).files), Workspace::ReadResult::Loaded);
        loaded.applyView(restored.view());
        QVERIFY(loaded.applyEvents(restored, path, error));
        // The project's definitions stand even when log.def's are read again.
        restored.events().load(data);
        QVERIFY(restored.eventDefinitions() == EventDefinitions{dip});
        const ViewState& back = restored.view();
        QVERIFY(!back.isChannelShown(QStringLiteral("Бета (B1)")));
        QVERIFY(back.isChannelShown(QStringLiteral("Альфа (A1)")));
        QCOMPARE(back.channelColor(QStringLiteral("Альфа (A1)")), QColor(0x12, 0xab, 0x34));
        QCOMPARE(back.zoom(), 0.25);
        QCOMPARE(back.position(), 17.0);
        QCOMPARE(back.line(), qint64(33));
        QVERIFY(back.hasReference());
        QCOMPARE(back.reference(), qint64(21));
        QVERIFY(back.isFilterOn());
        QCOMPARE(back.timeFrom(), from);
        QCOMPARE(back.timeTo(), to);
        QCOMPARE(back.valueRanges().size(), 1);
        QCOMPARE(back.valueRanges()[0].name, QStringLiteral("Альфа (A1)"));
        QCOMPARE(back.valueRanges()[0].from, 2.5);
        QCOMPARE(back.valueRanges()[0].to, 30.0);
        // The copied computed channel is computed without computed.def.
        QVERIFY(restored.computedInUse().size() == 1);
        QCOMPARE(restored.rowCount(), source.rowCount());
    }

    // Where the protocols are looked for and what is said of them.
    void protocolsAreLocated_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<int>("found");
        QTest::addColumn<QStringList>("missing");
        QTest::addColumn<QStringList>("changed");
        QTest::newRow("as saved") << "none" << 2 << QStringList() << QStringList();
        // The whole folder moved: found beside the project.
        QTest::newRow("folder moved") << "move" << 2 << QStringList() << QStringList();
        QTest::newRow("one missing") << "remove" << 1 << QStringList{"b.log"} << QStringList();
        QTest::newRow("one grew") << "append" << 2 << QStringList() << QStringList{"b.log"};
        QTest::newRow("one restarted") << "restart" << 2 << QStringList() << QStringList{"b.log"};
    }

    void protocolsAreLocated()
    {
        QFETCH(QString, change);
        QFETCH(int, found);
        QFETCH(QStringList, missing);
        QFETCH(QStringList, changed);
        const QString name = QStringLiteral("loc-") + QTest::currentDataTag();
        QString folder = makeFolder(name.simplified().replace(QLatin1Char(' '), QLatin1Char('-')));
        const QString data = folder + QStringLiteral("/data");
        QVERIFY(StreamLoger::instance()->init(data));
        Workspace workspace;
        workspace.read({data + QStringLiteral("/a.log"), data + QStringLiteral("/b.log")});
        QString path = folder + QStringLiteral("/p.vtproj");
        QString error;
        QVERIFY(ProjectFile::capture(workspace, path, data).save(path, error));
        workspace.clear();

        const QString b = data + QStringLiteral("/b.log");
        if (change == QLatin1String("move")) {
            const QString moved = folder + QStringLiteral("-moved");
            QVERIFY(QDir().rename(folder, moved));
            folder = moved;
            path = folder + QStringLiteral("/p.vtproj");
        } else if (change == QLatin1String("remove"))
            QVERIFY(QFile::remove(b));
        else if (change == QLatin1String("append")) {
            QFile file(b);
            QVERIFY(file.open(QIODevice::Append));
            file.write(protocolformat::encodeRecord(protocolfiles::rec(1, 60, 1)));
        } else if (change == QLatin1String("restart"))
            QVERIFY(writeProtocol(b, kStart.addSecs(21), 50));

        ProjectFile project;
        QVERIFY2(ProjectFile::load(path, project, error), qPrintable(error));
        const LocatedProtocols located = project.locate(path);
        QCOMPARE(located.files.size(), found);
        for (const QString& file : located.files)
            QVERIFY2(file.startsWith(folder + QLatin1Char('/')), qPrintable(file));
        QCOMPARE(located.missing.size(), missing.size());
        QCOMPARE(located.changed.size(), changed.size());
        for (const QString& file : missing + changed)
            QVERIFY(located.problemText().contains(file));
        QCOMPARE(located.problemText().isEmpty(), missing.isEmpty() && changed.isEmpty());
        QCOMPARE(project.locateLogDirectory(path), folder + QStringLiteral("/data"));
        // The rest opens.
        QCOMPARE(workspace.read(located.files), Workspace::ReadResult::Loaded);
    }

    // A newer version's keys, top-level and inside the window's part, are
    // written back on save; known keys of a wrong type fall back to defaults.
    void unknownKeysAreKept()
    {
        const QString path = dir.filePath(QStringLiteral("newer.vtproj"));
        QJsonObject object{{QStringLiteral("format"), QStringLiteral("voltrek-project")},
                           {QStringLiteral("version"), 7},
                           {QStringLiteral("comparison"),
                            QJsonObject{{QStringLiteral("align"), QStringLiteral("start")}}},
                           {QStringLiteral("window"),
                            QJsonObject{{QStringLiteral("tab"), 1},
                                        {QStringLiteral("splitter"), QStringLiteral("abc")}}},
                           {QStringLiteral("view"), QStringLiteral("not an object")}};
        QVERIFY(writeJson(path, object));
        ProjectFile project;
        QString error;
        QVERIFY2(ProjectFile::load(path, project, error), qPrintable(error));
        QCOMPARE(project.tab, 1);
        QCOMPARE(project.zoom, 1.0);
        QVERIFY(project.save(path, error));
        const QJsonObject again = readJson(path);
        QCOMPARE(again.value(QStringLiteral("comparison")),
                 object.value(QStringLiteral("comparison")));
        QCOMPARE(again.value(QStringLiteral("window")).toObject().value(QStringLiteral("splitter")),
                 QJsonValue(QStringLiteral("abc")));
        QCOMPARE(again.value(QStringLiteral("version")).toInt(), ProjectFile::kFormatVersion);
        // No event definitions read, none written.
        QVERIFY(!again.contains(QStringLiteral("events")));
    }

    // What cannot be read is said in Russian with the file's name.
    void unreadableProjectsAreNamed_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("cause");
        QTest::newRow("missing") << QByteArray() << "файла нет";
        QTest::newRow("not json") << QByteArray("{\"format\": ") << "не JSON";
        QTest::newRow("other json") << QByteArray("{\"ROOT\": \"\"}") << "не файл проекта";
        QTest::newRow("a folder") << QByteArray("dir") << "не открывается";
    }

    void unreadableProjectsAreNamed()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, cause);
        const QString path = dir.filePath(
            QStringLiteral("bad-%1.vtproj").arg(QTest::currentDataTag()).replace(' ', '-'));
        if (content == "dir")
            QVERIFY(QDir().mkpath(path));
        else if (!content.isEmpty())
            QVERIFY(protocolfiles::write(path, content));
        ProjectFile project;
        QString error;
        QVERIFY(!ProjectFile::load(path, project, error));
        QVERIFY2(error.contains(cause), qPrintable(error));
        QVERIFY2(error.contains(QDir::toNativeSeparators(path)), qPrintable(error));
    }

    // A comparison saved with its protocols, rules, shifts and difference
    // channels, reopened on the same files: the same zeros and channels.
    void comparisonSurvivesTheRoundTrip()
    {
        const QString folder = makeFolder(QStringLiteral("compared"));
        const QString data = folder + QStringLiteral("/data");
        StreamLoger& logger = *StreamLoger::instance();
        QVERIFY(logger.init(data));
        const QStringList files = {data + QStringLiteral("/b.log"),
                                   data + QStringLiteral("/a.log")};
        ComparisonSession source;
        QVERIFY(source.open(logger, files, {}, AlignmentRule()));
        QCOMPARE(source.files(), files);
        // A1 is the tick: it first exceeds 10 at 11 s.
        AlignmentRule when;
        QVERIFY(AlignmentRule::parse(QStringLiteral("when:A1 > 10"), when));
        QString error;
        QVERIFY2(source.setRule(1, when, error), qPrintable(error));
        source.setShift(0, 1500);
        source.rebuildRows();
        QVERIFY(source.addDifference(QStringLiteral("B1"), 1));

        const QString path = folder + QStringLiteral("/compared.vtproj");
        const ProjectFile saved = ProjectFile::captureComparison(source, path, data);
        QVERIFY2(saved.save(path, error), qPrintable(error));
        ProjectFile loaded;
        QVERIFY2(ProjectFile::load(path, loaded, error), qPrintable(error));
        QCOMPARE(loaded.toJson(), saved.toJson());
        QVERIFY(loaded.comparison.active);
        QCOMPARE(loaded.comparison.rules.size(), 2);
        QVERIFY(loaded.comparison.rules[1] == when);
        QCOMPARE(loaded.comparison.shifts, (QVector<qint64>{1500, 0}));
        QCOMPARE(loaded.comparison.differences,
                 (QVector<QPair<QString, int>>{{QStringLiteral("B1"), 1}}));
        QCOMPARE(loaded.protocols[0].relative, QStringLiteral("data/b.log"));
        const QJsonObject json = readJson(path).value(QStringLiteral("comparison")).toObject();
        QCOMPARE(json.value(QStringLiteral("rules")).toArray().at(1).toString(),
                 QStringLiteral("when:A1 > 10"));

        ComparisonSession restored;
        QVERIFY(restored.open(logger, loaded.locate(path).files, {}, AlignmentRule()));
        QCOMPARE(loaded.applyComparison(restored), QStringList());
        for (int p = 0; p < 2; ++p) {
            QCOMPARE(restored.zero(p), source.zero(p));
            QCOMPARE(restored.shift(p), source.shift(p));
            QVERIFY(restored.rule(p) == source.rule(p));
        }
        QCOMPARE(restored.zero(1), kStart.toMSecsSinceEpoch() + 11000);
        QCOMPARE(restored.differences().size(), size_t(1));
        QCOMPARE(restored.differences().front().points, source.differences().front().points);
        QCOMPARE(restored.comparison().rowCount(), source.comparison().rowCount());

        // What cannot be applied is named by file.
        ProjectFile other = loaded;
        AlignmentRule::parse(QStringLiteral("bookmark:Пуск"), other.comparison.rules[0]);
        other.comparison.differences.append({QStringLiteral("Z9"), 1});
        const QStringList lines = other.applyComparison(restored);
        QCOMPARE(lines.size(), 2);
        QVERIFY2(lines[0].startsWith(QDir::toNativeSeparators(files[0])) &&
                     lines[0].contains(QStringLiteral("нет закладки «Пуск»")),
                 qPrintable(lines[0]));
        QVERIFY2(lines[1].contains(QStringLiteral("Z9 [2−1]")), qPrintable(lines[1]));
        QCOMPARE(restored.zero(0), source.zero(0));
    }

    // What a project's comparison reads back as; a project without one
    // writes no key for it.
    void comparisonReadsBack_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QString>("read"); // active; rules; shifts; differences
        QTest::newRow("none") << QByteArray("{}") << "0;;;";
        QTest::newRow("every part")
            << QByteArray(R"({"active": true, "rules": ["start", "bookmark:Пуск", "when:U1 > 2"],
                 "shifts": [0, -2500, 86400000000],
                 "differences": [{"channel": "U1", "protocol": 3}]})")
            << "1;start,bookmark:Пуск,when:U1 > 2;0,-2500,86400000000;U1/2";
        QTest::newRow("wrong types fall back")
            << QByteArray(R"({"active": "yes", "rules": ["end", 5], "shifts": ["x"],
                 "differences": [{"channel": "U1", "protocol": 1}, {"protocol": 2}, 7]})")
            << "0;start,start;0;";
        QTest::newRow("not an object") << QByteArray("[1]") << "0;;;";
    }
    void comparisonReadsBack()
    {
        QFETCH(QByteArray, json);
        QFETCH(QString, read);
        const QJsonDocument document = QJsonDocument::fromJson("{\"comparison\": " + json + "}");
        QVERIFY(document.isObject());
        const ProjectFile project = ProjectFile::fromJson(document.object());
        const ProjectComparison& c = project.comparison;
        QStringList rules, shifts, differences;
        for (const AlignmentRule& rule : c.rules)
            rules.append(rule.option());
        for (const qint64 shift : c.shifts)
            shifts.append(QString::number(shift));
        for (const auto& difference : c.differences)
            differences.append(
                QStringLiteral("%1/%2").arg(difference.first).arg(difference.second));
        QCOMPARE(QStringList({QString::number(int(c.active)), rules.join(','), shifts.join(','),
                              differences.join(',')})
                     .join(';'),
                 read);
        // Written back as read; an empty one not at all.
        const QJsonObject again = project.toJson();
        QCOMPARE(again.contains(QStringLiteral("comparison")), !c.isEmpty());
        if (!c.isEmpty())
            QCOMPARE(ProjectFile::fromJson(again).toJson(), again);
    }

    // Berlin, 27 October 2024: 02:00 to 03:00 comes twice. A filter bound in
    // either hour reopens as the instant it was; a project of an older
    // version, without offsets, reads a bound there as the first one.
    void filterBoundsKeepTheirInstant_data()
    {
        QTest::addColumn<QString>("written"); // empty: as saved now
        QTest::addColumn<qint64>("later");    // ms after 02:30 of the first occurrence
        QTest::newRow("the first 02:30") << "" << qint64(0);
        QTest::newRow("the second 02:30") << "" << qint64(3600000);
        QTest::newRow("summer time the day before") << "" << -qint64(24) * 3600000;
        QTest::newRow("an older project's bound") << "2024-10-27T02:30:00.000" << qint64(0);
        QTest::newRow("an older project, the hour after")
            << "2024-10-27T03:30:00.000" << qint64(2) * 3600000;
    }
    void filterBoundsKeepTheirInstant()
    {
        QFETCH(QString, written);
        QFETCH(qint64, later);
        const ZoneScope zone("Europe/Berlin");
        // 02:30 CEST is 00:30 UTC.
        const qint64 first =
            QDateTime(QDate(2024, 10, 27), QTime(0, 30), Qt::UTC).toMSecsSinceEpoch();
        ProjectFile project;
        project.filterOn = true;
        project.timeFilterOn = true;
        project.timeFrom = QDateTime::fromMSecsSinceEpoch(first + later);
        project.timeTo = project.timeFrom.addSecs(60);
        QJsonObject json = project.toJson();
        if (!written.isEmpty()) {
            QJsonObject filter = json.value(QStringLiteral("filter")).toObject();
            filter.insert(QStringLiteral("from"), written);
            json.insert(QStringLiteral("filter"), filter);
        }
        const ProjectFile back = ProjectFile::fromJson(json);
        QCOMPARE(back.timeFrom.toMSecsSinceEpoch(), first + later);
        QCOMPARE(back.timeTo.toMSecsSinceEpoch(), first + later + 60000);
    }

    // A failed save keeps the old project.
    void aFailedSaveKeepsTheOldFile()
    {
        const QString blocker = dir.filePath(QStringLiteral("blocker"));
        QVERIFY(protocolfiles::write(blocker, "x"));
        ProjectFile project;
        QString error;
        QVERIFY(!project.save(blocker + QStringLiteral("/p.vtproj"), error));
        QVERIFY(error.contains(QStringLiteral("не сохранен")));
    }
};

QTEST_GUILESS_MAIN(TestProjectFile)
#include "test_projectfile.moc"
