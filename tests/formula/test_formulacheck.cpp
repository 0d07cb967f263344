#include "formula/formulacheck.h"

#include <QtTest>

class TestFormulaCheck : public QObject
{
    Q_OBJECT

    const QStringList logged{"U1", "U2", "U3", "I1", "T1", "T2"};

private slots:
    void formulaIsCheckedAtItsPosition_data()
    {
        QTest::addColumn<QString>("formula");
        QTest::addColumn<int>("position"); // -2: sound
        QTest::addColumn<QString>("message");
        QTest::addColumn<QStringList>("inputs");

        QTest::newRow("product") << "U1*I1" << -2 << "" << QStringList{"I1", "U1"};
        QTest::newRow("difference") << "T1-T2" << -2 << "" << QStringList{"T1", "T2"};
        QTest::newRow("line voltage") << "sqrt(U1^2+U2^2)" << -2 << "" << QStringList{"U1", "U2"};
        QTest::newRow("abs") << "abs(I1)" << -2 << "" << QStringList{"I1"};
        QTest::newRow("flag") << "U1>250 ? 1 : 0" << -2 << "" << QStringList{"U1"};
        QTest::newRow("avg") << "avg(U1,U2,U3)" << -2 << "" << QStringList{"U1", "U2", "U3"};
        QTest::newRow("min max") << "min(U1,U2) - max(T1,T2)" << -2 << ""
                                 << QStringList{"T1", "T2", "U1", "U2"};
        QTest::newRow("constant") << "42" << -2 << "" << QStringList{};
        QTest::newRow("unknown code")
            << "U1 + Q7*2" << 5 << "неизвестный код «Q7»" << QStringList{};
        QTest::newRow("unknown after cyrillic")
            << "U1+ё+1" << 3 << "непонятный знак" << QStringList{};
        QTest::newRow("open parenthesis") << "(U1+I1" << 6 << "закрывающей скобки" << QStringList{};
        QTest::newRow("dangling operator") << "U1*" << 3 << "оборвана" << QStringList{};
        QTest::newRow("two operators") << "U1*/I1" << 3 << "лишний оператор «/»" << QStringList{};
        QTest::newRow("empty") << "" << -1 << "формула пуста" << QStringList{};
        QTest::newRow("missing else") << "U1>1 ? 1" << 8 << "«:»" << QStringList{};
        QTest::newRow("two values") << "U1,I1" << -1 << "одно значение" << QStringList{};
        QTest::newRow("unknown function") << "foo(U1)" << 0 << "«foo»" << QStringList{};
        QTest::newRow("comparisons")
            << "U1==3 || U1<=2 || U1>=4 || U1!=5" << -2 << "" << QStringList{"U1"};
        QTest::newRow("assignment") << "U1=3" << 2 << "присваивание" << QStringList{};
        QTest::newRow("assignment after a comparison")
            << "U1==3 ? U2=1 : 0" << 10 << "присваивание" << QStringList{};
        QTest::newRow("text after a NUL")
            << QStringLiteral("U1+1") + QChar(0) + QStringLiteral("+Q7") << 4 << "кодом 0"
            << QStringList{};
        QTest::newRow("name too long")
            << "U1+" + QString(101, 'a') << 3 << "длиннее 100" << QStringList{};
        QTest::newRow("parser constant") << "U1*_pi" << -2 << "" << QStringList{"U1"};
        QTest::newRow("unknown after known ones")
            << "U1*I1+T1-U2/Q7" << 12 << "неизвестный код «Q7»" << QStringList{};
    }
    void formulaIsCheckedAtItsPosition()
    {
        QFETCH(QString, formula);
        QFETCH(int, position);
        QFETCH(QString, message);
        QFETCH(QStringList, inputs);

        const FormulaCheck check = checkFormula(formula, logged);
        if (position == -2) {
            QVERIFY2(check.ok, qPrintable(check.text()));
            QStringList used = check.inputs;
            used.sort();
            QCOMPARE(used, inputs);
            return;
        }
        QVERIFY(!check.ok);
        QCOMPARE(check.position, position);
        QVERIFY2(check.message.contains(message), qPrintable(check.message));
        if (position >= 0)
            QVERIFY(
                check.text().startsWith(QStringLiteral("ошибка в позиции %1: ").arg(position + 1)));
        QVERIFY(!check.englishText().isEmpty());
    }

