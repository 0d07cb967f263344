#include "app/comparisonwindow.h"

#include "app/chartrenderer.h"
#include "app/comparisoncharts.h"
#include "app/comparisonpanel.h"
#include "app/dialogs.h"
#include "chart/chartprotocol.h"
#include "chart/scalealigner.h"
#include "compare/comparison.h"
#include "compare/comparisonsession.h"
#include "compare/comparisontable.h"
#include "compare/comparisontablemodel.h"
#include "compare/relativetime.h"
#include "parameters/chartcolor.h"
#include "table/frozencolumnstableview.h"
#include "reports/csvreport.h"
#include "reports/excelreport.h"
#include "reports/pdfreport.h"
#include "table/numbertext.h"
#include "workspace/projectfile.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QDockWidget>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QScrollArea>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QToolBar>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace {
// A per-channel chart is no lower than this, however many channels there are.
constexpr int kLeastChannelChartHeight = 160;

// A number as the user types it, with a comma or a point.
bool parseNumber(const QString& text, double& value)
{
    bool ok = false;
    value = QLocale::c().toDouble(QString(text.trimmed()).replace(QLatin1Char(','), '.'), &ok);
    return ok;
}
} // namespace

ComparisonWindow::ComparisonWindow(std::unique_ptr<ComparisonSession> session, Dialogs& dialogs,
                                   const QString& logDirectory, QWidget* parent)
    : QMainWindow(parent), m_session(std::move(session)), m_dialogs(dialogs),
      m_logDirectory(logDirectory), m_palette(std::make_unique<ChartColor>()),
      m_aligner(new ScaleAligner(this))
{
    setAttribute(Qt::WA_DeleteOnClose);
    QStringList names;
    for (const QString& file : m_session->files())
        names.append(QFileInfo(file).fileName());
    setWindowTitle(tr("Сравнение: %1").arg(names.join(QStringLiteral(", "))));

    m_tabs = new QTabWidget(this);
    m_chart = new ChartProtocol(m_tabs);
    m_chart->setObjectName(QStringLiteral("comparisonChart"));
    m_tabs->addTab(m_chart, tr("График"));
    auto* scroll = new QScrollArea(m_tabs);
    scroll->setWidgetResizable(true);
    auto* stack = new QWidget(scroll);
    m_channelLayout = new QVBoxLayout(stack);
    m_channelLayout->setContentsMargins(0, 0, 0, 0);
    m_channelLayout->setSpacing(2);
    scroll->setWidget(stack);
    m_tabs->addTab(scroll, tr("Графики"));
    m_tabs->addTab(tableTab(), tr("Таблица"));
    setCentralWidget(m_tabs);

    m_panel = new ComparisonPanel(*m_session, this);
    auto* panelDock = new QDockWidget(tr("Протоколы"), this);
    panelDock->setObjectName(QStringLiteral("protocolsDock"));
    panelDock->setWidget(m_panel);
    addDockWidget(Qt::LeftDockWidgetArea, panelDock);
    auto* statistics = new QDockWidget(tr("Статистика"), this);
    statistics->setObjectName(QStringLiteral("statisticsDock"));
    statistics->setWidget(statisticsDock());
    addDockWidget(Qt::BottomDockWidgetArea, statistics);

    connect(m_panel, &ComparisonPanel::alignmentChanged, this, &ComparisonWindow::showAlignment);
    connect(m_panel, &ComparisonPanel::differencesChanged, this, [this] {
        buildCharts();
        updateStatistics();
    });
    createActions();
    buildCharts();
    connectChart(m_chart);
    updateStatistics();
    // The charts get the room; the statistics need a few rows.
    resizeDocks({statistics}, {170}, Qt::Vertical);
    resizeDocks({panelDock}, {360}, Qt::Horizontal);
    if (parent)
        setGeometry(parent->geometry());
    else
        resize(1400, 900);
}

ComparisonWindow::~ComparisonWindow()
{
    // The charts let go of the curves before the session frees them.
    clearCharts();
    m_chart->clearChannels();
    m_table->setModel(nullptr);
}

