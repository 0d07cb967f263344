#include "protocol/channelcatalogue.h"
#include "protocol/channellookup.h"
#include "protocol/streamloger.h"
#include "protocolfiles.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>
#include <sys/sysmacros.h>

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
    void refusals_data();
    void refusals();
    void badGroupLeavesNoChannel();
    void protocolDirFromRoot();
    void readsChannelsAndGroups();
    void toleratesWrongJsonTypes();
    void laterDefinitionReplaces();
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
    // text: empty no log.def; "/" log.def a folder; "|" a FIFO; "~" a device
    // node; "0" a link to /dev/zero
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("error"); // %1: the log.def's path
    const QString parse = QStringLiteral("Can't parse log definition file: ");
    const QString open =
        QStringLiteral("Can't open log definition file %1: not a regular file but ");
    QTest::newRow("no directory") << QByteArray() << "Log path not exists";
    QTest::newRow("no log.def") << QByteArray("") << "Log definition file not found";
    QTest::newRow("log.def a folder") << QByteArray("/") << open + "a folder";
    QTest::newRow("log.def a FIFO") << QByteArray("|") << open + "a FIFO";
    QTest::newRow("log.def a device") << QByteArray("~") << open + "a device";
    QTest::newRow("log.def a link to /dev/zero") << QByteArray("0") << open + "a device";
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
    const bool special = text == "/" || text == "|" || text == "~" || text == "0";
    if (!text.isNull())
        QVERIFY(QDir().mkpath(text == "/" ? definition : logDir));
    if (text == "|")
        QCOMPARE(::mkfifo(QFile::encodeName(definition).constData(), 0600), 0);
    if (text == "~") // the same device as /dev/null
        QCOMPARE(::mknod(QFile::encodeName(definition).constData(), S_IFCHR | 0600, makedev(1, 3)),
                 0);
    if (text == "0")
        QVERIFY(QFile::link(QStringLiteral("/dev/zero"), definition));
    if (!text.isEmpty() && !special)
        QVERIFY(writeDefinition(logDir, text.trimmed()));
    if (oversized)
        QVERIFY(QFile::resize(definition, ChannelCatalogue::kMaxDefinitionSize + 1)); // sparse
    ChannelCatalogue catalogue;
    QVERIFY(!catalogue.init(logDir));
    QCOMPARE(catalogue.lastError(), error.contains("%1") ? error.arg(definition) : error);
    QVERIFY(!catalogue.russianError().isEmpty());
    QVERIFY(catalogue.codes().isEmpty());
    if (oversized || text.startsWith('['))
        QVERIFY(!catalogue.hasProtocolDir());
    QVERIFY(!QFileInfo::exists(logDir + QStringLiteral("/made")));

    // The next init starts with a clean error text.
    QDir(logDir).rmdir(QStringLiteral("log.def"));
    QFile::remove(definition);
    QVERIFY(writeDefinition(logDir, kTwoGroups));
    QVERIFY(catalogue.init(logDir));
    QCOMPARE(catalogue.lastError(), QString());
}

void TestChannelCatalogue::refusals_data()
{
    // Channels after a first one, {"CODE": "A", "ID": 1, "RATE": 1} on line 2.
    QTest::addColumn<QByteArray>("channels");
    QTest::addColumn<QString>("error");
    const QString refused = QStringLiteral("Log definition file refused: ");
    QTest::newRow("ID 0") << QByteArray(R"({"CODE": "B", "ID": 0})")
                          << refused + "line 3: ID 0 of B is not a whole number from 1 to 255";
    QTest::newRow("ID 256") << QByteArray(R"({"CODE": "B", "ID": 256})")
                            << refused + "line 3: ID 256 of B is not a whole number from 1 to 255";
    QTest::newRow("no ID") << QByteArray(R"({"CODE": "B"})")
                           << refused + "line 3: ID — of B is not a whole number from 1 to 255";
    QTest::newRow("ID a text") << QByteArray(R"({"CODE": "B", "ID": "7"})")
                               << refused +
                                      "line 3: ID \"7\" of B is not a whole number from 1 to 255";
    QTest::newRow("ID a fraction")
        << QByteArray(R"({"CODE": "B", "ID": 7.5})")
        << refused + "line 3: ID 7.5 of B is not a whole number from 1 to 255";
    QTest::newRow("RATE 400") << QByteArray(R"({"CODE": "B", "ID": 2, "RATE": 400})")
                              << refused +
                                     "line 3: RATE 400 of B is not a whole number from 0 to 9";
    QTest::newRow("RATE -5") << QByteArray(R"({"CODE": "B", "ID": 2, "RATE": -5})")
                             << refused + "line 3: RATE -5 of B is not a whole number from 0 to 9";
    QTest::newRow("RATE 10") << QByteArray(R"({"CODE": "B", "ID": 2, "RATE": 10})")
                             << refused + "line 3: RATE 10 of B is not a whole number from 0 to 9";
    QTest::newRow("RATE a text") << QByteArray(R"({"CODE": "B", "ID": 2, "RATE": "x"})")
                                 << refused +
                                        "line 3: RATE \"x\" of B is not a whole number from 0 to 9";
    QTest::newRow("no CODE") << QByteArray(R"({"ID": 2})")
                             << refused + "line 3: CODE — is no channel code";
    QTest::newRow("CODE a number")
        << QByteArray(R"({"CODE": 42, "ID": 2})") << refused + "line 3: CODE 42 is no channel code";
    QTest::newRow("CODE again, other ID")
        << QByteArray(R"({"CODE": "B", "ID": 2},
                         {"CODE": "A", "ID": 3, "RATE": 1})")
        << refused +
               "line 4: CODE A is given again with another ID, NAME or RATE (first on line 2)";
    QTest::newRow("CODE again, other RATE")
        << QByteArray("\n\n{\"CODE\": \"A\", \"ID\": 1}")
        << refused +
               "line 5: CODE A is given again with another ID, NAME or RATE (first on line 2)";
    QTest::newRow("ID again") << QByteArray(R"({"CODE": "B", "ID": 2}, {"CODE": "C", "ID": 3},
                         {"CODE": "D", "ID": 2})")
                              << refused + "line 4: ID 2 of D is already the ID of B (line 3)";
    QTest::newRow("no channel at all") << QByteArray() << refused + "it names no channel";
}

