#include "table/protocoltablemodel.h"

#include "table/cellsink.h"
#include "table/numbertext.h"
#include "table/protocolassembly.h"
#include "table/tablefilter.h"
#include "table/tickrole.h"

#include <QDir>
#include <QFileInfo>
#include <QFont>
#include <QHash>

#include <algorithm>
#include <cstring>
#include <unordered_map>
#include <numeric>

namespace {

constexpr int kBookmarkColumn = 0;
constexpr int kTimeColumn = ProtocolAssembly::timeColumn;

// Stable sort of (key, row) in either direction.
template <typename Key>
void stableSortByKey(std::vector<std::pair<Key, int>>& items, bool ascending)
{
    const auto byKey = [](const std::pair<Key, int>& a, const std::pair<Key, int>& b) {
        return a.first < b.first;
    };
    if (ascending) {
        if (!std::is_sorted(items.begin(), items.end(), byKey))
            std::stable_sort(items.begin(), items.end(), byKey);
        return;
    }
    const auto reversed = [&byKey](const std::pair<Key, int>& a, const std::pair<Key, int>& b) {
        return byKey(b, a);
    };
    if (!std::is_sorted(items.begin(), items.end(), reversed))
        std::stable_sort(items.begin(), items.end(), reversed);
}

// The rows in the order of the key each is given, stable in either direction.
template <typename KeyOf>
std::vector<int> sortedByKey(const std::vector<int>& rows, bool ascending, KeyOf keyOf)
{
    std::vector<std::pair<decltype(keyOf(0)), int>> items;
    items.reserve(rows.size());
    for (const int row : rows)
        items.emplace_back(keyOf(row), row);
    stableSortByKey(items, ascending);
    std::vector<int> sorted;
    sorted.reserve(items.size());
    for (const auto& item : items)
        sorted.push_back(item.second);
    return sorted;
}

} // namespace

ProtocolTableModel::ProtocolTableModel(QObject* parent)
    : QAbstractTableModel(parent), m_mark(QStringLiteral(":/res/bookmark.png"))
{
    m_labels = QStringList{QString(), QStringLiteral("Дата")};
}

ProtocolTableModel::~ProtocolTableModel() = default;

void ProtocolTableModel::setAssembly(const ProtocolAssembly* assembly)
{
    beginResetModel();
    m_assembly = assembly && assembly->isBuilt() ? assembly : nullptr;
    m_labels = QStringList{QString(), QStringLiteral("Дата")};
    m_order.clear();
    m_order.shrink_to_fit();
    m_visible.clear();
    m_visible.shrink_to_fit();
    m_hidden.clear();
    m_hidden.shrink_to_fit();
    m_marks.clear();
    m_notes.clear();
    m_sortColumn = -1;
    if (m_assembly) {
        m_labels.append(m_assembly->titles());
        if (m_protocolColumnShown)
            m_labels.append(QStringLiteral("Протокол"));
        m_order = m_assembly->timeOrder();
        // The rows come in time order, as a sort by time would leave them.
        m_sortColumn = kTimeColumn;
        m_sortOrder = Qt::AscendingOrder;
    }
    endResetModel();
}

int ProtocolTableModel::rowCount(const QModelIndex& parent) const
{
    if (parent.isValid())
        return 0;
    return int(m_hidden.empty() ? m_order.size() : m_visible.size());
}

int ProtocolTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_labels.size();
}

int ProtocolTableModel::globalRowOf(int row) const
{
    return m_hidden.empty() ? m_order[size_t(row)] : m_visible[size_t(row)];
}

int ProtocolTableModel::rowOfGlobal(int globalRow) const
{
    if (isHidden(globalRow))
        return -1;
    const std::vector<int>& rows = m_hidden.empty() ? m_order : m_visible;
    const auto it = std::find(rows.begin(), rows.end(), globalRow);
    return it == rows.end() ? -1 : int(it - rows.begin());
}

bool ProtocolTableModel::isHidden(int globalRow) const
{
    return !m_hidden.empty() && m_hidden[size_t(globalRow)];
}

