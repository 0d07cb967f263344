#include "app/dialogs.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>

class TestDialogs : public QObject
{
    Q_OBJECT
private slots:
    // The note of a bookmark: a title that is not cut and a field of several lines.
    void noteDialogFitsItsTitleAndTakesLines_data()
    {
        QTest::addColumn<bool>("accept");
        QTest::addColumn<QString>("result");
        QTest::newRow("accepted") << true << "Пуск насоса\nдавление растет";
        QTest::newRow("cancelled") << false << "старая заметка";
    }

    void noteDialogFitsItsTitleAndTakesLines()
    {
        QFETCH(bool, accept);
        QFETCH(QString, result);
        QWidget parent;
        parent.show();
        const QString title = QStringLiteral("Заметка к закладке");
        int width = 0;
        int fieldHeight = 0;
        int lineSpacing = 0;
        bool multiLine = false;
        QString shownText;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            width = dialog->width();
            lineSpacing = dialog->fontMetrics().lineSpacing();
            auto* field = dialog->findChild<QPlainTextEdit*>();
            multiLine = field != nullptr;
            if (field) {
                fieldHeight = field->height();
                shownText = field->toPlainText();
                field->setPlainText(QStringLiteral("Пуск насоса\nдавление растет"));
            }
            auto* buttons = dialog->findChild<QDialogButtonBox*>();
            buttons->button(accept ? QDialogButtonBox::Ok : QDialogButtonBox::Cancel)->click();
        });
        QString text = QStringLiteral("старая заметка");
        Dialogs dialogs;
        QCOMPARE(dialogs.getText(&parent, title, QStringLiteral("11/03/2024 08:00:00.000"), text),
                 accept);
        QVERIFY(multiLine);
        QCOMPARE(shownText, QStringLiteral("старая заметка"));
        QCOMPARE(text, result);
        // The title bar's font is larger than ours, and beside it sit the frame's buttons.
        QVERIFY2(width >= parent.fontMetrics().horizontalAdvance(title) * 3 / 2 + 160,
                 qPrintable(QString::number(width)));
        QVERIFY(width >= 300);
        QVERIFY(fieldHeight >= 4 * lineSpacing);
    }
};

QTEST_MAIN(TestDialogs)
#include "test_dialogs.moc"
