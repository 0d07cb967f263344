#include "protocol/channelcatalogue.h"
#include "protocol/channellookup.h"
#include "protocol/streamloger.h"
#include "protocolfiles.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {
using protocolfiles::writeDefinition;

const QByteArray kTwoGroups = R"({
  "ROOT": "protocols",
  "CONTENT": [
    {"GROUP": "Электрика", "VALUES": [
      {"CODE": "U1", "ID": 1, "NAME": "Напряжение", "RATE": 1},
      {"CODE": "I1", "ID": 2, "NAME": "Ток", "RATE": 2}
    ]},
    {"GROUP": "Режим", "VALUES": [
      {"CODE": "ST", "ID": 9, "NAME": "Состояние",
       "REFS": [{"VALUE": 0, "STRING": "Останов"}, {"VALUE": 1, "STRING": "Работа"}]},
      {"CODE": "I1", "ID": 2, "NAME": "Ток", "RATE": 2}
    ]}
  ]
})";
} // namespace

class TestChannelCatalogue : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void failureTexts_data();
    void failureTexts();
    void definitionThatCannotBeOpened();
    void topLevelArrayLeavesProtocolDirUntouched();
    void emptyContentStillCreatesRoot();
    void rootBlockedByFileIsNotTheLogDirectory();
    void rootAbsentMeansLogDirectory();
    void readsChannelsAndGroups();
    void nonObjectsInValuesAreSkipped();
    void badGroupFailsButKeepsEarlierGroups_data();
    void badGroupFailsButKeepsEarlierGroups();
    void refsLaterValueOverwritesAndDefinitionsMerge();
    void secondDefinitionAddsAndOverwrites();
    void wrongJsonTypes();
    void hugeDefinition();
    void oversizedDefinitionIsRefusedUnread();
    void latestDefinitionOwnsAnId();
    void unknownCodesAndIds();
    void streamLogerDelegates();

private:
    QTemporaryDir tmp;
    QString logDir;
    int round = 0;
};

void TestChannelCatalogue::init()
{
    logDir = tmp.path() + QStringLiteral("/case%1").arg(++round);
}

void TestChannelCatalogue::failureTexts_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("createDir");
    QTest::addColumn<QString>("error");
    const QString parse = QStringLiteral("Can't parse log definition file");
    QTest::newRow("no directory") << QByteArray() << false << "Log path not exists";
    QTest::newRow("no log.def") << QByteArray() << true << "Log definition file not found";
    QTest::newRow("empty file") << QByteArray("") << true << parse;
    QTest::newRow("not json") << QByteArray("CONTENT = nothing") << true << parse;
    QTest::newRow("truncated json") << kTwoGroups.left(60) << true << parse;
    QTest::newRow("empty object") << QByteArray("{}") << true << parse;
    QTest::newRow("no content") << QByteArray(R"({"ROOT": ""})") << true << parse;
    QTest::newRow("content object") << QByteArray(R"({"CONTENT": {}})") << true << parse;
    QTest::newRow("content string") << QByteArray(R"({"CONTENT": "x"})") << true << parse;
}

void TestChannelCatalogue::failureTexts()
{
    QFETCH(QByteArray, text);
    QFETCH(bool, createDir);
    QFETCH(QString, error);
    if (createDir)
        QVERIFY(QDir().mkpath(logDir));
    if (!text.isNull())
        QVERIFY(writeDefinition(logDir, text));
    ChannelCatalogue catalogue;
    QVERIFY(!catalogue.init(logDir));
    QCOMPARE(catalogue.lastError(), error);
    QVERIFY(catalogue.codes().isEmpty());

    // The next init starts with a clean error text.
    QVERIFY(writeDefinition(logDir, kTwoGroups));
    QVERIFY(catalogue.init(logDir));
    QCOMPARE(catalogue.lastError(), QString());
}