    void channelListsAreRefusedNamingTheCodes_data()
    {
        QTest::addColumn<QStringList>("definitions"); // CODE=EXPR each
        QTest::addColumn<QStringList>("order");       // codes computed, in order
        QTest::addColumn<QStringList>("problems");    // start of each problem line

        QTest::newRow("chain in any order") << QStringList{"E=P*2", "P=U1*I1", "F=E+P"}
                                            << QStringList{"P", "E", "F"} << QStringList{};
        QTest::newRow("self") << QStringList{"P=P+1", "Q=U1"} << QStringList{"Q"}
                              << QStringList{"P: каналы ссылаются друг на друга по кругу: P → P"};
        QTest::newRow("cycle of three with a reader")
            << QStringList{"A=B+1", "B=C*2", "C=A-U1", "D=A", "E=U1"} << QStringList{"E"}
            << QStringList{"A: каналы ссылаются друг на друга по кругу: A → B → C → A",
                           "B: каналы ссылаются друг на друга по кругу: A → B → C → A",
                           "C: каналы ссылаются друг на друга по кругу: A → B → C → A",
                           "D: читает канал «A», в котором ошибка"};
        QTest::newRow("logged code") << QStringList{"U1=I1*2"} << QStringList{}
                                     << QStringList{"U1: такой код уже есть в log.def"};
        QTest::newRow("repeated code")
            << QStringList{"P=U1", "P=I1"} << QStringList{"P"} << QStringList{"P: код повторяется"};
        QTest::newRow("code no name") << QStringList{"1P=U1", "P-1=U1"} << QStringList{}
                                      << QStringList{"1P: код должен", "P-1: код должен"};
        QTest::newRow("parser constants as codes")
            << QStringList{"_pi=U1", "P=U1*2", "_e=I1"} << QStringList{"P"}
            << QStringList{"_pi: код «_pi» — постоянная формул", "_e: код «_e» — постоянная"};
        QTest::newRow("code too long")
            << QStringList{QString(101, 'L') + "=U1", "P=U1", QString(100, 'M') + "=P"}
            << QStringList{"P", QString(100, 'M')}
            << QStringList{QString(101, 'L') + ": код длиннее 100 знаков"};
        QTest::newRow("reader of a bad formula")
            << QStringList{"P=U1*", "Q=P+1"} << QStringList{}
            << QStringList{"P: ошибка в позиции 4: формула оборвана",
                           "Q: читает канал «P», в котором ошибка"};
    }
    void channelListsAreRefusedNamingTheCodes()
    {
        QFETCH(QStringList, definitions);
        QFETCH(QStringList, order);
        QFETCH(QStringList, problems);

        ComputedChannels channels;
        for (const QString& definition : definitions) {
            ComputedChannel channel;
            QVERIFY(parseFormulaOption(definition, channel));
            channels.push_back(channel);
        }
        const ComputedCheck check = checkComputedChannels(channels, logged);
        QStringList computed;
        for (const ComputedChannel& channel : check.ordered)
            computed.append(channel.code);
        QCOMPARE(computed, order);
        QCOMPARE(check.problems.size(), problems.size());
        for (int i = 0; i < problems.size(); ++i)
            QVERIFY2(check.problems.at(i).startsWith(problems.at(i)),
                     qPrintable(check.problems.at(i)));
        QCOMPARE(check.english.size(), problems.size());
        QCOMPARE(check.ok(), problems.isEmpty());
    }