QVariant ProtocolTableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || !m_assembly || index.row() >= rowCount() ||
        index.column() >= columnCount())
        return {};
    const int global = globalRowOf(index.row());
    const int column = index.column();
    if (column == kBookmarkColumn) {
        if (!isMarked(global))
            return {};
        if (role == Qt::DisplayRole)
            return QString();
        if (role == Qt::DecorationRole)
            return m_mark;
        if (role == Qt::ToolTipRole) {
            const auto note = m_notes.find(global);
            return note == m_notes.end() ? QVariant() : QVariant(note->second);
        }
        return {};
    }
    if (column == kTimeColumn && role == TickRole)
        return QVariant(qlonglong(tick(global)));
    if (column == kTimeColumn && role == Qt::ToolTipRole)
        return QStringLiteral("Протокол: %1").arg(QDir::toNativeSeparators(protocolPath(global)));
    if (role != Qt::DisplayRole)
        return {};
    QString text;
    if (!cellText(global, column, text))
        return {};
    return text;
}

QVariant ProtocolTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= m_labels.size())
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (role) {
    case Qt::DisplayRole:
        return m_labels[section];
    case Qt::DecorationRole:
        return section == kBookmarkColumn ? QVariant(m_mark) : QVariant();
    case Qt::ToolTipRole:
        return section == kBookmarkColumn ? QVariant(QStringLiteral("Закладка")) : QVariant();
    case Qt::FontRole:
        if (section == kBookmarkColumn) {
            QFont font(QStringLiteral("MS Shell Dlg 2"));
            font.setPointSize(12);
            return font;
        }
        return {};
    default:
        return {};
    }
}

Qt::ItemFlags ProtocolTableModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsSelectable | Qt::ItemIsEnabled;
}

qint64 ProtocolTableModel::tick(int globalRow) const
{
    const ProtocolAssembly::RowRef r = m_assembly->row(globalRow);
    return m_assembly->globalTick(r.protocol, r.record);
}

qint64 ProtocolTableModel::msecsSinceEpoch(int globalRow) const
{
    const ProtocolAssembly::RowRef r = m_assembly->row(globalRow);
    return m_assembly->msecsSinceEpoch(r.protocol, r.record);
}

QString ProtocolTableModel::timeText(int globalRow) const
{
    const ProtocolAssembly::RowRef r = m_assembly->row(globalRow);
    return m_assembly->timeText(r.protocol, r.record);
}

bool ProtocolTableModel::cellText(int globalRow, int column, QString& text) const
{
    if (!m_assembly)
        return false;
    if (column == kBookmarkColumn) {
        // A mark is a cell without text.
        text.clear();
        return isMarked(globalRow);
    }
    const ProtocolAssembly::RowRef r = m_assembly->row(globalRow);
    if (column == kTimeColumn) {
        text = m_assembly->timeText(r.protocol, r.record);
        return true;
    }
    if (column == protocolColumn()) {
        text = protocolName(globalRow);
        return true;
    }
    const int channel = m_assembly->channelAt(r.protocol, column);
    ProtocolAssembly::Cell cell;
    cell.text.swap(text); // reuses the caller's buffer
    const bool found = channel >= 0 && m_assembly->cell(r.protocol, channel, r.record, cell);
    text.swap(cell.text);
    return found;
}

void ProtocolTableModel::rowCells(int globalRow, CellSink& sink) const
{
    if (!m_assembly)
        return;
    const ProtocolAssembly::RowRef r = m_assembly->row(globalRow);
    sink.take(kTimeColumn, m_assembly->timeText(r.protocol, r.record));
    const int protocol = protocolColumn();
    ProtocolAssembly::Cell cell;
    cell.text.swap(m_rowText);
    for (int column = ProtocolAssembly::firstChannelColumn; column < m_labels.size(); ++column) {
        if (column == protocol) {
            sink.take(column, protocolName(globalRow));
            continue;
        }
        const int channel = m_assembly->channelAt(r.protocol, column);
        if (channel < 0)
            continue;
        if (m_assembly->isPlainNumber(r.protocol, channel)) {
            char number[32];
            if (const int length = m_assembly->numberChars(r.protocol, channel, r.record, number))
                sink.takeAscii(column, number, length);
        } else if (m_assembly->cell(r.protocol, channel, r.record, cell))
            sink.take(column, cell.text);
    }
    m_rowText.swap(cell.text);
}

void ProtocolTableModel::setProtocolColumnShown(bool shown)
{
    if (shown == m_protocolColumnShown)
        return;
    if (!m_assembly) {
        m_protocolColumnShown = shown;
        return;
    }
    const int column = m_labels.size() - (shown ? 0 : 1);
    if (shown) {
        beginInsertColumns(QModelIndex(), column, column);
        m_protocolColumnShown = true;
        m_labels.append(QStringLiteral("Протокол"));
        endInsertColumns();
    } else {
        if (m_sortColumn == column)
            m_sortColumn = -1;
        beginRemoveColumns(QModelIndex(), column, column);
        m_protocolColumnShown = false;
        m_labels.removeLast();
        endRemoveColumns();
    }
}