QWidget* ComparisonWindow::tableTab()
{
    auto* tab = new QWidget(this);
    auto* layout = new QVBoxLayout(tab);
    auto* bar = new QHBoxLayout;
    m_filterOn = new QCheckBox(tr("Фильтр"), tab);
    m_filterCode = new QComboBox(tab);
    m_filterCode->addItem(tr("(без условия на значения)"));
    m_filterCode->addItems(m_session->comparison().codes());
    m_filterFrom = new QLineEdit(tab);
    m_filterTo = new QLineEdit(tab);
    m_filterFrom->setPlaceholderText(tr("от"));
    m_filterTo->setPlaceholderText(tr("до"));
    auto* timeFrom = new QLineEdit(tab);
    auto* timeTo = new QLineEdit(tab);
    timeFrom->setObjectName(QStringLiteral("timeFrom"));
    timeTo->setObjectName(QStringLiteral("timeTo"));
    timeFrom->setPlaceholderText(tr("с +00:00:00.000"));
    timeTo->setPlaceholderText(tr("по +00:00:00.000"));
    bar->addWidget(m_filterOn);
    bar->addWidget(new QLabel(tr("Канал:"), tab));
    bar->addWidget(m_filterCode);
    bar->addWidget(m_filterFrom);
    bar->addWidget(m_filterTo);
    bar->addWidget(new QLabel(tr("Время:"), tab));
    bar->addWidget(timeFrom);
    bar->addWidget(timeTo);
    bar->addStretch();
    layout->addLayout(bar);
    // Rows of equal height and nothing kept per row, as in the main table:
    // a comparison of millions of rows opens at once. The time stays in view.
    m_table = new FrozenColumnsTableView(tab);
    m_table->setObjectName(QStringLiteral("comparisonTable"));
    m_table->setFrozenColumnCount(1);
    m_table->horizontalHeader()->setDefaultSectionSize(110);
    m_table->setModel(m_session->tableModel());
    m_table->setColumnWidth(
        0, m_table->fontMetrics().horizontalAdvance(QStringLiteral("+000:00:00.000")) + 16);
    // The rows come in time order: the indicator says so before sorting is
    // on, which would otherwise sort them by its default, descending.
    m_table->horizontalHeader()->setSortIndicator(0, Qt::AscendingOrder);
    m_table->setSortingEnabled(true);
    layout->addWidget(m_table);
    connect(m_filterOn, &QCheckBox::toggled, this, &ComparisonWindow::applyFilter);
    for (QLineEdit* edit : {m_filterFrom, m_filterTo, timeFrom, timeTo})
        connect(edit, &QLineEdit::editingFinished, this, &ComparisonWindow::applyFilter);
    connect(m_filterCode, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &ComparisonWindow::applyFilter);
    return tab;
}

void ComparisonWindow::applyFilter()
{
    const auto* timeFrom = findChild<QLineEdit*>(QStringLiteral("timeFrom"));
    const auto* timeTo = findChild<QLineEdit*>(QStringLiteral("timeTo"));
    qint64 from = std::numeric_limits<qint64>::min();
    qint64 to = std::numeric_limits<qint64>::max();
    QStringList faults;
    if (!timeFrom->text().trimmed().isEmpty() &&
        !parseRelativeTime(timeFrom->text().trimmed(), from))
        faults << tr("начало времени не прочитано (+ЧЧ:ММ:СС.ммм)");
    if (!timeTo->text().trimmed().isEmpty() && !parseRelativeTime(timeTo->text().trimmed(), to))
        faults << tr("конец времени не прочитано (+ЧЧ:ММ:СС.ммм)");
    QVector<Range> ranges;
    if (m_filterCode->currentIndex() > 0) {
        Range range;
        range.name = m_filterCode->currentText();
        range.from = -std::numeric_limits<double>::infinity();
        range.to = std::numeric_limits<double>::infinity();
        if (!m_filterFrom->text().trimmed().isEmpty() &&
            !parseNumber(m_filterFrom->text(), range.from))
            faults << tr("нижняя граница не число");
        if (!m_filterTo->text().trimmed().isEmpty() && !parseNumber(m_filterTo->text(), range.to))
            faults << tr("верхняя граница не число");
        ranges.append(range);
    }
    if (!faults.isEmpty() && m_filterOn->isChecked())
        statusBar()->showMessage(tr("Фильтр: %1").arg(faults.join(QStringLiteral("; "))));
    else
        statusBar()->clearMessage();
    m_session->tableModel()->setFilter(m_filterOn->isChecked() && faults.isEmpty(), from, to,
                                       ranges);
}

