#pragma once

#include "formula/computedchannel.h"

#include <QDialog>
#include <QStringList>

class FormulaProblemView;
class QDialogButtonBox;
class QLabel;
class QTableWidget;

// Lists the computed channels and lets the user add, edit and remove them:
// code, name, decimals and formula. Every edit is checked at once; the fault
// of the first refused channel is shown with its position, and the list
// cannot be saved while one is refused.
class ComputedChannelsDialog : public QDialog
{
    Q_OBJECT
public:
    enum Column { CodeColumn, NameColumn, DecimalsColumn, FormulaColumn };

    // `loggedCodes`: the channels of log.def the formulas may read.
    ComputedChannelsDialog(const ComputedChannels& channels, const QStringList& loggedCodes,
                           QWidget* parent = nullptr);

    ComputedChannels channels() const;
    // The fault shown, empty when the list can be saved.
    QString problemText() const;
    bool canSave() const;
    QTableWidget* table() const { return m_table; }

public slots:
    void addChannel();
    void removeChannel();

private:
    void addRow(const ComputedChannel& channel);
    void check();

    QStringList m_logged;
    QTableWidget* m_table = nullptr;
    FormulaProblemView* m_problem = nullptr;
    QDialogButtonBox* m_buttons = nullptr;
    bool m_filling = false;
};
