#pragma once

#include <QDialog>
#include <QList>
#include <QPair>
#include <QString>
#include <QVector>

class QAction;
class QTableWidget;

// A small window that lists the keys of the window's actions and what the
// mouse does on a chart; it stays open beside the window.
class ShortcutHelp : public QDialog
{
    Q_OBJECT
public:
    explicit ShortcutHelp(QWidget* parent = nullptr);

    // Keys and caption, one row per action with keys, in the given order,
    // followed by the mouse's gestures.
    static QVector<QPair<QString, QString>> rows(const QList<QAction*>& actions);

    void setActions(const QList<QAction*>& actions);

private:
    QTableWidget* table;
};
