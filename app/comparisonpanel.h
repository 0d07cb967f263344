#pragma once

#include <QVector>
#include <QWidget>

class ComparisonSession;
class QComboBox;
class QLabel;
class QPushButton;

// The compared protocols, a row each: the line style of its curves, its
// start and file, where it is aligned (start, one of its bookmarks or a
// condition), the shift in use with − and + steps, and why a rule could not
// be applied. Under them the difference channels are added and removed,
// and channels computed over the comparison ("D=U1_2-U1_1").
// It shows the session and sends the user's choices to it.
class ComparisonPanel : public QWidget
{
    Q_OBJECT
public:
    explicit ComparisonPanel(ComparisonSession& session, QWidget* parent = nullptr);

    // Shows every protocol's rule and shift as the session has them.
    void refresh();
    // The step of the − and + buttons, in milliseconds.
    qint64 step() const;

signals:
    // A rule or a shift changed and the session's rows were rebuilt: the
    // charts and the table follow.
    void alignmentChanged();
    void differencesChanged();

private:
    struct Row
    {
        QComboBox* rule = nullptr;
        QLabel* shift = nullptr;
        QLabel* problem = nullptr;
    };

    QWidget* protocolRow(int protocol);
    QWidget* differenceRow();
    QWidget* formulaRow();
    void addFormula();
    void chooseRule(int protocol, int index);
    void shiftBy(int protocol, int steps);
    void alignAllByCondition();
    void toggleDifference();
    void showDifferenceButton();

    ComparisonSession& m_session;
    QVector<Row> m_rows;
    QComboBox* m_step = nullptr;
    QComboBox* m_differenceCode = nullptr;
    QComboBox* m_differenceProtocol = nullptr;
    QPushButton* m_difference = nullptr;
    QLabel* m_formulaProblem = nullptr;
    QStringList m_conditions; // asked for, per protocol
};
