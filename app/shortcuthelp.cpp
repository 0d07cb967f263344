#include "app/shortcuthelp.h"

#include <QAction>
#include <QHeaderView>
#include <QKeySequence>
#include <QTableWidget>
#include <QVBoxLayout>

ShortcutHelp::ShortcutHelp(QWidget* parent) : QDialog(parent), table(new QTableWidget(this))
{
    setWindowTitle(tr("Горячие клавиши"));
    setObjectName(QStringLiteral("shortcutHelp"));
    table->setColumnCount(2);
    table->setHorizontalHeaderLabels({tr("Клавиши"), tr("Действие")});
    table->verticalHeader()->hide();
    table->horizontalHeader()->setStretchLastSection(true);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionMode(QAbstractItemView::NoSelection);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(table);
    resize(560, 640);
}

QVector<QPair<QString, QString>> ShortcutHelp::rows(const QList<QAction*>& actions)
{
    QVector<QPair<QString, QString>> result;
    for (const QAction* action : actions) {
        if (!action || action->shortcuts().isEmpty())
            continue;
        QStringList keys;
        for (const QKeySequence& key : action->shortcuts())
            keys << key.toString(QKeySequence::NativeText);
        QString caption = action->text();
        caption.remove(QLatin1Char('&'));
        result.append({keys.join(QStringLiteral(", ")), caption});
    }
    const QVector<QPair<QString, QString>> mouse = {
        {tr("Колесо"), tr("Сдвинуть график")},
        {tr("Ctrl+колесо"), tr("Приблизить или отдалить")},
        {tr("Протянуть левой кнопкой"), tr("Показать выделенный отрезок")},
        {tr("Протянуть правой кнопкой, Shift+левой"), tr("Сдвинуть график")},
        {tr("Протянуть курсор"), tr("Передвинуть курсор")},
        {tr("Двойной щелчок"), tr("Поставить курсор")},
        {tr("Shift+двойной щелчок"), tr("Поставить опорный курсор")},
    };
    result += mouse;
    return result;
}

void ShortcutHelp::setActions(const QList<QAction*>& actions)
{
    const QVector<QPair<QString, QString>> all = rows(actions);
    table->setRowCount(all.size());
    for (int i = 0; i < all.size(); ++i) {
        table->setItem(i, 0, new QTableWidgetItem(all[i].first));
        table->setItem(i, 1, new QTableWidgetItem(all[i].second));
    }
    table->resizeColumnToContents(0);
}