void TestChannelCatalogue::definitionThatCannotBeOpened()
{
    // A directory named log.def exists but cannot be read as a file.
    QVERIFY(QDir().mkpath(logDir + QStringLiteral("/log.def")));
    ChannelCatalogue catalogue;
    QVERIFY(!catalogue.init(logDir));
    QCOMPARE(catalogue.lastError(), QStringLiteral("Can't open log definition file"));
}

void TestChannelCatalogue::topLevelArrayLeavesProtocolDirUntouched()
{
    QVERIFY(writeDefinition(logDir, R"([{"ROOT": "made", "CONTENT": []}])"));
    ChannelCatalogue catalogue;
    QVERIFY(!catalogue.init(logDir));
    QCOMPARE(catalogue.lastError(), QStringLiteral("Can't parse log definition file"));
    QVERIFY(!catalogue.hasProtocolDir());
    QVERIFY(!QFileInfo::exists(logDir + QStringLiteral("/made")));
}

void TestChannelCatalogue::emptyContentStillCreatesRoot()
{
    QVERIFY(writeDefinition(logDir, R"({"ROOT": "a/b", "CONTENT": []})"));
    ChannelCatalogue catalogue;
    QVERIFY(!catalogue.init(logDir));
    QCOMPARE(catalogue.lastError(), QStringLiteral("Can't parse log definition file"));
    QVERIFY(QFileInfo(logDir + QStringLiteral("/a/b")).isDir());
    QVERIFY(catalogue.hasProtocolDir());
    QCOMPARE(catalogue.protocolDir().absolutePath(),
             QDir(logDir + QStringLiteral("/a/b")).absolutePath());
}

void TestChannelCatalogue::rootBlockedByFileIsNotTheLogDirectory()
{
    QVERIFY(writeDefinition(logDir, R"({"ROOT": "blocked", "CONTENT": []})"));
    QFile blocker(logDir + QStringLiteral("/blocked"));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    ChannelCatalogue catalogue;
    QVERIFY(!catalogue.init(logDir));
    QVERIFY(!catalogue.protocolDir().exists());
    QVERIFY(catalogue.protocolDir().absolutePath() != QDir(logDir).absolutePath());
}

void TestChannelCatalogue::rootAbsentMeansLogDirectory()
{
    QVERIFY(writeDefinition(logDir, R"({"ROOT": 5, "CONTENT": [{"VALUES": []}]})"));
    ChannelCatalogue catalogue;
    QVERIFY(catalogue.init(logDir));
    QCOMPARE(catalogue.protocolDir().absolutePath(), QDir(logDir).absolutePath());

    // An absolute ROOT is taken as it is.
    const QString absolute = tmp.path() + QStringLiteral("/elsewhere");
    QVERIFY(writeDefinition(
        logDir,
        QStringLiteral(R"({"ROOT": "%1", "CONTENT": [{"VALUES": []}]})").arg(absolute).toUtf8()));
    QVERIFY(catalogue.init(logDir));
    QCOMPARE(catalogue.protocolDir().absolutePath(), absolute);
    QVERIFY(QFileInfo(absolute).isDir());
}

void TestChannelCatalogue::readsChannelsAndGroups()
{
    QVERIFY(writeDefinition(logDir, kTwoGroups));
    ChannelCatalogue catalogue;
    QVERIFY(catalogue.init(logDir));
    QCOMPARE(catalogue.protocolDir().absolutePath(),
             QDir(logDir + QStringLiteral("/protocols")).absolutePath());

    QStringList codes = catalogue.codes();
    codes.sort();
    QCOMPARE(codes, (QStringList{"I1", "ST", "U1"}));
    QCOMPARE(catalogue.channelId("I1"), 2);
    QCOMPARE(catalogue.channelName("U1"), QStringLiteral("Напряжение"));
    QCOMPARE(catalogue.rateById(2), 2);
    QCOMPARE(catalogue.rateByCode("U1"), 1);
    QCOMPARE(catalogue.rateByCode("ST"), 0); // no RATE: unscaled
    QCOMPARE(1234 / std::pow(10.0, catalogue.rateByCode("I1")), 12.34);

    QVERIFY(catalogue.hasRefs("ST"));
    QVERIFY(!catalogue.hasRefs("U1"));
    QCOMPARE(catalogue.refText("ST", 1), QStringLiteral("Работа"));
    QCOMPARE(catalogue.refText("ST", 7), QString());
    QCOMPARE(catalogue.refText("U1", 1), QString());

    QStringList groups = catalogue.groupsOfCode("I1");
    groups.sort();
    QCOMPARE(groups, (QStringList{"Режим", "Электрика"}));
    QCOMPARE(catalogue.groupsOfCode("ST"), QStringList{"Режим"});
    QVERIFY(catalogue.groupsOfCode("nope").isEmpty());

    QCOMPARE(catalogue.channelTitle("I1"), QStringLiteral("Ток (I1)"));
    QCOMPARE(catalogue.codeByTitle(QStringLiteral("Ток (I1)")), QStringLiteral("I1"));
    QCOMPARE(catalogue.codeByTitle(QStringLiteral("Ток (U1)")), QString());
}

