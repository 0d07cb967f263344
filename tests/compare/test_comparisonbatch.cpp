#include <QtTest>

// "--compare" from a script, on the demo's protocols.
class TestComparisonBatch : public QObject
{
    Q_OBJECT

    QTemporaryDir demo;
    QStringList protocols;

private slots:
    void initTestCase()
    {
        QCOMPARE(QProcess::execute(qEnvironmentVariable("VOLTREK_GEN"),
                                   {QStringLiteral("--demo"), demo.path()}),
                 0);
        QDirIterator it(demo.path(), {QStringLiteral("*.log")}, QDir::Files,
                        QDirIterator::Subdirectories);
        while (it.hasNext())
            protocols.append(it.next());
        protocols.sort();
        QVERIFY(protocols.size() >= 2);
    }

    void run_data()
    {
        QTest::addColumn<QStringList>("options");
        // Demo protocols given with -l; -1: one and a folder; -2: the first twice.
        QTest::addColumn<int>("files");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("firstRow"); // of the CSV; empty: none written

        QTest::newRow("two days from their starts") << QStringList{"--compare"} << 2 << 0 << ""
                                                    << "+00:00:00.000,49.96,50.02,10,10";
        QTest::newRow("aligned where a condition first holds")
            << QStringList{"--compare", "--align", "when:U1 > 225"} << 2 << 0 << ""
            << "-00:01:03.000,49.96,50.02,10,10";
        QTest::newRow("a condition that never holds writes nothing")
            << QStringList{"--compare", "--align", "when:U1 > 9999"} << 2 << 1 << "не выполняется"
            << "";
        QTest::newRow("a bookmark the protocols lack writes nothing")
            << QStringList{"--compare", "--align", "bookmark:Пуск"} << 2 << 1
            << "нет закладки «Пуск»"
            << "";
        QTest::newRow("a channel they lack")
            << QStringList{"--compare", "--channels", "Q9"} << 2 << 1 << "нет канала Q9"
            << "";
        QTest::newRow("one protocol read") << QStringList{"--compare"} << -1 << 1 << "прочитано 1"
                                           << "";
        QTest::newRow("one protocol given") << QStringList{"--compare"} << 1 << 2 << "от 2 до 8"
                                            << "";
        // Two runs of one day, each from its own point.
        QTest::newRow("one protocol twice")
            << QStringList{"--compare", "--align", "when:U1 > 225"} << -2 << 0 << ""
            << "-00:01:03.000,49.96,49.96,10,10";
        QTest::newRow("bookmarks of a comparison")
            << QStringList{"--compare", "--bookmarks", "b.csv"} << 2 << 2 << "--pdf и --png"
            << "";
        QTest::newRow("dates on a relative axis")
            << QStringList{"--compare", "--from", "2024-03-11"} << 2 << 2 << "--from"
            << "";
        QTest::newRow("alignment without a comparison")
            << QStringList{"--align", "start"} << 2 << 2 << "вместе с --compare"
            << "";
        QTest::newRow("an alignment it does not know")
            << QStringList{"--compare", "--align", "end"} << 2 << 2 << "«end»"
            << "";
    }
    void run()
    {
        QFETCH(QStringList, options);
        QFETCH(int, files);
        QFETCH(int, status);
        QFETCH(QString, message);
        QFETCH(QString, firstRow);
        QTemporaryDir out;
        QStringList arguments{QStringLiteral("-d"), demo.path()};
        for (int k = 0; k < qAbs(files); ++k)
            arguments << QStringLiteral("-l") << protocols.at(files == -2 ? 0 : k);
        if (files == -1)
            arguments << QStringLiteral("-l") << out.path();
        const QString csv = out.filePath(QStringLiteral("c.csv"));
        arguments << options << QStringLiteral("--csv") << csv;

        QProcess process;
        process.setWorkingDirectory(out.path());
        process.start(qEnvironmentVariable("VOLTREK_APP"), arguments);
        QVERIFY(process.waitForFinished(60000));
        const QString errors = QString::fromLocal8Bit(process.readAllStandardError());
        QVERIFY2(errors.contains(message), qPrintable(errors));
        QCOMPARE(process.exitCode(), status);
        QFile file(csv);
        QCOMPARE(file.exists(), !firstRow.isEmpty());
        if (firstRow.isEmpty())
            return;
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(QString::fromUtf8(file.readLine())
                    .startsWith(QStringLiteral("Время,F1 [1],F1 [2],I1 [1],I1 [2]")));
        QVERIFY2(QString::fromUtf8(file.readLine()).startsWith(firstRow), qPrintable(firstRow));
    }

    // The chart of a comparison: a legend line per protocol, on the relative axis.
    void pictures()
    {
        QTemporaryDir out;
        const QString svg = out.filePath(QStringLiteral("c.svg"));
        const QString pdf = out.filePath(QStringLiteral("c.pdf"));
        QProcess process;
        process.start(qEnvironmentVariable("VOLTREK_APP"),
                      {QStringLiteral("-d"), demo.path(), QStringLiteral("-l"), protocols.at(0),
                       QStringLiteral("-l"), protocols.at(1), QStringLiteral("--compare"),
                       QStringLiteral("--png"), svg, QStringLiteral("--pdf"), pdf});
        QVERIFY(process.waitForFinished(60000));
        QCOMPARE(process.exitCode(), 0);
        QFile drawing(svg);
        QVERIFY(drawing.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(drawing.readAll());
        // One legend entry per protocol, named by its start.
        QCOMPARE(text.count(QStringLiteral("(U1) · ")), 2);
        QVERIFY(text.contains(QStringLiteral("+00:")));
        QVERIFY(QFileInfo(pdf).size() > 1000);
    }
};

QTEST_GUILESS_MAIN(TestComparisonBatch)
#include "test_comparisonbatch.moc"
