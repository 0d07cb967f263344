#pragma once

#include "export/dataexport.h"

#include <QDateTime>
#include <QDialog>
#include <QStringList>

class QButtonGroup;
class QComboBox;
class QDateTimeEdit;
class QListWidget;
class QPushButton;
class QRadioButton;

// What "Экспорт данных…" offers and what the user chose.
struct DataExportChoice
{
    enum class Range { All, Cursors, FromTo };

    // Offered by the window.
    QStringList codes;  // every channel of the table, in its order
    QStringList titles; // "Name (CODE)", one per code
    QStringList visibleCodes;
    bool hasCursors = false;
    QDateTime first; // the loaded rows' first and last instants
    QDateTime last;

    // Chosen.
    ExportFormat format = ExportFormat::Hdf5;
    Range range = Range::All;
    QDateTime from; // with Range::FromTo, both included
    QDateTime to;
    bool visibleOnly = true;
    QStringList chosenCodes; // when not visibleOnly, in table order

    QStringList exportedCodes() const { return visibleOnly ? visibleCodes : chosenCodes; }
};

// Format, range and channels of a data export.
class DataExportDialog : public QDialog
{
    Q_OBJECT
public:
    DataExportDialog(const DataExportChoice& choice, QWidget* parent = nullptr);

    // The offer with the user's choice.
    DataExportChoice choice() const;

private:
    void updateEnabled();

    DataExportChoice m_choice;
    QComboBox* m_format = nullptr;
    QButtonGroup* m_range = nullptr;
    QDateTimeEdit* m_from = nullptr;
    QDateTimeEdit* m_to = nullptr;
    QRadioButton* m_visible = nullptr;
    QListWidget* m_channels = nullptr;
    QPushButton* m_okButton = nullptr;
};