int ProtocolTableModel::protocolColumn() const
{
    return m_protocolColumnShown && m_assembly ? m_labels.size() - 1 : -1;
}

QString ProtocolTableModel::protocolPath(int globalRow) const
{
    return m_assembly ? m_assembly->protocolFile(m_assembly->row(globalRow).protocol) : QString();
}

QString ProtocolTableModel::protocolName(int globalRow) const
{
    return QFileInfo(protocolPath(globalRow)).fileName();
}

bool ProtocolTableModel::isNumberCell(int globalRow, int column) const
{
    if (!m_assembly || column < ProtocolAssembly::firstChannelColumn)
        return false;
    const ProtocolAssembly::RowRef r = m_assembly->row(globalRow);
    const int channel = m_assembly->channelAt(r.protocol, column);
    if (channel < 0)
        return false;
    if (!m_assembly->hasRefs(r.protocol, channel)) {
        double value = 0;
        return m_assembly->number(r.protocol, channel, r.record, value);
    }
    qint32 raw = 0;
    double divisor = 1;
    return m_assembly->raw(r.protocol, channel, r.record, raw, divisor) &&
           m_assembly->refText(r.protocol, channel, raw).isEmpty();
}

bool ProtocolTableModel::cellNumber(int globalRow, int column, double& value) const
{
    if (!m_assembly)
        return false;
    if (column == kBookmarkColumn) {
        value = 0;
        return isMarked(globalRow);
    }
    const ProtocolAssembly::RowRef r = m_assembly->row(globalRow);
    if (column == kTimeColumn) {
        value = m_assembly->timeText(r.protocol, r.record).toDouble();
        return true;
    }
    if (column == protocolColumn())
        return false;
    const int channel = m_assembly->channelAt(r.protocol, column);
    if (channel < 0)
        return false;
    if (m_assembly->hasRefs(r.protocol, channel)) {
        qint32 raw = 0;
        double divisor = 1;
        if (!m_assembly->raw(r.protocol, channel, r.record, raw, divisor))
            return false;
        const QString text = m_assembly->refText(r.protocol, channel, raw);
        value = text.isEmpty() ? numbertext::shownRaw(raw, divisor) : text.toDouble();
        return true;
    }
    return m_assembly->number(r.protocol, channel, r.record, value);
}

void ProtocolTableModel::sort(int column, Qt::SortOrder order)
{
    if (!m_assembly || column < 0 || column >= columnCount())
        return;
    // Sorting is stable and the cells never change, so the same sort again
    // would leave every row where it is; the bookmark column is re-sorted
    // whenever a mark changes. Skipping it spares a pass over every row
    // (the time sort the window asks for after a load, for one).
    if (column == m_sortColumn && order == m_sortOrder)
        return;
    m_sortColumn = column;
    m_sortOrder = order;
    reorder(sortedBy(column, order));
}

std::vector<int> ProtocolTableModel::sortedBy(int column, Qt::SortOrder order) const
{
    const bool ascending = order == Qt::AscendingOrder;
    if (column == kBookmarkColumn) {
        // Marked rows compare equal among themselves and come first in
        // either direction; the others keep their order after them.
        std::vector<int> sorted(m_order);
        std::stable_partition(sorted.begin(), sorted.end(),
                              [this](int row) { return isMarked(row); });
        return sorted;
    }
    if (column == kTimeColumn)
        return sortedByKey(m_order, ascending, [this](int row) { return msecsSinceEpoch(row); });
    // By file, in the order read; rows of one file keep their order.
    if (column == protocolColumn())
        return sortedByKey(m_order, ascending,
                           [this](int row) { return m_assembly->row(row).protocol; });
    for (int p = 0; p < m_assembly->protocolCount(); ++p) {
        const int channel = m_assembly->channelAt(p, column);
        if (channel >= 0 && m_assembly->hasRefs(p, channel))
            return sortedMixed(column, order);
    }
    return sortedByValue(column, order);
}

std::vector<int> ProtocolTableModel::sortedByValue(int column, Qt::SortOrder order) const
{
    std::vector<std::pair<double, int>> items;
    std::vector<int> missing;
    items.reserve(m_order.size());
    double value = 0;
    for (const int row : m_order) {
        if (cellNumber(row, column, value))
            items.emplace_back(value, row);
        else
            missing.push_back(row);
    }
    stableSortByKey(items, order == Qt::AscendingOrder);
    std::vector<int> sorted;
    sorted.reserve(m_order.size());
    for (const auto& item : items)
        sorted.push_back(item.second);
    sorted.insert(sorted.end(), missing.begin(), missing.end());
    return sorted;
}

