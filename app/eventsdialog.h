#pragma once

#include "events/eventdefinition.h"

#include <QDialog>
#include <QStringList>

class FormulaProblemView;
class QDialogButtonBox;
class QTableWidget;

// Lists the event definitions and lets the user add, edit and remove them:
// name, condition, minimum duration, joining gap and colour. Every edit is
// checked at once as the computed channels are; the list cannot be saved
// while a definition is refused.
class EventsDialog : public QDialog
{
    Q_OBJECT
public:
    enum Column { NameColumn, ConditionColumn, MinColumn, JoinColumn, ColorColumn };

    // `codes`: the channels a condition may read.
    EventsDialog(const EventDefinitions& definitions, const QStringList& codes,
                 QWidget* parent = nullptr);

    EventDefinitions definitions() const;
    QString problemText() const;
    bool canSave() const;
    QTableWidget* table() const { return m_table; }

public slots:
    void addDefinition();
    void removeDefinition();

private:
    void addRow(const EventDefinition& definition);
    void check();

    QStringList m_codes;
    QTableWidget* m_table = nullptr;
    FormulaProblemView* m_problem = nullptr;
    QDialogButtonBox* m_buttons = nullptr;
    bool m_filling = false;
};
