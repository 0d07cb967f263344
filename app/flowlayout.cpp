#include "app/flowlayout.h"

#include <QWidget>

FlowLayout::FlowLayout(QWidget* parent) : QLayout(parent) {}

FlowLayout::~FlowLayout()
{
    while (QLayoutItem* item = takeAt(0))
        delete item;
}

void FlowLayout::addItem(QLayoutItem* item)
{
    m_items.append(item);
}

int FlowLayout::count() const
{
    return m_items.size();
}

QLayoutItem* FlowLayout::itemAt(int index) const
{
    return m_items.value(index);
}

QLayoutItem* FlowLayout::takeAt(int index)
{
    if (index < 0 || index >= m_items.size())
        return nullptr;
    return m_items.takeAt(index);
}

Qt::Orientations FlowLayout::expandingDirections() const
{
    return {};
}

bool FlowLayout::hasHeightForWidth() const
{
    return true;
}

int FlowLayout::heightForWidth(int width) const
{
    return arrange(QRect(0, 0, width, 0), false);
}

QSize FlowLayout::minimumSize() const
{
    QSize size;
    for (const QLayoutItem* item : m_items) {
        if (!item->isEmpty())
            size = size.expandedTo(item->minimumSize());
    }
    const QMargins margins = contentsMargins();
    return size + QSize(margins.left() + margins.right(), margins.top() + margins.bottom());
}

QSize FlowLayout::sizeHint() const
{
    // One line, as wide as all items side by side.
    int width = 0;
    int height = 0;
    for (const QLayoutItem* item : m_items) {
        if (item->isEmpty())
            continue;
        if (width > 0)
            width += spacing();
        width += item->sizeHint().width();
        height = qMax(height, item->sizeHint().height());
    }
    const QMargins margins = contentsMargins();
    return QSize(width + margins.left() + margins.right(),
                 height + margins.top() + margins.bottom());
}

void FlowLayout::setGeometry(const QRect& rect)
{
    QLayout::setGeometry(rect);
    arrange(rect, true);
}

int FlowLayout::arrange(const QRect& rect, bool place) const
{
    const QRect area = rect.marginsRemoved(contentsMargins());
    const int gap = qMax(0, spacing());
    // Items of one line share its height and are centred in it.
    QList<QLayoutItem*> line;
    int lineWidth = 0;
    int lineHeight = 0;
    int y = area.y();
    const auto finishLine = [&] {
        int x = area.x();
        for (QLayoutItem* item : qAsConst(line)) {
            const QSize size = item->sizeHint();
            if (place)
                item->setGeometry(QRect(QPoint(x, y + (lineHeight - size.height()) / 2), size));
            x += size.width() + gap;
        }
        if (!line.isEmpty())
            y += lineHeight + gap;
        line.clear();
        lineWidth = 0;
        lineHeight = 0;
    };
    for (QLayoutItem* item : m_items) {
        if (item->isEmpty())
            continue;
        const QSize size = item->sizeHint();
        const int needed = line.isEmpty() ? size.width() : lineWidth + gap + size.width();
        if (!line.isEmpty() && needed > area.width())
            finishLine();
        lineWidth = line.isEmpty() ? size.width() : lineWidth + gap + size.width();
        lineHeight = qMax(lineHeight, size.height());
        line.append(item);
    }
    finishLine();
    const int used = y > area.y() ? y - gap - area.y() : 0;
    const QMargins margins = contentsMargins();
    return used + margins.top() + margins.bottom();
}