QWidget* ComparisonWindow::statisticsDock()
{
    auto* box = new QWidget(this);
    auto* layout = new QVBoxLayout(box);
    auto* line = new QHBoxLayout;
    line->addWidget(new QLabel(tr("Канал:"), box));
    m_statisticsCode = new QComboBox(box);
    m_statisticsCode->addItems(m_session->comparison().codes());
    line->addWidget(m_statisticsCode);
    line->addStretch();
    layout->addLayout(line);
    m_statistics = new QTableWidget(box);
    m_statistics->setObjectName(QStringLiteral("comparisonStatistics"));
    m_statistics->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_statistics->setColumnCount(7);
    m_statistics->setHorizontalHeaderLabels({tr("Протокол"), tr("Записей"), tr("Мин"), tr("Макс"),
                                             tr("Среднее"), tr("СКЗ"), tr("Среднее − [1]")});
    m_statistics->verticalHeader()->hide();
    m_statistics->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(m_statistics);
    connect(m_statisticsCode, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &ComparisonWindow::updateStatistics);
    return box;
}

void ComparisonWindow::createActions()
{
    QToolBar* bar = addToolBar(tr("Сравнение"));
    bar->setObjectName(QStringLiteral("comparisonToolBar"));
    const auto add = [&](const QString& text, auto slot) {
        QAction* action = bar->addAction(text);
        connect(action, &QAction::triggered, this, slot);
        return action;
    };
    add(tr("Весь интервал"), &ComparisonWindow::showWholeSpan);
    add(tr("Сохранить таблицу…"), [this] {
        const QString name =
            askName(tr("Сохранить таблицу сравнения"), tr("Книга Excel (*.xlsx);;CSV (*.csv)"),
                    QStringLiteral("xlsx"));
        if (!name.isEmpty())
            saveTable(name);
    });
    add(tr("Сохранить график…"), [this] {
        const QString name =
            askName(tr("Сохранить график сравнения"),
                    tr("Рисунок PNG (*.png);;Рисунок SVG (*.svg)"), QStringLiteral("png"));
        if (!name.isEmpty())
            savePicture(name);
    });
    add(tr("Отчет PDF…"), [this] {
        const QString name =
            askName(tr("Сохранить отчет сравнения"), tr("PDF (*.pdf)"), QStringLiteral("pdf"));
        if (!name.isEmpty())
            savePdf(name);
    });
    add(tr("Сохранить проект…"), [this] {
        const QString name =
            askName(tr("Сохранить проект"), tr("Проект Voltrek (*.vtproj)"), ProjectFile::suffix());
        if (!name.isEmpty())
            saveProject(name);
    });
}

QString ComparisonWindow::askName(const QString& caption, const QString& filter,
                                  const QString& suffix)
{
    QString name = m_dialogs.getSaveFileName(this, caption, m_logDirectory, filter);
    if (!name.isEmpty() && QFileInfo(name).suffix().isEmpty())
        name += QLatin1Char('.') + suffix;
    return name;
}

void ComparisonWindow::clearCharts()
{
    // The per-channel charts share the common chart's data objects, which
    // the common chart deletes.
    m_aligner->clear();
    for (ChartProtocol* chart : qAsConst(m_channelCharts))
        delete chart;
    m_channelCharts.clear();
}

void ComparisonWindow::buildCharts()
{
    const double position = m_chart->scaleSettings().position;
    const double zoom = m_chart->zoom();
    const qint64 line = m_chart->lineValueX();
    const bool keepView = m_chart->channelCount() > 0;
    clearCharts();
    m_chart->clearChannels();
    QStringList codes;
    const QList<Channel> channels = comparisonChannels(*m_session, *m_palette, &codes);
    showComparison(*m_chart, *m_session, channels);
    QStringList names = codes;
    names.removeDuplicates();
    for (const QString& name : qAsConst(names)) {
        QList<Channel> own;
        for (int i = 0; i < channels.size(); ++i) {
            if (codes.at(i) == name)
                own.append(channels.at(i));
        }
        auto* chart = new ChartProtocol;
        chart->setObjectName(QStringLiteral("channelChart"));
        chart->setMinimumHeight(kLeastChannelChartHeight);
        showComparison(*chart, *m_session, own);
        m_channelLayout->addWidget(chart);
        m_channelCharts.append(chart);
        m_aligner->addChart(chart);
        connectChart(chart);
    }
    if (keepView) {
        m_chart->setZoom(zoom);
        m_chart->setPosition(position);
        m_chart->setLineValueX(line);
        follow(m_chart);
    }
}