void TestChannelCatalogue::refusals()
{
    QFETCH(QByteArray, channels);
    QFETCH(QString, error);
    const QByteArray first =
        channels.isNull() ? QByteArray() : QByteArray(R"({"CODE": "A", "ID": 1, "RATE": 1},)");
    QVERIFY(writeDefinition(logDir, "{\"CONTENT\": [{\"GROUP\": \"g\", \"VALUES\": [\n  " + first +
                                        "\n  " + channels + "]}]}"));
    // What an earlier definition named does not stay behind either.
    ChannelCatalogue catalogue;
    QVERIFY(writeDefinition(logDir + "_ok", kTwoGroups));
    QVERIFY(catalogue.init(logDir + "_ok"));
    QVERIFY(!catalogue.init(logDir));
    QCOMPARE(catalogue.lastError(), error);
    QVERIFY(catalogue.russianError().startsWith(QStringLiteral("log.def не принят: ")));
    QVERIFY(catalogue.codes().isEmpty());
    QCOMPARE(catalogue.codeOfId(1), QString());
    QCOMPARE(catalogue.rateById(2), 0);
    QCOMPARE(catalogue.definitionPath(), QString());
}

void TestChannelCatalogue::badGroupLeavesNoChannel()
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
        QVERIFY(catalogue.codes().isEmpty());
        QVERIFY(catalogue.groupsOfCode("A").isEmpty());
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

    QVERIFY(writeDefinition(logDir,
                            R"({"ROOT": 5, "CONTENT": [{"VALUES": [{"CODE": "A", "ID": 1}]}]})"));
    QVERIFY(catalogue.init(logDir));
    QCOMPARE(catalogue.protocolDir().absolutePath(), absolute(logDir));

    const QString elsewhere = tmp.path() + QStringLiteral("/elsewhere");
    QVERIFY(writeDefinition(
        logDir,
        QStringLiteral(R"({"ROOT": "%1", "CONTENT": [{"VALUES": [{"CODE": "A", "ID": 1}]}]})")
            .arg(elsewhere)
            .toUtf8()));
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
    // What does not decide a value is read leniently; what does is checked
    // (refusals()).
    QVERIFY(writeDefinition(logDir, R"({"ROOT": [], "CONTENT": [{"GROUP": 17, "VALUES": [
        1, "x", [], null, true,
        {"CODE": "42", "ID": 1, "NAME": true},
        {"CODE": "N", "ID": 7, "NAME": null, "RATE": 1.0},
        {"CODE": "R", "ID": 8, "REFS": {"VALUE": 1, "STRING": "x"}},
        {"CODE": "E", "ID": 2, "REFS": [7, "x"]},
        {"CODE": "Q", "ID": 9, "REFS": [{"VALUE": "z", "STRING": 5}]},
        {"CODE": "Z", "ID": 255, "RATE": 9}]}]})"));
    ChannelCatalogue catalogue;
    QVERIFY2(catalogue.init(logDir), qPrintable(catalogue.lastError()));
    QCOMPARE(catalogue.codes().size(), 6);
    QCOMPARE(catalogue.protocolDir().absolutePath(), absolute(logDir));
    QCOMPARE(catalogue.channelName("42"), QStringLiteral("true"));
    QCOMPARE(catalogue.groupsOfCode("42"), QStringList{QString()});
    QCOMPARE(catalogue.channelId("N"), 7);
    QCOMPARE(catalogue.channelName("N"), QString());
    QCOMPARE(catalogue.rateById(7), 1);
    QVERIFY(!catalogue.hasRefs("R"));
    QVERIFY(!catalogue.hasRefs("E")); // no usable reference: no map at all
    QCOMPARE(catalogue.refText("Q", 0), QStringLiteral("5"));
    // An unknown code is not channel ID 0.
    QCOMPARE(catalogue.rateByCode("missing"), 0);
    QCOMPARE(catalogue.rateByCode("Z"), 9);
    QCOMPARE(catalogue.codeOfId(255), QStringLiteral("Z"));
}