void TestChannelCatalogue::nonObjectsInValuesAreSkipped()
{
    QVERIFY(writeDefinition(logDir, R"({"CONTENT": [{"GROUP": "g", "VALUES": [
        1, "x", [], null, {"CODE": "A", "ID": 3}, true, {"CODE": "B", "ID": 4}]}]})"));
    ChannelCatalogue catalogue;
    QVERIFY(catalogue.init(logDir));
    QCOMPARE(catalogue.codes(), (QStringList{"A", "B"}));
    QCOMPARE(catalogue.channelId("B"), 4);
}

void TestChannelCatalogue::badGroupFailsButKeepsEarlierGroups_data()
{
    QTest::addColumn<QByteArray>("badGroup");
    QTest::newRow("group not an object") << QByteArray("42");
    QTest::newRow("values not an array")
        << QByteArray(R"({"GROUP": "b", "VALUES": {"CODE": "B"}})");
}

void TestChannelCatalogue::badGroupFailsButKeepsEarlierGroups()
{
    QFETCH(QByteArray, badGroup);
    QVERIFY(writeDefinition(logDir, R"({"CONTENT": [
        {"GROUP": "first", "VALUES": [{"CODE": "A", "ID": 3}]}, )" +
                                        badGroup + R"(,
        {"GROUP": "third", "VALUES": [{"CODE": "C", "ID": 5}]}]})"));
    ChannelCatalogue catalogue;
    QVERIFY(!catalogue.init(logDir));
    QCOMPARE(catalogue.lastError(), QStringLiteral("Can't parse log definition file"));
    QCOMPARE(catalogue.codes(), QStringList{"A"});
    QCOMPARE(catalogue.groupsOfCode("A"), QStringList{"first"});
}

void TestChannelCatalogue::refsLaterValueOverwritesAndDefinitionsMerge()
{
    QVERIFY(writeDefinition(logDir, R"({"CONTENT": [{"VALUES": [
        {"CODE": "S", "ID": 1, "REFS": [{"VALUE": 1, "STRING": "old"}, 5,
                                       {"VALUE": 1, "STRING": "new"}, {"STRING": "zero"}]},
        {"CODE": "S", "ID": 1, "REFS": [{"VALUE": 2, "STRING": "two"}]},
        {"CODE": "S", "ID": 1, "REFS": []},
        {"CODE": "E", "ID": 2, "REFS": [7, "x"]}]}]})"));
    ChannelCatalogue catalogue;
    QVERIFY(catalogue.init(logDir));
    QCOMPARE(catalogue.refText("S", 1), QStringLiteral("new"));
    QCOMPARE(catalogue.refText("S", 0), QStringLiteral("zero"));
    QCOMPARE(catalogue.refText("S", 2), QStringLiteral("two"));
    QVERIFY(!catalogue.hasRefs("E")); // no usable reference: no map at all

    const QString other = logDir + QStringLiteral("_b");
    QVERIFY(writeDefinition(other, R"({"CONTENT": [{"VALUES": [
        {"CODE": "S", "ID": 1, "REFS": [{"VALUE": 2, "STRING": "TWO"}, {"VALUE": 3, "STRING": "three"}]}]}]})"));
    QVERIFY(catalogue.init(other));
    QCOMPARE(catalogue.refText("S", 1), QStringLiteral("new"));
    QCOMPARE(catalogue.refText("S", 2), QStringLiteral("TWO"));
    QCOMPARE(catalogue.refText("S", 3), QStringLiteral("three"));
}