void ComparisonWindow::connectChart(ChartProtocol* chart)
{
    connect(chart, qOverload<double>(&Chart::positionChanged), this,
            [this, chart] { follow(chart); });
    connect(chart, &ChartProtocol::zoomChanged, this, [this, chart] { follow(chart); });
    connect(chart, &ChartProtocol::lineValueXChanged, this, [this, chart] {
        follow(chart);
        updateStatistics();
    });
    connect(chart, &ChartProtocol::referenceXChanged, this, [this, chart] {
        follow(chart);
        updateStatistics();
    });
    connect(chart, &ChartProtocol::referenceCleared, this, [this, chart] {
        follow(chart);
        updateStatistics();
    });
    connect(chart, &ChartProtocol::protocolShiftDragged, this, &ComparisonWindow::dragShift);
    connect(chart, &ChartProtocol::protocolShiftDropped, this, &ComparisonWindow::dropShift);
}

void ComparisonWindow::follow(ChartProtocol* source)
{
    if (m_following)
        return;
    m_following = true;
    QList<ChartProtocol*> charts = m_channelCharts;
    charts.prepend(m_chart);
    for (ChartProtocol* chart : qAsConst(charts)) {
        if (chart == source)
            continue;
        chart->setZoom(source->zoom());
        chart->setPosition(source->scaleSettings().position);
        chart->setLineValueX(source->lineValueX());
        if (source->hasReference())
            chart->setReferenceX(source->referenceX());
        else
            chart->clearReference();
        chart->update();
    }
    m_following = false;
}

void ComparisonWindow::dragShift(int protocol, qint64 deltaMs)
{
    if (m_dragProtocol != protocol) {
        m_dragProtocol = protocol;
        m_dragStart = m_session->shift(protocol);
    }
    // The curves move right as the mouse does: the zero comes earlier.
    m_session->setShift(protocol, m_dragStart + deltaMs);
    const qint64 zero = m_session->zero(protocol);
    m_chart->setComparedZero(protocol, zero);
    m_chart->update();
    for (ChartProtocol* chart : qAsConst(m_channelCharts)) {
        chart->setComparedZero(protocol, zero);
        chart->update();
    }
}

void ComparisonWindow::dropShift(int protocol, qint64 deltaMs)
{
    dragShift(protocol, deltaMs);
    m_dragProtocol = -1;
    sessionChanged();
}

void ComparisonWindow::sessionChanged()
{
    m_session->rebuildRows();
    showAlignment();
}

void ComparisonWindow::showAlignment()
{
    m_panel->refresh();
    // Differences and zeros follow the new alignment.
    buildCharts();
    updateStatistics();
}

void ComparisonWindow::showWholeSpan()
{
    qint64 first = 0;
    qint64 last = 0;
    if (comparedSpan(*m_session, first, last))
        m_chart->showRange(double(first), double(last));
}