void TestChannelCatalogue::laterDefinitionReplaces()
{
    QVERIFY(writeDefinition(logDir, R"({"CONTENT": [{"GROUP": "Старая", "VALUES": [
        {"CODE": "U1", "ID": 1, "NAME": "Напряжение", "RATE": 1},
        {"CODE": "OLD", "ID": 7}, {"CODE": "KEEP", "ID": 2}, {"CODE": "MOVES", "ID": 3},
        {"CODE": "S", "ID": 5, "REFS": [{"VALUE": 1, "STRING": "old"}, 5,
                                       {"VALUE": 1, "STRING": "new"}, {"STRING": "zero"}]}]},
        {"GROUP": "Вторая", "VALUES": [
        {"CODE": "S", "ID": 5, "REFS": [{"VALUE": 2, "STRING": "two"}]},
        {"CODE": "S", "ID": 5, "REFS": []}]}]})"));
    const QString other = logDir + QStringLiteral("_b");
    QVERIFY(writeDefinition(other, R"({"ROOT": "p2", "CONTENT": [{"GROUP": "Новая", "VALUES": [
        {"CODE": "U1", "ID": 11, "NAME": "Напряжение 2", "RATE": 3},
        {"CODE": "NEW", "ID": 7}, {"CODE": "MOVES", "ID": 4},
        {"CODE": "S", "ID": 5, "REFS": [{"VALUE": 2, "STRING": "TWO"}, {"VALUE": 3, "STRING": "three"}]}]}]})"));
    ChannelCatalogue catalogue;
    QVERIFY(catalogue.init(logDir));
    // One channel in two groups: its value texts join.
    QCOMPARE(catalogue.refText("S", 1), QStringLiteral("new"));
    QCOMPARE(catalogue.refText("S", 0), QStringLiteral("zero"));
    QCOMPARE(catalogue.refText("S", 2), QStringLiteral("two"));
    QCOMPARE(sorted(catalogue.groupsOfCode("S")), (QStringList{"Вторая", "Старая"}));
    QCOMPARE(catalogue.codeOfId(7), QStringLiteral("OLD"));
    QCOMPARE(catalogue.definitionPath(), QFileInfo(logDir + "/log.def").absoluteFilePath());

    // Nothing of the first stays: an ID only it had is unknown now.
    QVERIFY(catalogue.init(other));
    QCOMPARE(sorted(catalogue.codes()), (QStringList{"MOVES", "NEW", "S", "U1"}));
    QCOMPARE(catalogue.channelId("U1"), 11);
    QCOMPARE(catalogue.channelName("U1"), QStringLiteral("Напряжение 2"));
    QCOMPARE(catalogue.rateByCode("U1"), 3);
    QCOMPARE(catalogue.rateById(1), 0);
    QCOMPARE(catalogue.groupsOfCode("U1"), QStringList{"Новая"});
    QCOMPARE(catalogue.protocolDir().absolutePath(), absolute(other + QStringLiteral("/p2")));
    QCOMPARE(catalogue.refText("S", 1), QString());
    QCOMPARE(catalogue.refText("S", 2), QStringLiteral("TWO"));
    QCOMPARE(catalogue.codeOfId(7), QStringLiteral("NEW"));
    QCOMPARE(catalogue.codeOfId(2), QString());
    QCOMPARE(catalogue.codeOfId(3), QString());
    QCOMPARE(catalogue.codeOfId(4), QStringLiteral("MOVES"));
    QCOMPARE(catalogue.definitionPath(), QFileInfo(other + "/log.def").absoluteFilePath());
    // Where a definition sends its protocols, without applying it.
    QCOMPARE(ChannelCatalogue::protocolFolderOf(other), absolute(other + QStringLiteral("/p2")));
    QCOMPARE(ChannelCatalogue::protocolFolderOf(logDir), absolute(logDir));
    QCOMPARE(ChannelCatalogue::protocolFolderOf(tmp.path()), QString());
}

void TestChannelCatalogue::hugeDefinition()
{
    // 50 000 entries: the 255 channels a byte can number, each in many groups.
    QByteArray text = R"({"CONTENT": [)";
    for (int group = 0; group < 196; ++group) {
        text += R"({"GROUP": "g", "VALUES": [)";
        for (int i = 0; i < 255; ++i)
            text += QStringLiteral(R"({"CODE": "C%1", "ID": %2, "NAME": "Канал %1"},)")
                        .arg(i)
                        .arg(i + 1)
                        .toUtf8();
        text += R"("tail"]},)";
    }
    QVERIFY(writeDefinition(logDir, text + R"({"VALUES": []}]})"));
    ChannelCatalogue catalogue;
    QVERIFY2(catalogue.init(logDir), qPrintable(catalogue.lastError()));
    QCOMPARE(catalogue.codes().size(), 255);
    QCOMPARE(catalogue.channelName("C254"), QStringLiteral("Канал 254"));
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
