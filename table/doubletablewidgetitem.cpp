#include "table/doubletablewidgetitem.h"

DoubleTableWidgetItem::DoubleTableWidgetItem(const QString& text) : QTableWidgetItem(text) {}

DoubleTableWidgetItem::~DoubleTableWidgetItem() = default;

bool DoubleTableWidgetItem::operator<(const QTableWidgetItem& other) const
{
    // A NaN on either side compares false, so it is never before anything.
    return text().toDouble() < other.text().toDouble();
}
