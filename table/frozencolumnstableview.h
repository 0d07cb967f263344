#pragma once

#include <QTableView>

// A table view whose first columns stay in view while the others scroll
// sideways. A second view over the same model and selection lies over those
// columns, shows only them and scrolls up and down with this one; clicks on
// it count as clicks on this view.
class FrozenColumnsTableView : public QTableView
{
    Q_OBJECT
public:
    explicit FrozenColumnsTableView(QWidget* parent = nullptr);
    ~FrozenColumnsTableView() override;

    // getters:
    int frozenColumnCount() const { return m_count; }
    // The view over the frozen columns.
    QTableView* frozenView() const { return m_frozen; }
    // Width of the part that does not scroll sideways.
    int frozenWidth() const;

    // setters:
    void setFrozenColumnCount(int count);

    void setModel(QAbstractItemModel* model) override;
    void setSelectionModel(QItemSelectionModel* selectionModel) override;
    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void actionEvent(QActionEvent* event) override;
    QModelIndex moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) override;
    void updateGeometries() override;

private:
    void copyLook();
    void updateFrozenColumns();
    void updateFrozenGeometry();
    // Moves the columns right of the frozen part out from under it.
    void revealBesideFrozen(const QModelIndex& index);
    void sortFromFrozenHeader(int column);

    QTableView* m_frozen = nullptr;
    int m_count = 2;
};
