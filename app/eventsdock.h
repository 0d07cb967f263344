#pragma once

#include <QDockWidget>

#include <memory>

class EventTable;
class EventTableModel;
class QLabel;
class QSortFilterProxyModel;
class QTableView;
class QToolBar;

// The dock "События": a count and total duration per definition at the
// top, then every event in a sortable table read from a model, so that a
// hundred thousand events scroll like the protocol table.
class EventsDock : public QDockWidget
{
    Q_OBJECT
public:
    explicit EventsDock(QWidget* parent = nullptr);
    ~EventsDock() override;

    void setTable(std::unique_ptr<EventTable> table);
    EventTableModel* model() const { return m_model; }
    QTableView* view() const { return m_view; }
    QToolBar* toolBar() const { return m_toolBar; }
    QString summaryText() const;
    // Selects the row of an event of the list and scrolls to it.
    void selectEvent(int listRow);

signals:
    // A click on the row of an event (its index in the event list).
    void eventChosen(int listRow);

private:
    QLabel* m_summary = nullptr;
    QToolBar* m_toolBar = nullptr;
    QTableView* m_view = nullptr;
    EventTableModel* m_model = nullptr;
    QSortFilterProxyModel* m_sorted = nullptr;
};
