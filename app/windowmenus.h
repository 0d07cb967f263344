#pragma once

#include "ui_mainwindow.h"

#include <QList>

class QAction;

// The actions the window adds to those of its form.
struct WindowActions
{
    QAction* statistics = nullptr;
    QAction* computed = nullptr;
    QAction* showAll = nullptr;
    QAction* viewBack = nullptr;
    QAction* shortcutHelp = nullptr;
    // The value line to the start, the end, a tick and a grid step left and right.
    QList<QAction*> line;
};

// The menus "Файл", "График" and "Справка" and the toolbar.
void fillMenusAndToolbar(Ui::MainWindow& ui, const WindowActions& added);

// The keys of every action. Keys that lists, tables and text fields need
// for themselves act on the charts only while the focus is on a chart tab;
// tool tips name the first key.
void applyShortcuts(Ui::MainWindow& ui, QWidget& window, const WindowActions& added);