std::vector<int> ProtocolTableModel::sortedMixed(int column, Qt::SortOrder order) const
{
    // A column of an enumerated channel mixes text and number cells: a number
    // cell compares by number (a text reading as 0), a text cell compares its
    // text with the other cell's text. Such a column holds few distinct
    // cells, so each is worded and ranked among the others' texts once, and
    // the rows then sort by plain numbers.
    struct Key
    {
        bool isText;
        double number; // what a text reads as
        int textRank;  // place of its text among the column's texts
    };
    struct Item
    {
        int row;
        int key;
    };
    std::vector<Key> keys;
    std::vector<QString> texts;
    QHash<QPair<quint64, quint64>, int> keyOfCell; // (protocol and raw, divisor bits)
    std::vector<Item> items;
    std::vector<int> missing;
    items.reserve(m_order.size());
    for (const int row : m_order) {
        const ProtocolAssembly::RowRef r = m_assembly->row(row);
        const int channel = m_assembly->channelAt(r.protocol, column);
        qint32 raw = 0;
        double divisor = 1;
        if (channel < 0 || !m_assembly->raw(r.protocol, channel, r.record, raw, divisor)) {
            missing.push_back(row);
            continue;
        }
        quint64 divisorBits = 0;
        std::memcpy(&divisorBits, &divisor, sizeof divisor);
        const QPair<quint64, quint64> cell((quint64(quint32(r.protocol)) << 32) | quint32(raw),
                                           divisorBits);
        auto found = keyOfCell.constFind(cell);
        if (found == keyOfCell.cend()) {
            QString text;
            cellText(row, column, text);
            const bool isText = m_assembly->hasRefs(r.protocol, channel) &&
                                !m_assembly->refText(r.protocol, channel, raw).isEmpty();
            keys.push_back(
                {isText, isText ? text.toDouble() : numbertext::shownRaw(raw, divisor), 0});
            texts.push_back(std::move(text));
            found = keyOfCell.insert(cell, int(keys.size()) - 1);
        }
        items.push_back({row, found.value()});
    }
    std::vector<int> byText(texts.size());
    std::iota(byText.begin(), byText.end(), 0);
    std::sort(byText.begin(), byText.end(), [&texts](int a, int b) {
        return texts[size_t(a)].localeAwareCompare(texts[size_t(b)]) < 0;
    });
    for (size_t i = 1; i < byText.size(); ++i) {
        const QString& previous = texts[size_t(byText[i - 1])];
        keys[size_t(byText[i])].textRank =
            keys[size_t(byText[i - 1])].textRank +
            (previous.localeAwareCompare(texts[size_t(byText[i])]) < 0);
    }
    const auto less = [&keys](const Item& a, const Item& b) {
        const Key& ka = keys[size_t(a.key)];
        const Key& kb = keys[size_t(b.key)];
        return ka.isText ? ka.textRank < kb.textRank : ka.number < kb.number;
    };
    if (order == Qt::AscendingOrder)
        std::stable_sort(items.begin(), items.end(), less);
    else
        std::stable_sort(items.begin(), items.end(),
                         [&less](const Item& a, const Item& b) { return less(b, a); });
    std::vector<int> sorted;
    sorted.reserve(m_order.size());
    for (const Item& item : items)
        sorted.push_back(item.row);
    sorted.insert(sorted.end(), missing.begin(), missing.end());
    return sorted;
}