void TestChannelCatalogue::secondDefinitionAddsAndOverwrites()
{
    QVERIFY(writeDefinition(logDir, kTwoGroups));
    const QString other = logDir + QStringLiteral("_b");
    QVERIFY(writeDefinition(other, R"({"ROOT": "p2", "CONTENT": [{"GROUP": "Новая", "VALUES": [
        {"CODE": "U1", "ID": 11, "NAME": "Напряжение 2", "RATE": 3},
        {"CODE": "T", "ID": 12, "NAME": "Температура"}]}]})"));
    ChannelCatalogue catalogue;
    QVERIFY(catalogue.init(logDir));
    QVERIFY(catalogue.init(other));
    QStringList codes = catalogue.codes();
    codes.sort();
    QCOMPARE(codes, (QStringList{"I1", "ST", "T", "U1"}));
    QCOMPARE(catalogue.channelId("U1"), 11);
    QCOMPARE(catalogue.channelName("U1"), QStringLiteral("Напряжение 2"));
    QCOMPARE(catalogue.rateByCode("U1"), 3);
    QCOMPARE(catalogue.rateById(1), 1); // the old ID keeps its rate
    QCOMPARE(catalogue.groupsOfCode("U1").size(), 2);
    QCOMPARE(catalogue.protocolDir().absolutePath(),
             QDir(other + QStringLiteral("/p2")).absolutePath());
}

void TestChannelCatalogue::wrongJsonTypes()
{
    QVERIFY(writeDefinition(logDir, R"({"ROOT": [], "CONTENT": [{"GROUP": 17, "VALUES": [
        {"CODE": 42, "ID": "abc", "NAME": true, "RATE": "x"},
        {"CODE": "N", "ID": "7", "NAME": null, "RATE": 1.0},
        {"CODE": "R", "ID": 8, "REFS": {"VALUE": 1, "STRING": "x"}},
        {"CODE": "Q", "ID": 9, "REFS": [{"VALUE": "z", "STRING": 5}]},
        {"ID": 10}]}]})"));
    ChannelCatalogue catalogue;
    QVERIFY(catalogue.init(logDir));
    QCOMPARE(catalogue.protocolDir().absolutePath(), QDir(logDir).absolutePath());
    QCOMPARE(catalogue.channelId("42"), 0);
    QCOMPARE(catalogue.channelName("42"), QStringLiteral("true"));
    QCOMPARE(catalogue.groupsOfCode("42"), QStringList{QString()});
    QCOMPARE(catalogue.channelId("N"), 7);
    QCOMPARE(catalogue.channelName("N"), QString());
    QCOMPARE(catalogue.rateById(7), 1);
    QVERIFY(!catalogue.hasRefs("R"));
    QCOMPARE(catalogue.refText("Q", 0), QStringLiteral("5"));
    QCOMPARE(catalogue.channelId(QString()), 10);
}

void TestChannelCatalogue::hugeDefinition()
{
    QByteArray text = R"({"CONTENT": [{"GROUP": "big", "VALUES": [)";
    const int count = 50000;
    for (int i = 0; i < count; ++i) {
        text += QStringLiteral(R"({"CODE": "C%1", "ID": %2, "NAME": "Канал %1", "RATE": %3},)")
                    .arg(i)
                    .arg(i % 256)
                    .arg(i % 4)
                    .toUtf8();
    }
    text += R"("tail"]}]})";
    QVERIFY(writeDefinition(logDir, text));
    ChannelCatalogue catalogue;
    QVERIFY(catalogue.init(logDir));
    QCOMPARE(catalogue.codes().size(), count);
    QCOMPARE(catalogue.channelName("C49999"), QStringLiteral("Канал 49999"));
}

