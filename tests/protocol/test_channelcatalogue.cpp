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

QStringList sorted(QStringList list)
{
    list.sort();
    return list;
}

QString absolute(const QString& path)
{
    return QDir(path).absolutePath();
}
} // namespace

class TestChannelCatalogue : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void failures_data();
    void failures();
    void badGroupKeepsEarlierGroups();
    void protocolDirFromRoot();
    void readsChannelsAndGroups();
    void toleratesWrongJsonTypes();
    void laterDefinitionMerges();
    void hugeDefinition();
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

void TestChannelCatalogue::failures_data()
{
    QTest::addColumn<QByteArray>("text"); // empty: no log.def, "/": log.def a folder
    QTest::addColumn<QString>("error");
    const QString parse = QStringLiteral("Can't parse log definition file: ");
    QTest::newRow("no directory") << QByteArray() << "Log path not exists";
    QTest::newRow("no log.def") << QByteArray("") << "Log definition file not found";
    QTest::newRow("log.def a folder") << QByteArray("/") << "Can't open log definition file";
    QTest::newRow("oversized") << QByteArray("{}") << "Log definition file is larger than 64 MiB";
    QTest::newRow("empty file") << QByteArray(" ") << parse + "line 1, column 1: illegal value";
    // Cut inside a two-byte letter.
    QTest::newRow("truncated json")
        << kTwoGroups.left(60) << parse + "line 4, column 20: a text that is not UTF-8";
    QTest::newRow("top-level array") << QByteArray(R"([{"ROOT": "made", "CONTENT": []}])")
                                     << parse + "no object with CONTENT at the top";
    QTest::newRow("no content") << QByteArray(R"({"ROOT": ""})")
                                << parse + "CONTENT is no list of groups";
    QTest::newRow("content not an array")
        << QByteArray(R"({"CONTENT": {}})") << parse + "CONTENT is no list of groups";
    // One name in CP1251 rejects the whole file, but says where.
    QTest::newRow("name not UTF-8")
        << QByteArray("{\"CONTENT\": [{\"GROUP\": \"g\", \"VALUES\": [\n"
                      "  {\"CODE\": \"A\", \"ID\": 1, \"NAME\": \"\xcd\xe0\xef\xf0\"}]}]}")
        << parse + "line 2, column 35: a text that is not UTF-8";
}

void TestChannelCatalogue::failures()
{
    QFETCH(QByteArray, text);
    QFETCH(QString, error);
    const QString definition = logDir + QStringLiteral("/log.def");
    const bool oversized = text == "{}";
    if (!text.isNull())
        QVERIFY(QDir().mkpath(text == "/" ? definition : logDir));
    if (!text.isEmpty() && text != "/")
        QVERIFY(writeDefinition(logDir, text.trimmed()));
    if (oversized)
        QVERIFY(QFile::resize(definition, ChannelCatalogue::kMaxDefinitionSize + 1)); // sparse
    ChannelCatalogue catalogue;
    QVERIFY(!catalogue.init(logDir));
    QCOMPARE(catalogue.lastError(), error);
    QVERIFY(catalogue.codes().isEmpty());
    if (oversized || text.startsWith('['))
        QVERIFY(!catalogue.hasProtocolDir());
    QVERIFY(!QFileInfo::exists(logDir + QStringLiteral("/made")));

    // The next init starts with a clean error text.
    QDir(logDir).rmdir(QStringLiteral("log.def"));
    QVERIFY(writeDefinition(logDir, kTwoGroups));
    QVERIFY(catalogue.init(logDir));
    QCOMPARE(catalogue.lastError(), QString());
}

void TestChannelCatalogue::badGroupKeepsEarlierGroups()
{
    for (const QByteArray& bad : {QByteArray("42"), QByteArray(R"({"VALUES": {"CODE": "B"}})")}) {
        QVERIFY(writeDefinition(logDir, R"({"CONTENT": [
            {"GROUP": "first", "VALUES": [{"CODE": "A", "ID": 3}]}, )" +
                                            bad + R"(,
            {"GROUP": "third", "VALUES": [{"CODE": "C", "ID": 5}]}]})"));
        ChannelCatalogue catalogue;
        QVERIFY2(!catalogue.init(logDir), bad);
        QCOMPARE(catalogue.lastError(),
                 QStringLiteral("Can't parse log definition file: group 2 of CONTENT is no "
                                "object with a VALUES list"));
        QCOMPARE(catalogue.codes(), QStringList{"A"});
        QCOMPARE(catalogue.groupsOfCode("A"), QStringList{"first"});
    }
}

