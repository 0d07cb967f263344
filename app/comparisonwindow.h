#pragma once

#include <QMainWindow>
#include <QStringList>

#include <memory>

class ChartColor;
class ChartProtocol;
class ComparisonPanel;
class ComparisonSession;
class Dialogs;
class FrozenColumnsTableView;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QTabWidget;
class QTableWidget;
class QVBoxLayout;
class ScaleAligner;
struct ReportResult;

// Protocols of different runs side by side: "График" overlays every
// protocol's curves on the relative axis, "Графики" gives each channel a
// chart of its protocols' curves, "Таблица" the comparison's rows. The
// panel aligns and shifts the protocols (also Alt-drag on a curve), the
// statistics compare them between the cursors, and the table, the chart
// and the whole comparison (as a project) can be saved.
class ComparisonWindow : public QMainWindow
{
    Q_OBJECT
public:
    ComparisonWindow(std::unique_ptr<ComparisonSession> session, Dialogs& dialogs,
                     const QString& logDirectory, QWidget* parent = nullptr);
    ~ComparisonWindow() override;

    ComparisonSession& session() { return *m_session; }
    ChartProtocol* chart() const { return m_chart; }
    // One chart per channel code, in the comparison's order.
    const QList<ChartProtocol*>& channelCharts() const { return m_channelCharts; }
    FrozenColumnsTableView* table() const { return m_table; }
    ComparisonPanel* panel() const { return m_panel; }
    QTabWidget* tabs() const { return m_tabs; }

    // The reports of the window; the format goes by the name's suffix
    // (.csv, .xlsx; .png, .svg; .pdf). Failures are shown and returned.
    bool saveTable(const QString& fileName);
    bool savePicture(const QString& fileName);
    bool savePdf(const QString& fileName);
    bool saveProject(const QString& fileName);
    // The statistics table's texts, row by row, for a look from outside.
    QStringList statisticsLines() const;
    // Shows the session again after its rules, shifts or differences
    // changed from outside (a project applied to it).
    void sessionChanged();

private:
    void buildCharts();
    void clearCharts();
    void connectChart(ChartProtocol* chart);
    QWidget* tableTab();
    QWidget* statisticsDock();
    void createActions();
    // Every chart follows one's move, zoom or cursor.
    void follow(ChartProtocol* source);
    void dragShift(int protocol, qint64 deltaMs);
    void dropShift(int protocol, qint64 deltaMs);
    // The panel, charts and statistics after the rows were rebuilt (the
    // panel's rules and steps rebuild them themselves).
    void showAlignment();
    void applyFilter();
    void updateStatistics();
    void showWholeSpan();
    bool report(const QString& fileName, const ReportResult& result);
    QString askName(const QString& caption, const QString& filter, const QString& suffix);

    std::unique_ptr<ComparisonSession> m_session;
    Dialogs& m_dialogs;
    QString m_logDirectory;
    std::unique_ptr<ChartColor> m_palette;
    QTabWidget* m_tabs = nullptr;
    ChartProtocol* m_chart = nullptr;
    QList<ChartProtocol*> m_channelCharts;
    QVBoxLayout* m_channelLayout = nullptr;
    ScaleAligner* m_aligner = nullptr; // lines the per-channel plots up
    FrozenColumnsTableView* m_table = nullptr;
    ComparisonPanel* m_panel = nullptr;
    QCheckBox* m_filterOn = nullptr;
    QComboBox* m_filterCode = nullptr;
    QLineEdit* m_filterFrom = nullptr;
    QLineEdit* m_filterTo = nullptr;
    QComboBox* m_statisticsCode = nullptr;
    QTableWidget* m_statistics = nullptr;
    bool m_following = false;
    int m_dragProtocol = -1;
    qint64 m_dragStart = 0;
};