void ProtocolTableModel::reorder(std::vector<int> order)
{
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    std::vector<int> globals;
    globals.reserve(size_t(before.size()));
    for (const QModelIndex& index : before)
        globals.push_back(index.isValid() ? globalRowOf(index.row()) : -1);

    m_order = std::move(order);
    rebuildVisible();

    followRows(before, globals);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void ProtocolTableModel::followRows(const QModelIndexList& before, const std::vector<int>& globals)
{
    // Persistent indexes (current cell, selection) follow their rows; those
    // of rows now hidden become invalid.
    if (before.isEmpty())
        return;
    std::vector<int> rowOf(m_order.size(), -1);
    for (int row = 0; row < rowCount(); ++row)
        rowOf[size_t(globalRowOf(row))] = row;
    QModelIndexList after;
    after.reserve(before.size());
    for (int i = 0; i < before.size(); ++i) {
        const int global = globals[size_t(i)];
        const int row = global < 0 ? -1 : rowOf[size_t(global)];
        after.append(row < 0 ? QModelIndex() : index(row, before[i].column()));
    }
    changePersistentIndexList(before, after);
}

void ProtocolTableModel::rebuildVisible()
{
    m_visible.clear();
    if (m_hidden.empty()) {
        m_visible.shrink_to_fit();
        return;
    }
    for (const int row : m_order)
        if (!m_hidden[size_t(row)])
            m_visible.push_back(row);
}

void ProtocolTableModel::applyFilter(const TableFilter& filter)
{
    if (!m_assembly)
        return;
    struct Row
    {
        const ProtocolTableModel& model;
        int global;
        qint64 msecsSinceEpoch() const { return model.msecsSinceEpoch(global); }
        bool number(int column, double& value) const
        {
            return model.cellNumber(global, column, value);
        }
    };
    std::vector<bool> hidden(m_order.size(), false);
    bool any = false;
    if (filter.isActive()) {
        for (int global = 0; global < int(hidden.size()); ++global) {
            const bool out = filter.isHidden(Row{*this, global});
            hidden[size_t(global)] = out;
            any = any || out;
        }
    }
    setHiddenRows(any ? std::move(hidden) : std::vector<bool>());
}

void ProtocolTableModel::setHiddenRows(std::vector<bool> hidden)
{
    if (std::find(hidden.begin(), hidden.end(), true) == hidden.end())
        hidden.clear();
    if (hidden.size() != m_order.size() && !hidden.empty())
        return;
    if (hidden == m_hidden)
        return;

    emit layoutAboutToBeChanged();
    const QModelIndexList before = persistentIndexList();
    std::vector<int> globals;
    for (const QModelIndex& index : before)
        globals.push_back(index.isValid() ? globalRowOf(index.row()) : -1);
    m_hidden = std::move(hidden);
    rebuildVisible();
    followRows(before, globals);
    emit layoutChanged();
}

void ProtocolTableModel::setNote(int globalRow, const QString& note)
{
    if (globalRow < 0)
        return;
    if (note.isEmpty())
        m_notes.erase(globalRow);
    else
        m_notes[globalRow] = note;
    const int row = rowOfGlobal(globalRow);
    if (row >= 0)
        emit dataChanged(index(row, kBookmarkColumn), index(row, kBookmarkColumn));
}

void ProtocolTableModel::setMarked(int globalRow, bool marked)
{
    if (!m_assembly || globalRow < 0 || size_t(globalRow) >= m_order.size() ||
        isMarked(globalRow) == marked)
        return;
    if (marked) {
        m_marks.insert(globalRow);
    } else {
        m_marks.erase(globalRow);
        m_notes.erase(globalRow);
    }
    // A table sorted by its marks keeps them together.
    if (m_sortColumn == kBookmarkColumn) {
        reorder(sortedBy(m_sortColumn, m_sortOrder));
        return;
    }
    const int row = rowOfGlobal(globalRow);
    if (row >= 0)
        emit dataChanged(index(row, kBookmarkColumn), index(row, kBookmarkColumn));
}

int ProtocolTableModel::firstRowOfTick(qint64 tick) const
{
    if (!m_assembly)
        return -1;
    for (const int row : m_order)
        if (this->tick(row) == tick)
            return row;
    return -1;
}

void ProtocolTableModel::setBookmarkMarks(const QVector<qint64>& ticks, const QStringList& notes)
{
    m_marks.clear();
    m_notes.clear();
    if (m_assembly && !ticks.isEmpty()) {
        std::unordered_map<qint64, int> wanted; // tick -> its index, until its row is found
        wanted.reserve(size_t(ticks.size()));
        for (int i = 0; i < ticks.size(); ++i)
            wanted.emplace(ticks[i], i);
        for (const int row : m_order) {
            const auto it = wanted.find(tick(row));
            if (it == wanted.end())
                continue;
            m_marks.insert(row);
            if (!notes.value(it->second).isEmpty())
                m_notes[row] = notes.value(it->second);
            wanted.erase(it);
            if (wanted.empty())
                break;
        }
    }
    if (m_sortColumn == kBookmarkColumn) {
        reorder(sortedBy(m_sortColumn, m_sortOrder));
        return;
    }
    if (rowCount() > 0)
        emit dataChanged(index(0, kBookmarkColumn), index(rowCount() - 1, kBookmarkColumn));
}

qint64 ProtocolTableModel::rowBytes() const
{
    return qint64(m_order.capacity() * sizeof(int) + m_visible.capacity() * sizeof(int) +
                  m_hidden.capacity() / 8 + m_marks.size() * 40);
}