void ComparisonWindow::updateStatistics()
{
    const QString code = m_statisticsCode->currentText();
    if (code.isEmpty())
        return;
    qint64 from = m_chart->lineValueX();
    qint64 to = from;
    if (m_chart->hasReference()) {
        from = std::min(from, m_chart->referenceX());
        to = std::max(to, m_chart->referenceX());
    } else {
        // Without a second cursor: what the chart shows.
        const ScaleSettings& s = m_chart->scaleSettings();
        from = qint64(std::ceil(s.position));
        to = qint64(std::floor(s.position + s.visibleSpan));
    }
    QString title;
    for (const ComparisonSession::Curve& curve : m_session->curves()) {
        if (curve.code == code) {
            title = curve.title;
            break;
        }
    }
    const int decimals = m_chart->valueDecimals(title);
    const QVector<ComparisonSession::ProtocolStatistics> figures =
        m_session->statistics(code, from, to);
    m_statistics->setRowCount(figures.size());
    const auto number = [&](double value, int extra = 0) {
        return numbertext::decimalText(value, std::min(decimals + extra, 9));
    };
    const ComparisonSession::ProtocolStatistics* first =
        figures.isEmpty() || !figures.first().valid || figures.first().summary.count == 0
            ? nullptr
            : &figures.first();
    for (int row = 0; row < figures.size(); ++row) {
        const ComparisonSession::ProtocolStatistics& f = figures[row];
        const RangeSummary& s = f.summary;
        const bool any = f.valid && s.count > 0;
        QStringList cells{
            QStringLiteral("[%1] %2").arg(f.protocol + 1).arg(m_session->label(f.protocol)),
            f.valid ? QString::number(s.count) : tr("нет канала")};
        if (any) {
            cells << number(s.minimum) << number(s.maximum) << number(s.mean(), 2)
                  << number(s.rms(), 2);
            cells << (first && row > 0 ? number(s.mean() - first->summary.mean(), 2) : QString());
        }
        for (int column = 0; column < m_statistics->columnCount(); ++column)
            m_statistics->setItem(row, column, new QTableWidgetItem(cells.value(column)));
    }
    m_statistics->resizeColumnsToContents();
    m_statistics->setToolTip(
        tr("Записи с %1 по %2").arg(relativeTimeText(from), relativeTimeText(to)));
}

QStringList ComparisonWindow::statisticsLines() const
{
    QStringList lines;
    for (int row = 0; row < m_statistics->rowCount(); ++row) {
        QStringList cells;
        for (int column = 0; column < m_statistics->columnCount(); ++column) {
            const QTableWidgetItem* item = m_statistics->item(row, column);
            cells << (item ? item->text() : QString());
        }
        lines << cells.join(QLatin1Char('\t'));
    }
    return lines;
}

bool ComparisonWindow::report(const QString& fileName, const ReportResult& result)
{
    if (result) {
        statusBar()->showMessage(tr("Записано: %1").arg(QDir::toNativeSeparators(fileName)));
        return true;
    }
    m_dialogs.warning(
        this, tr("Внимание!"),
        tr("Файл %1 не записан: %2").arg(QDir::toNativeSeparators(fileName), result.error));
    return false;
}

bool ComparisonWindow::saveTable(const QString& fileName)
{
    const std::unique_ptr<ComparisonTable> table = m_session->reportTable();
    if (QFileInfo(fileName).suffix().compare(QLatin1String("csv"), Qt::CaseInsensitive) == 0)
        return report(fileName, saveCsvReport(*table, fileName));
    ProtocolChartRenderer renderer(*m_chart, m_table->font());
    return report(fileName,
                  saveExcelReport(*table, m_table->font(), renderer.workbookImage(), fileName));
}

bool ComparisonWindow::savePicture(const QString& fileName)
{
    ChartPictureOptions options;
    options.size = m_chart->size();
    ProtocolChartRenderer renderer(*m_chart, m_table->font());
    const ScaleSettings& s = m_chart->scaleSettings();
    return report(fileName, renderer.savePicture(options, qint64(s.position),
                                                 qint64(s.position + s.visibleSpan), windowTitle(),
                                                 fileName));
}

bool ComparisonWindow::savePdf(const QString& fileName)
{
    const std::unique_ptr<ComparisonTable> table = m_session->reportTable();
    ProtocolChartRenderer renderer(*m_chart, m_table->font());
    const QDateTime start = QDateTime::fromMSecsSinceEpoch(m_session->zero(0));
    return report(fileName, savePdfReport(*table, start, renderer.pdfDrawing(), fileName));
}

bool ComparisonWindow::saveProject(const QString& fileName)
{
    const ProjectFile project =
        ProjectFile::captureComparison(*m_session, fileName, m_logDirectory);
    QString error;
    if (!project.save(fileName, error)) {
        m_dialogs.warning(this, tr("Внимание!"), error);
        return false;
    }
    statusBar()->showMessage(tr("Проект сохранен: %1").arg(QDir::toNativeSeparators(fileName)));
    return true;
}