void TestChannelCatalogue::oversizedDefinitionIsRefusedUnread()
{
    QVERIFY(writeDefinition(logDir, "{}"));
    QFile file(logDir + QStringLiteral("/log.def"));
    QVERIFY(file.resize(ChannelCatalogue::kMaxDefinitionSize + 1)); // sparse, no disk cost
    ChannelCatalogue catalogue;
    QVERIFY(!catalogue.init(logDir));
    QCOMPARE(catalogue.lastError(), QStringLiteral("Can't parse log definition file"));
    QVERIFY(!catalogue.hasProtocolDir());
}

void TestChannelCatalogue::latestDefinitionOwnsAnId()
{
    QVERIFY(writeDefinition(logDir, R"({"CONTENT": [{"VALUES": [
        {"CODE": "OLD", "ID": 1}, {"CODE": "KEEP", "ID": 2}, {"CODE": "MOVES", "ID": 3}]}]})"));
    const QString other = logDir + QStringLiteral("_b");
    QVERIFY(writeDefinition(other, R"({"CONTENT": [{"VALUES": [
        {"CODE": "NEW", "ID": 1}, {"CODE": "MOVES", "ID": 4}]}]})"));
    ChannelCatalogue catalogue;
    QVERIFY(catalogue.init(logDir));
    QCOMPARE(catalogue.codeOfId(1), QStringLiteral("OLD"));
    QVERIFY(catalogue.init(other));
    QCOMPARE(catalogue.codeOfId(1), QStringLiteral("NEW"));
    QCOMPARE(catalogue.codeOfId(2), QStringLiteral("KEEP"));
    QCOMPARE(catalogue.codeOfId(3), QString());
    QCOMPARE(catalogue.codeOfId(4), QStringLiteral("MOVES"));
    QCOMPARE(catalogue.codeOfId(5), QString());
}

void TestChannelCatalogue::unknownCodesAndIds()
{
    QVERIFY(writeDefinition(logDir,
                            R"({"CONTENT": [{"VALUES": [{"CODE": "Z", "ID": 0, "RATE": 3}]}]})"));
    ChannelCatalogue catalogue;
    QVERIFY(catalogue.init(logDir));
    QCOMPARE(catalogue.channelId("missing"), 0);
    QCOMPARE(catalogue.channelName("missing"), QString());
    QCOMPARE(catalogue.rateById(77), 0);
    // Not the rate of channel ID 0.
    QCOMPARE(catalogue.rateByCode("missing"), 0);
    QCOMPARE(catalogue.rateByCode("Z"), 3);
}

void TestChannelCatalogue::streamLogerDelegates()
{
    StreamLoger* loger = StreamLoger::instance();
    QCOMPARE(StreamLoger::instance(), loger);
    QVERIFY(!loger->init(logDir));
    QCOMPARE(loger->lastError(), QStringLiteral("Log path not exists"));
    QVERIFY(writeDefinition(logDir, kTwoGroups));
    QVERIFY(loger->init(logDir));
    QCOMPARE(loger->lastError(), QString());
    QCOMPARE(loger->channelTitle("ST"), QStringLiteral("Состояние (ST)"));

    // The table, the charts and the palette ask through the default lookup.
    const ChannelLookup& lookup = ChannelLookup::streamLoger();
    QCOMPARE(lookup.channelName("I1"), QStringLiteral("Ток"));
    QCOMPARE(lookup.rateById(2), 2);
    QVERIFY(lookup.hasRefs("ST"));
    QVERIFY(!lookup.hasRefs("I1"));
    QCOMPARE(lookup.refText("ST", 1), QStringLiteral("Работа"));
    QCOMPARE(lookup.codeByTitle(QStringLiteral("Ток (I1)")), QStringLiteral("I1"));
    StreamLoger::release();
}

QTEST_GUILESS_MAIN(TestChannelCatalogue)
#include "test_channelcatalogue.moc"