void TestChannelCatalogue::protocolDirFromRoot()
{
    // Created even when the definition then fails for its empty content.
    QVERIFY(writeDefinition(logDir, R"({"ROOT": "a/b", "CONTENT": []})"));
    ChannelCatalogue catalogue;
    QVERIFY(!catalogue.init(logDir));
    QVERIFY(catalogue.hasProtocolDir());
    QVERIFY(QFileInfo(logDir + QStringLiteral("/a/b")).isDir());
    QCOMPARE(catalogue.protocolDir().absolutePath(), absolute(logDir + QStringLiteral("/a/b")));

    // A file in its way: no protocol folder, and certainly not the log folder.
    QVERIFY(writeDefinition(logDir, R"({"ROOT": "blocked", "CONTENT": []})"));
    QVERIFY(protocolfiles::write(logDir + QStringLiteral("/blocked"), QByteArray()));
    QVERIFY(!catalogue.init(logDir));
    QVERIFY(!catalogue.protocolDir().exists());
    QVERIFY(catalogue.protocolDir().absolutePath() != absolute(logDir));

    // Not one of the program's resources, but a folder beside log.def.
    QVERIFY(writeDefinition(logDir, R"({"ROOT": ":res", "CONTENT": []})"));
    QVERIFY(!catalogue.init(logDir));
    QCOMPARE(catalogue.protocolDir().absolutePath(), absolute(logDir + QStringLiteral("/:res")));
    QVERIFY(QFileInfo(logDir + QStringLiteral("/:res")).isDir());

    QVERIFY(writeDefinition(logDir, R"({"ROOT": 5, "CONTENT": [{"VALUES": []}]})"));
    QVERIFY(catalogue.init(logDir));
    QCOMPARE(catalogue.protocolDir().absolutePath(), absolute(logDir));

    const QString elsewhere = tmp.path() + QStringLiteral("/elsewhere");
    QVERIFY(writeDefinition(
        logDir,
        QStringLiteral(R"({"ROOT": "%1", "CONTENT": [{"VALUES": []}]})").arg(elsewhere).toUtf8()));
    QVERIFY(catalogue.init(logDir));
    QCOMPARE(catalogue.protocolDir().absolutePath(), elsewhere);
    QVERIFY(QFileInfo(elsewhere).isDir());
}

void TestChannelCatalogue::readsChannelsAndGroups()
{
    QVERIFY(writeDefinition(logDir, kTwoGroups));
    ChannelCatalogue catalogue;
    QVERIFY(catalogue.init(logDir));
    QCOMPARE(catalogue.protocolDir().absolutePath(),
             absolute(logDir + QStringLiteral("/protocols")));
    QCOMPARE(sorted(catalogue.codes()), (QStringList{"I1", "ST", "U1"}));
    QCOMPARE(catalogue.channelId("I1"), 2);
    QCOMPARE(catalogue.channelName("U1"), QStringLiteral("Напряжение"));
    QCOMPARE(catalogue.rateById(2), 2);
    QCOMPARE(catalogue.rateByCode("U1"), 1);
    QCOMPARE(catalogue.rateByCode("ST"), 0);
    QVERIFY(catalogue.hasRefs("ST"));
    QVERIFY(!catalogue.hasRefs("U1"));
    QCOMPARE(catalogue.refText("ST", 1), QStringLiteral("Работа"));
    QCOMPARE(catalogue.refText("ST", 7), QString());
    QCOMPARE(catalogue.refText("U1", 1), QString());
    QCOMPARE(sorted(catalogue.groupsOfCode("I1")), (QStringList{"Режим", "Электрика"}));
    QVERIFY(catalogue.groupsOfCode("nope").isEmpty());
    QCOMPARE(catalogue.channelTitle("I1"), QStringLiteral("Ток (I1)"));
    QCOMPARE(catalogue.codeByTitle(QStringLiteral("Ток (I1)")), QStringLiteral("I1"));
    QCOMPARE(catalogue.codeByTitle(QStringLiteral("Ток (U1)")), QString());
    QCOMPARE(catalogue.channelId("missing"), 0);
    QCOMPARE(catalogue.channelName("missing"), QString());
    QCOMPARE(catalogue.rateById(77), 0);
}

void TestChannelCatalogue::toleratesWrongJsonTypes()
{
    QVERIFY(writeDefinition(logDir, R"({"ROOT": [], "CONTENT": [{"GROUP": 17, "VALUES": [
        1, "x", [], null, true,
        {"CODE": 42, "ID": "abc", "NAME": true, "RATE": "x"},
        {"CODE": "N", "ID": "7", "NAME": null, "RATE": 1.0},
        {"CODE": "R", "ID": 8, "REFS": {"VALUE": 1, "STRING": "x"}},
        {"CODE": "E", "ID": 2, "REFS": [7, "x"]},
        {"CODE": "Q", "ID": 9, "REFS": [{"VALUE": "z", "STRING": 5}]},
        {"CODE": "Z", "ID": 0, "RATE": 3},
        {"ID": 10}]}]})"));
    ChannelCatalogue catalogue;
    QVERIFY(catalogue.init(logDir));
    QCOMPARE(catalogue.codes().size(), 7);
    QCOMPARE(catalogue.protocolDir().absolutePath(), absolute(logDir));
    QCOMPARE(catalogue.channelId("42"), 0);
    QCOMPARE(catalogue.channelName("42"), QStringLiteral("true"));
    QCOMPARE(catalogue.groupsOfCode("42"), QStringList{QString()});
    QCOMPARE(catalogue.channelId("N"), 7);
    QCOMPARE(catalogue.channelName("N"), QString());
    QCOMPARE(catalogue.rateById(7), 1);
    QVERIFY(!catalogue.hasRefs("R"));
    QVERIFY(!catalogue.hasRefs("E")); // no usable reference: no map at all
    QCOMPARE(catalogue.refText("Q", 0), QStringLiteral("5"));
    QCOMPARE(catalogue.channelId(QString()), 10);
    // An unknown code is not channel ID 0.
    QCOMPARE(catalogue.rateByCode("missing"), 0);
    QCOMPARE(catalogue.rateByCode("Z"), 3);
}

