#include "protocol/readplan.h"
#include "protocolfiles.h"

#include <QTemporaryDir>
#include <QtTest>

namespace {
const QByteArray kApplied = R"({"ROOT": "protocols", "CONTENT": [{"VALUES": [
    {"CODE": "C1", "ID": 1, "RATE": 0}]}]})";
const QByteArray kDemo = R"({"ROOT": "protocols", "CONTENT": [{"VALUES": [
    {"CODE": "U1", "ID": 1, "RATE": 1}]}]})";

QString kindName(ReadProblem::Kind kind)
{
    switch (kind) {
    case ReadProblem::Kind::Duplicate:
        return QStringLiteral("twice");
    case ReadProblem::Kind::ForeignDefinition:
        return QStringLiteral("foreign");
    case ReadProblem::Kind::NoDefinition:
        return QStringLiteral("none");
    case ReadProblem::Kind::OtherDefinition:
        return QStringLiteral("other");
    default:
        return QStringLiteral("?");
    }
}
} // namespace

// Which log definition a read uses, and which files it reads.
class TestReadPlan : public QObject
{
    Q_OBJECT

    QTemporaryDir tmp;

    // "/x" stands for the path x in the test's folder; bare names stay.
    QString path(const QString& given) const
    {
        return given.startsWith(QLatin1Char('/')) ? tmp.path() + given : given;
    }
    QString local(const QString& full) const
    {
        return full.startsWith(tmp.path()) ? full.mid(tmp.path().size()) : full;
    }
    void touch(const QString& name) { QVERIFY(protocolfiles::write(path(name), "LOG")); }

private slots:
    void initTestCase()
    {
        QVERIFY(protocolfiles::writeDefinition(path("/applied"), kApplied));
        QVERIFY(protocolfiles::writeDefinition(path("/demo"), kDemo));
        QVERIFY(protocolfiles::writeDefinition(path("/twin"), kDemo));
        QVERIFY(protocolfiles::writeDefinition(
            path("/flat"), R"({"CONTENT": [{"VALUES": [{"CODE": "F", "ID": 9}]}]})"));
        QVERIFY(protocolfiles::writeDefinition(
            path("/elsewhere"),
            R"({"ROOT": "other", "CONTENT": [{"VALUES": [{"CODE": "F", "ID": 9}]}]})"));
        for (const char* dir :
             {"/applied/protocols", "/demo/protocols", "/twin/protocols", "/loose"})
            QVERIFY(QDir().mkpath(path(dir)));
        for (const char* file :
             {"/applied/protocols/a.log", "/applied/protocols/b.log", "/demo/protocols/d.log",
              "/demo/protocols/e.log", "/twin/protocols/t.log", "/flat/f.log", "/loose/l.log",
              "/elsewhere/x.log"})
            touch(file);
        QVERIFY(QFile::link(path("/applied/protocols/a.log"), path("/link.log")));
    }

    void definitionAndFiles_data()
    {
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<bool>("keep");
        QTest::addColumn<QString>("logDirectory"); // to apply; empty: the applied one stays
        QTest::addColumn<QStringList>("read");
        QTest::addColumn<QStringList>("problems"); // "kind file definition"

        const QStringList demo{"/demo/protocols/d.log", "/demo/protocols/e.log"};
        QTest::newRow("bare names lie in the protocol folder")
            << QStringList{"a.log", "b.log"} << false << "" << QStringList{"a.log", "b.log"}
            << QStringList();
        QTest::newRow("elsewhere: the log directory above")
            << demo << false << "/demo" << demo << QStringList();
        QTest::newRow("elsewhere: its own folder, ROOT empty")
            << QStringList{"/flat/f.log"} << false << "/flat" << QStringList{"/flat/f.log"}
            << QStringList();
        QTest::newRow("the named definition is kept, and said")
            << QStringList{"/demo/protocols/d.log"} << true << ""
            << QStringList{"/demo/protocols/d.log"}
            << QStringList{"foreign /demo/protocols/d.log /applied/log.def"};
        QTest::newRow("no definition of its own: read, and said")
            << QStringList{"/loose/l.log"} << false << "" << QStringList{"/loose/l.log"}
            << QStringList{"none /loose/l.log /applied/log.def"};
        QTest::newRow("a log.def beside it that names another folder")
            << QStringList{"/elsewhere/x.log"} << false << "" << QStringList{"/elsewhere/x.log"}
            << QStringList{"none /elsewhere/x.log /applied/log.def"};
        QTest::newRow("beside the applied folder's: another definition is left out")
            << QStringList{"a.log", "/demo/protocols/d.log"} << false << "" << QStringList{"a.log"}
            << QStringList{"other /demo/protocols/d.log /demo/log.def"};
        QTest::newRow("another log directory with the same log.def")
            << QStringList{"/demo/protocols/d.log", "/twin/protocols/t.log"} << false << "/demo"
            << QStringList{"/demo/protocols/d.log", "/twin/protocols/t.log"} << QStringList();
        QTest::newRow("one file named three ways is read once, said once")
            << QStringList{"a.log", "/applied/protocols/a.log", "/link.log", "a.log"} << false << ""
            << QStringList{"a.log"} << QStringList{"twice /applied/protocols/a.log -"};
        QTest::newRow("a missing file is left to the reader")
            << QStringList{"/demo/protocols/gone.log"} << false << ""
            << QStringList{"/demo/protocols/gone.log"} << QStringList();
    }

    void definitionAndFiles()
    {
        QFETCH(QStringList, files);
        QFETCH(bool, keep);
        QFETCH(QString, logDirectory);
        QFETCH(QStringList, read);
        QFETCH(QStringList, problems);
        readplan::Applied applied;
        applied.definition = path("/applied/log.def");
        applied.protocolDir = QDir(path("/applied/protocols"));
        applied.hasProtocolDir = true;
        applied.keep = keep;
        QStringList given;
        for (const QString& file : files)
            given.append(path(file));

        const readplan::Plan plan = readplan::plan(given, applied);
        QCOMPARE(local(plan.logDirectory), logDirectory);
        QStringList readLocal;
        for (const QString& file : plan.files)
            readLocal.append(local(file));
        QCOMPARE(readLocal, read);
        QStringList told;
        for (const ReadProblem& problem : plan.problems) {
            told.append(QStringLiteral("%1 %2 %3")
                            .arg(kindName(problem.kind), local(problem.file),
                                 problem.definition.isEmpty() ? QStringLiteral("-")
                                                              : local(problem.definition)));
            QCOMPARE(problem.isNotice(), problem.kind != ReadProblem::Kind::OtherDefinition);
        }
        QCOMPARE(told, problems);
    }

    void ownerIsFoundFromAnyWorkingDirectory()
    {
        const QString before = QDir::currentPath();
        QVERIFY(QDir::setCurrent(path("/demo/protocols")));
        const QString owner = readplan::ownerOf(QStringLiteral("d.log"));
        QVERIFY(QDir::setCurrent(before));
        QCOMPARE(owner, QFileInfo(path("/demo")).canonicalFilePath());
        QCOMPARE(readplan::ownerOf(path("/loose/l.log")), QString());
    }
};

QTEST_GUILESS_MAIN(TestReadPlan)
#include "test_readplan.moc"
