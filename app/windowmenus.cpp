#include "app/windowmenus.h"

#include <QMenu>
#include <QMenuBar>
#include <QToolBar>
#include <QToolButton>

void fillMenusAndToolbar(Ui::MainWindow& ui, const WindowActions& added)
{
    QMenu* file = ui.menuBar->addMenu(QObject::tr("Файл"));
    file->setObjectName(QStringLiteral("menuFile"));
    file->addActions({ui.actFLASH, ui.actCopy, ui.actLogger});
    file->addSeparator();
    file->addActions({ui.actInitLoger, ui.actRefresh, ui.actSave, ui.actPDF, ui.actParameter,
                      added.statistics, ui.actLoad, ui.actCompare, ui.actFilter});

    QMenu* chart = ui.menuBar->addMenu(QObject::tr("График"));
    chart->setObjectName(QStringLiteral("menuChart"));
    chart->addActions({ui.actGrid, ui.actLegend});
    chart->addSeparator();
    chart->addAction(added.computed);
    chart->addSeparator();
    chart->addActions(
        {ui.actZoomIn, ui.actZoomOrigin, ui.actZoomOut, added.showAll, added.viewBack});
    chart->addSeparator();
    chart->addActions({ui.actLeft, ui.actZeroPoint, ui.actRight});
    chart->addSeparator();
    chart->addActions(added.line);
    chart->addSeparator();
    chart->addActions({ui.actColorTopBackground, ui.actColorBottomBackground, ui.actColorGrid});
    chart->addSeparator();
    chart->addActions({ui.actBookmarkPrevious, ui.actBookmark, ui.actBookmarkNext,
                       ui.actBookmarkAdd, ui.actBookmarkDelete});

    QToolBar* bar = ui.mainToolBar;
    bar->addActions({ui.actFLASH, ui.actCopy, ui.actLogger});
    bar->addSeparator();
    bar->addActions({ui.actInitLoger, ui.actRefresh, ui.actSave, ui.actPDF, ui.actParameter,
                     added.statistics, ui.actLoad, ui.actFilter});
    bar->addSeparator();
    bar->addActions({ui.actGrid, ui.actLegend});
    bar->addSeparator();
    bar->addActions({ui.actZoomIn, ui.actZoomOrigin, ui.actZoomOut, added.showAll});
    bar->addSeparator();
    bar->addActions({ui.actLeft, ui.actZeroPoint, ui.actRight});
    bar->addSeparator();
    bar->addActions({ui.actBookmarkPrevious, ui.actBookmark, ui.actBookmarkNext, ui.actBookmarkAdd,
                     ui.actBookmarkDelete});
    QMenu* help = ui.menuBar->addMenu(QObject::tr("Справка"));
    help->setObjectName(QStringLiteral("menuHelp"));
    help->addAction(added.shortcutHelp);
}

void applyShortcuts(Ui::MainWindow& ui, QWidget& window, const WindowActions& added)
{
    using Keys = QList<QKeySequence>;
    const QList<QPair<QAction*, Keys>> everywhere = {
        {ui.actLoad, {QKeySequence(QStringLiteral("Ctrl+O"))}},
        {ui.actSave, {QKeySequence(QStringLiteral("Ctrl+S"))}},
        {ui.actPDF, {QKeySequence(QStringLiteral("Ctrl+P"))}},
        {ui.actRefresh, {QKeySequence(QStringLiteral("F5"))}},
        {ui.actFilter, {QKeySequence(QStringLiteral("Ctrl+F"))}},
        {ui.actGrid, {QKeySequence(QStringLiteral("Ctrl+G"))}},
        {ui.actLegend, {QKeySequence(QStringLiteral("Ctrl+L"))}},
        {ui.actBookmarkAdd, {QKeySequence(QStringLiteral("Ctrl+B"))}},
        {ui.actBookmarkNext, {QKeySequence(QStringLiteral("F2"))}},
        {ui.actBookmarkPrevious, {QKeySequence(QStringLiteral("Shift+F2"))}},
        {added.showAll, {QKeySequence(QStringLiteral("Ctrl+0"))}},
        {ui.actZoomOrigin, {QKeySequence(QStringLiteral("Ctrl+1"))}},
        {added.shortcutHelp, {QKeySequence(QKeySequence::HelpContents)}},
    };
    // Keys that lists, tables and text fields need for themselves act on
    // the charts only while the focus is on a chart tab.
    const QList<QPair<QAction*, Keys>> charts = {
        {ui.actZoomIn,
         {QKeySequence(QStringLiteral("+")), QKeySequence(QStringLiteral("=")),
          QKeySequence(QStringLiteral("Ctrl++"))}},
        {ui.actZoomOut,
         {QKeySequence(QStringLiteral("-")), QKeySequence(QStringLiteral("Ctrl+-"))}},
        {ui.actLeft, {QKeySequence(QStringLiteral("Ctrl+Left"))}},
        {ui.actRight, {QKeySequence(QStringLiteral("Ctrl+Right"))}},
        {added.viewBack, {QKeySequence(QStringLiteral("Backspace"))}},
        {added.line.at(0), {QKeySequence(QStringLiteral("Home"))}},
        {added.line.at(1), {QKeySequence(QStringLiteral("End"))}},
        {added.line.at(2), {QKeySequence(QStringLiteral("Left"))}},
        {added.line.at(3), {QKeySequence(QStringLiteral("Right"))}},
        {added.line.at(4), {QKeySequence(QStringLiteral("Shift+Left"))}},
        {added.line.at(5), {QKeySequence(QStringLiteral("Shift+Right"))}},
        {ui.actBookmarkDelete, {QKeySequence(QStringLiteral("Delete"))}},
    };
    for (const auto& entry : everywhere)
        entry.first->setShortcuts(entry.second);
    for (const auto& entry : charts) {
        entry.first->setShortcuts(entry.second);
        entry.first->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        ui.tabChart->addAction(entry.first);
        ui.tabCharts->addAction(entry.first);
    }

    // Tool tips name the first key, on the toolbar and on the chart tab.
    for (QAction* action : window.findChildren<QAction*>()) {
        if (action->shortcut().isEmpty() || action->toolTip().contains(QLatin1Char('(')))
            continue;
        action->setToolTip(QStringLiteral("%1 (%2)").arg(
            action->toolTip(), action->shortcut().toString(QKeySequence::NativeText)));
    }
    const QList<QPair<QToolButton*, QAction*>> buttons = {
        {ui.buttonZoomIn, ui.actZoomIn},
        {ui.buttonZoomOrigin, ui.actZoomOrigin},
        {ui.buttonZoomOut, ui.actZoomOut},
        {ui.buttonLeft, ui.actLeft},
        {ui.buttonRight, ui.actRight},
        {ui.buttonGrid, ui.actGrid},
        {ui.buttonLegend, ui.actLegend},
        {ui.buttonBookmarkPrevious, ui.actBookmarkPrevious},
        {ui.buttonBookmarkNext, ui.actBookmarkNext},
        {ui.buttonBookmarkAdd, ui.actBookmarkAdd},
        {ui.buttonBookmarkDelete, ui.actBookmarkDelete},
    };
    for (const auto& pair : buttons)
        pair.first->setToolTip(pair.second->toolTip());
}