void TestChannelCatalogue::laterDefinitionMerges()
{
    QVERIFY(writeDefinition(logDir, R"({"CONTENT": [{"GROUP": "Старая", "VALUES": [
        {"CODE": "U1", "ID": 1, "NAME": "Напряжение", "RATE": 1},
        {"CODE": "OLD", "ID": 7}, {"CODE": "KEEP", "ID": 2}, {"CODE": "MOVES", "ID": 3},
        {"CODE": "S", "ID": 5, "REFS": [{"VALUE": 1, "STRING": "old"}, 5,
                                       {"VALUE": 1, "STRING": "new"}, {"STRING": "zero"}]},
        {"CODE": "S", "ID": 5, "REFS": [{"VALUE": 2, "STRING": "two"}]},
        {"CODE": "S", "ID": 5, "REFS": []}]}]})"));
    const QString other = logDir + QStringLiteral("_b");
    QVERIFY(writeDefinition(other, R"({"ROOT": "p2", "CONTENT": [{"GROUP": "Новая", "VALUES": [
        {"CODE": "U1", "ID": 11, "NAME": "Напряжение 2", "RATE": 3},
        {"CODE": "NEW", "ID": 7}, {"CODE": "MOVES", "ID": 4},
        {"CODE": "S", "ID": 5, "REFS": [{"VALUE": 2, "STRING": "TWO"}, {"VALUE": 3, "STRING": "three"}]}]}]})"));
    ChannelCatalogue catalogue;
    QVERIFY(catalogue.init(logDir));
    QCOMPARE(catalogue.refText("S", 1), QStringLiteral("new"));
    QCOMPARE(catalogue.refText("S", 0), QStringLiteral("zero"));
    QCOMPARE(catalogue.refText("S", 2), QStringLiteral("two"));
    QCOMPARE(catalogue.codeOfId(7), QStringLiteral("OLD"));

    QVERIFY(catalogue.init(other));
    QCOMPARE(sorted(catalogue.codes()), (QStringList{"KEEP", "MOVES", "NEW", "OLD", "S", "U1"}));
    QCOMPARE(catalogue.channelId("U1"), 11);
    QCOMPARE(catalogue.channelName("U1"), QStringLiteral("Напряжение 2"));
    QCOMPARE(catalogue.rateByCode("U1"), 3);
    QCOMPARE(catalogue.rateById(1), 1); // the old ID keeps its rate
    QCOMPARE(catalogue.groupsOfCode("U1").size(), 2);
    QCOMPARE(catalogue.protocolDir().absolutePath(), absolute(other + QStringLiteral("/p2")));
    QCOMPARE(catalogue.refText("S", 1), QStringLiteral("new"));
    QCOMPARE(catalogue.refText("S", 2), QStringLiteral("TWO"));
    QCOMPARE(catalogue.refText("S", 3), QStringLiteral("three"));
    // The latest definition owns an ID.
    QCOMPARE(catalogue.codeOfId(7), QStringLiteral("NEW"));
    QCOMPARE(catalogue.codeOfId(2), QStringLiteral("KEEP"));
    QCOMPARE(catalogue.codeOfId(3), QString());
    QCOMPARE(catalogue.codeOfId(4), QStringLiteral("MOVES"));
    QCOMPARE(catalogue.codeOfId(6), QString());
}

void TestChannelCatalogue::hugeDefinition()
{
    QByteArray text = R"({"CONTENT": [{"GROUP": "big", "VALUES": [)";
    for (int i = 0; i < 50000; ++i)
        text += QStringLiteral(R"({"CODE": "C%1", "ID": %2, "NAME": "Канал %1"},)")
                    .arg(i)
                    .arg(i % 256)
                    .toUtf8();
    QVERIFY(writeDefinition(logDir, text + R"("tail"]}]})"));
    ChannelCatalogue catalogue;
    QVERIFY(catalogue.init(logDir));
    QCOMPARE(catalogue.codes().size(), 50000);
    QCOMPARE(catalogue.channelName("C49999"), QStringLiteral("Канал 49999"));
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
    QCOMPARE(lookup.refText("ST", 1), QStringLiteral("Работа"));
    QCOMPARE(lookup.codeByTitle(QStringLiteral("Ток (I1)")), QStringLiteral("I1"));
    StreamLoger::release();
}

QTEST_GUILESS_MAIN(TestChannelCatalogue)
#include "test_channelcatalogue.moc"
