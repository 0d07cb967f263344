#include "app/formulaproblemview.h"

#include <QFontDatabase>
#include <QLabel>
#include <QVBoxLayout>

FormulaProblemView::FormulaProblemView(const QString& prefix, QWidget* parent) : QWidget(parent)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_problem = new QLabel(this);
    m_problem->setObjectName(QStringLiteral("label%1Problem").arg(prefix));
    m_problem->setWordWrap(true);
    m_problem->setStyleSheet(QStringLiteral("color: #b00000;"));
    layout->addWidget(m_problem);
    m_pointer = new QLabel(this);
    m_pointer->setObjectName(QStringLiteral("label%1Pointer").arg(prefix));
    m_pointer->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_pointer->setTextFormat(Qt::PlainText);
    layout->addWidget(m_pointer);
}

void FormulaProblemView::showProblems(const QStringList& problems, const QString& formula,
                                      int position)
{
    m_problem->setText(problems.join(QLatin1Char('\n')));
    const QString pointer =
        position < 0
            ? QString()
            : formula + QLatin1Char('\n') + QString(position, QLatin1Char(' ')) + QLatin1Char('^');
    m_pointer->setText(pointer);
    m_pointer->setVisible(!pointer.isEmpty());
}

QString FormulaProblemView::text() const
{
    return m_problem->text();
}
