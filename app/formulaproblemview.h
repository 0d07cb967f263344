#pragma once

#include <QWidget>

class QLabel;

// What is wrong with a list of formulas: the problems in red, one a line,
// and the first faulty formula with a mark under the fault. The computed
// channels' and the events' dialogs show their checks through it.
class FormulaProblemView : public QWidget
{
    Q_OBJECT
public:
    // The labels are named labelPREFIXProblem and labelPREFIXPointer.
    FormulaProblemView(const QString& prefix, QWidget* parent = nullptr);

    // position < 0: no mark.
    void showProblems(const QStringList& problems, const QString& formula, int position);
    QString text() const;

private:
    QLabel* m_problem = nullptr;
    QLabel* m_pointer = nullptr;
};
