#pragma once

#include "chartdata/scrollscale.h"
#include "parameters/chartcolor.h"

#include <QList>
#include <QMap>
#include <QObject>
#include <QPair>
#include <QVector>

#include <memory>

class Chart;
class ChartProtocol;
class Dialogs;
class QAction;
class QColor;
class QPushButton;
class ScaleAligner;
class ShortcutHelp;
class Workspace;
struct Channel;
namespace Ui {
class MainWindow;
}

// The two chart tabs: the common chart and the per-channel charts below one
// another. They show the workspace's view state and send the user's moves,
// zooms and cursors to it; the scroll bars, the chart actions and the views
// to go back to live here too.
class ChartTabs : public QObject
{
    Q_OBJECT
public:
    ChartTabs(Ui::MainWindow& ui, Workspace& workspace, const std::unique_ptr<Dialogs>& dialogs,
              QWidget* window);
    ~ChartTabs() override;

    ChartProtocol* chart() const;
    // One chart per channel title, by title.
    QMap<QString, ChartProtocol*>& singleCharts() { return m_singles; }
    // The common chart first, then the per-channel charts.
    QList<ChartProtocol*> allCharts() const;
    // The colours the loaded channels are drawn in.
    ChartColor& palette() { return m_palette; }

    void buildSingleCharts(const QList<Channel>& channels);
    void clearSingleCharts();
    void updateChartScrollBar();
    void updateChartsScrollBar();
    // The scroll bars and the zoom limit cover the loaded ticks.
    void setTickRange(qint64 first, qint64 last);
    void setSingleChartVisible(const QString& name, bool visible);

    void moveCharts(double position);
    void zoomCharts(double factor);
    void lineValueXChartsChanged(qint64 x);
    void scrollChart(int value);
    void scrollCharts(int value);
    void toggleGrid();
    void toggleLegend();
    // Asks for a colour of every chart, starting from the common chart's.
    void chooseColor(QPushButton* button, QColor (Chart::*current)() const,
                     void (Chart::*apply)(QColor));
    static void paintColorButton(QPushButton* button, const QColor& color);

    // The actions beyond the form's, for the menus and the toolbar.
    QAction* showAllAction() const { return m_showAll; }
    QAction* viewBackAction() const { return m_viewBack; }
    QAction* shortcutHelpAction() const { return m_shortcutHelp; }
    QList<QAction*> lineActions() const { return m_lineActions; }

signals:
    // The value line moved on every chart.
    void lineShown();
    // The stretch the statistics cover may have changed.
    void statisticsStale();
    // The view state showed or hid a channel.
    void channelShown(const QString& title, bool shown);
    void bookmarkNoteRequested(qint64 x);

private:
    void connectCommonChart();
    void connectScrollBars();
    void connectViewState();
    void connectCursors(ChartProtocol* chart);
    void createActions();
    QAction* addAction(const QString& name, const QString& text, const QString& toolTip,
                       void (ChartTabs::*slot)());
    // Gives the time labels to the lowest shown per-channel chart only.
    void shareTimeAxis();
    // Caps zooming out by the loaded span, on every chart.
    void limitZoomOut();

    void showPosition(double position);
    void showZoom(double zoom);
    void showLine(qint64 x);
    void showReference();
    void showChannel(const QString& title, bool shown);
    void showChannelColor(const QString& title, const QColor& color);

    void showWholeSpan();
    // A view left by a jump, and the way back to it, newest last.
    void rememberView(double zoom, double position);
    void previousView();
    // Puts the value line of every chart on x, within the loaded ticks.
    void placeLine(qint64 x);
    qint64 gridStepTicks() const;
    void lineToStart();
    void lineToEnd();
    void lineLeft();
    void lineRight();
    void lineStepLeft();
    void lineStepRight();
    void showShortcutHelp();

    Ui::MainWindow& ui;
    Workspace& m_workspace;
    const std::unique_ptr<Dialogs>& m_dialogs;
    QWidget* m_window;
    ChartColor m_palette;
    ScrollScale m_scrollScale; // ticks to the scroll bars' values
    QMap<QString, ChartProtocol*> m_singles;
    ScaleAligner* m_scaleAligner = nullptr;       // lines the per-channel charts up
    QVector<QPair<double, double>> m_viewHistory; // zoom, position
    QAction* m_showAll = nullptr;
    QAction* m_viewBack = nullptr;
    QAction* m_shortcutHelp = nullptr;
    QList<QAction*> m_lineActions;
    ShortcutHelp* m_shortcutHelpWindow = nullptr;
};