    // Codes of log.def that no formula can name leave the others' formulas alone.
    void oddLoggedCodesSpoilNoFormula()
    {
        const QStringList odd{"U1", "_pi", "_e", QString(101, 'X'), "I1"};
        const ComputedCheck check =
            checkComputedChannels({{"P", "P", 1, "U1*I1"}, {"Q", "Q", 1, "P*_pi"}}, odd);
        QVERIFY2(check.ok(), qPrintable(check.problems.join('\n')));
        QCOMPARE(check.ordered.size(), size_t(2));
    }

    // One problem at the first channel past the bound, not one per channel.
    void longListsAreRefusedAtTheBound()
    {
        ComputedChannels channels;
        for (int i = 0; i < ComputedChannel::maxCount; ++i)
            channels.push_back(
                {QStringLiteral("C%1").arg(i), QString(), 2,
                 i == 0 ? QStringLiteral("U1") : QStringLiteral("C%1+1").arg(i - 1)});
        const ComputedCheck sound = checkComputedChannels(channels, logged);
        QVERIFY(sound.ok());
        QCOMPARE(sound.ordered.back().code, QStringLiteral("C999"));

        channels.push_back({"C1000", QString(), 2, "U1"});
        const ComputedCheck check = checkComputedChannels(channels, logged);
        QCOMPARE(check.problems,
                 QStringList{QStringLiteral("C1000: вычисляемых каналов 1001, больше 1000")});
        QCOMPARE(check.refused, std::vector<int>{1000});
        QVERIFY(check.ordered.empty());
    }

    void decimalsOutOfRangeAreRefused()
    {
        ComputedChannel channel{"P", "P", ComputedChannel::maxDecimals + 1, "U1"};
        QCOMPARE(checkComputedChannels({channel}, logged).problems.size(), 1);
        channel.decimals = ComputedChannel::maxDecimals;
        QVERIFY(checkComputedChannels({channel}, logged).ok());
    }

    void optionsOverrideTheFileByCode()
    {
        ComputedChannel channel;
        QVERIFY(!parseFormulaOption(QStringLiteral("=U1"), channel));
        QVERIFY(!parseFormulaOption(QStringLiteral("U1"), channel));
        QVERIFY(parseFormulaOption(QStringLiteral(" P = a=b "), channel));
        QCOMPARE(channel.code, QStringLiteral("P"));
        QCOMPARE(channel.formula, QStringLiteral("a=b"));

        const ComputedChannels file{{"P", QStringLiteral("Мощность"), 1, "U1*I1"},
                                    {"D", "D", 2, "T1-T2"}};
        const ComputedChannels merged =
            withOverrides(file, {{"P", "P", 2, "U2*I1"}, {"Q", "Q", 2, "U3"}});
        QCOMPARE(merged.size(), size_t(3));
        QCOMPARE(merged[0], (ComputedChannel{"P", QStringLiteral("Мощность"), 1, "U2*I1"}));
        QCOMPARE(merged[1], file[1]);
        QCOMPARE(merged[2].code, QStringLiteral("Q"));

        ComputedChannels given;
        QStringList faults;
        QVERIFY(parseFormulaOptions({"P=U1", "Q=I1"}, given, faults));
        QCOMPARE(given.size(), size_t(2));
        QVERIFY(!parseFormulaOptions({"P=U1", "Q=I1", " P =U2", "R"}, given, faults));
        QCOMPARE(faults.size(), 2);
        QVERIFY2(faults.at(0).contains("P is given with --formula twice"),
                 qPrintable(faults.at(0)));
    }

    void newChannelsAreOfferedTheNextFreeCode()
    {
        QCOMPARE(nextFreeCode({"U1", "I1"}), QStringLiteral("P1"));
        QCOMPARE(nextFreeCode({"P1", "P3", "P2"}), QStringLiteral("P4"));
    }
};

QTEST_GUILESS_MAIN(TestFormulaCheck)
#include "test_formulacheck.moc"
