#include "app/comparisonpanel.h"
#include "app/comparisonwindow.h"
#include "app/projectactions.h"
#include "chart/chartprotocol.h"
#include "chartdata/channeldata.h"
#include "compare/comparison.h"
#include "compare/comparisonsession.h"
#include "compare/comparisontablemodel.h"
#include "loadfixture.h"
#include "table/frozencolumnstableview.h"

#include <QLabel>
#include <QPushButton>
#include <QtTest>

namespace {
const QDateTime kMonday(QDate(2024, 3, 11), QTime(8, 0));

// The value a chart's first curve of a protocol and title draws at x.
bool curveValue(ChartProtocol& chart, const QString& title, int protocol, double x, double& value)
{
    for (const Channel& channel : chart.channels()) {
        if (channel.name() == title && channel.protocol() == protocol)
            return dynamic_cast<chart::ProtocolChannelData*>(channel.data())->valueAt(x, value);
    }
    return false;
}

class SavingDialogs : public RecordingDialogs
{
public:
    QString saveAnswer;
    QString getSaveFileName(QWidget*, const QString&, const QString&, const QString&) override
    {
        return saveAnswer;
    }
};
} // namespace

// The comparison window as a user opens it from the protocol list: its
// charts and table follow the panel's and the mouse's shifts, and a saved
// project opens the same comparison again.
class TestComparisonWindow : public QObject
{
    Q_OBJECT

    std::unique_ptr<LoadFixture> fixture;
    SavingDialogs* dialogs = nullptr;
    QStringList files;

    ComparisonWindow* open()
    {
        ComparisonWindow* window = fixture->window->compareProtocols(files);
        if (window)
            window->resize(1000, 700);
        return window;
    }

private slots:
    void init()
    {
        fixture = std::make_unique<LoadFixture>();
        auto answers = std::make_unique<SavingDialogs>();
        dialogs = answers.get();
        fixture->window->setDialogs(std::move(answers));
        fixture->window->setInteractive(false);
        // A week apart: the second carries A1 forty higher and has no S1.
        files = QStringList{
            fixture->writeProtocol(QStringLiteral("a.log"), kMonday, 200, 0, {1, 2, 3}),
            fixture->writeProtocol(QStringLiteral("b.log"), kMonday.addDays(7), 200, 40, {1, 2})};
    }
    void cleanup() { fixture.reset(); }

    void showsEveryProtocolOnTheRelativeAxis()
    {
        ComparisonWindow* window = open();
        QVERIFY(window);
        QVERIFY(dialogs->warnings.isEmpty());
        QVERIFY(window->chart()->isComparison());
        // A1 and B1 of both, S1 of the first.
        QCOMPARE(window->chart()->channelCount(), 5);
        QCOMPARE(window->channelCharts().size(), 3);
        QCOMPARE(window->channelCharts().first()->channelCount(), 2);
        double value = 0;
        QVERIFY(curveValue(*window->chart(), QStringLiteral("Альфа (A1)"), 1, 10000, value));
        QCOMPARE(value, 50.0);
        QCOMPARE(window->table()->model()->rowCount(), 200);
        QCOMPARE(window->table()->model()->headerData(1, Qt::Horizontal).toString(),
                 QStringLiteral("A1 [1]"));
    }

    void compareNeedsTwoToEightSelected()
    {
        fixture->window->refreshProtocols();
        auto* list = fixture->find<QTableWidget>("twFiles");
        auto* compare = fixture->find<QAction>("actCompare");
        QCOMPARE(list->rowCount(), 2);
        list->selectRow(0);
        QVERIFY(!compare->isEnabled());
        list->selectAll();
        QVERIFY(compare->isEnabled());
    }

    void shiftsFollowThePanelAndTheMouse()
    {
        ComparisonWindow* window = open();
        QVERIFY(window);
        auto* later = window->panel()->findChild<QPushButton*>(QStringLiteral("later2"));
        QVERIFY(later);
        later->click(); // one step of a second
        QCOMPARE(window->session().shift(1), 1000);
        QCOMPARE(window->panel()->findChild<QLabel*>(QStringLiteral("shift2"))->text(),
                 QStringLiteral("Сдвиг +00:00:01.000"));
        double value = 0;
        QVERIFY(curveValue(*window->chart(), QStringLiteral("Альфа (A1)"), 1, 10000, value));
        QCOMPARE(value, 49.0);
        // A drag moves the curves while it lasts, the rows once it ends.
        emit window->chart()->protocolShiftDragged(1, 2000);
        QVERIFY(curveValue(*window->channelCharts().first(), QStringLiteral("Альфа (A1)"), 1, 10000,
                           value));
        QCOMPARE(value, 47.0);
        emit window->chart()->protocolShiftDropped(1, 2000);
        QCOMPARE(window->session().shift(1), 3000);
        QCOMPARE(window->table()->model()->rowCount(), 203);
    }

    void statisticsCompareTheMeans()
    {
        ComparisonWindow* window = open();
        QVERIFY(window);
        window->chart()->setLineValueX(0);
        window->chart()->setReferenceX(99000);
        emit window->chart()->referenceXChanged(99000);
        const QStringList lines = window->statisticsLines();
        QCOMPARE(lines.size(), 2);
        QVERIFY2(lines.at(1).endsWith(QStringLiteral("\t40")), qPrintable(lines.at(1)));
        QVERIFY2(lines.at(0).contains(QStringLiteral("\t100\t0\t99\t")), qPrintable(lines.at(0)));
    }

    void aProjectOpensTheSameComparison()
    {
        ComparisonWindow* window = open();
        QVERIFY(window);
        window->session().setShift(1, -2500);
        QVERIFY(window->session().addDifference(QStringLiteral("A1"), 1));
        QString error;
        QVERIFY(window->session().addFormula(QStringLiteral("K=B1_2/B1_1"), error));
        window->sessionChanged();
        const QString path = fixture->dir.filePath(QStringLiteral("cmp.vtproj"));
        dialogs->saveAnswer = path;
        QVERIFY(window->saveProject(path));
        window->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

        QVERIFY(fixture->window->projects().open(path));
        const auto windows = fixture->window->findChildren<ComparisonWindow*>();
        QCOMPARE(windows.size(), 1);
        ComparisonSession& session = windows.first()->session();
        QCOMPARE(session.files().size(), 2);
        QCOMPARE(session.shift(1), -2500);
        QCOMPARE(session.differences().size(), size_t(1));
        QCOMPARE(session.formulas().size(), size_t(1));
        QVERIFY2(dialogs->warnings.isEmpty(), qPrintable(dialogs->warnings.join('\n')));
        // The difference channel and the formula are drawn and tabled.
        QCOMPARE(windows.first()->chart()->channelCount(), 7);
        QCOMPARE(windows.first()->channelCharts().size(), 4);
        QCOMPARE(windows.first()->table()->model()->headerData(6, Qt::Horizontal).toString(),
                 QStringLiteral("A1 [2−1]"));
    }

    void aComparisonOfOneReadableProtocolIsRefused()
    {
        files[1] = fixture->dir.filePath(QStringLiteral("missing.log"));
        QVERIFY(!open());
        QCOMPARE(dialogs->warnings.size(), 1);
        QVERIFY2(dialogs->warnings.first().contains(QStringLiteral("missing.log")),
                 qPrintable(dialogs->warnings.first()));
    }
};

QTEST_MAIN(TestComparisonWindow)
#include "test_comparisonwindow.moc"
