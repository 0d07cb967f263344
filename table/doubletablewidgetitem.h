#pragma once

#include <QTableWidgetItem>

// A value cell that orders by its text read as a number, so that value
// columns sort numerically. A text that is no number reads as 0.
class DoubleTableWidgetItem : public QTableWidgetItem
{
public:
    explicit DoubleTableWidgetItem(const QString& text);
    ~DoubleTableWidgetItem() override;

    bool operator<(const QTableWidgetItem& other) const override;
};
