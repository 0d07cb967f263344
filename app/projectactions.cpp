#include "app/projectactions.h"

#include "app/comparisonwindow.h"
#include "app/dialogs.h"
#include "app/mainwindow.h"
#include "app/rememberedplaces.h"
#include "chart/chartprotocol.h"
#include "parameters/chartparameters.h"
#include "parameters/settingsfile.h"
#include "protocol/streamloger.h"
#include "workspace/workspace.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QTabWidget>
#include <QTimer>

namespace {
const QString kTitle = QStringLiteral("Внимание!");

QString projectFilter()
{
    return QStringLiteral("Проект Voltrek (*.%1)").arg(ProjectFile::suffix());
}
} // namespace

ProjectActions::ProjectActions(MainWindow& window, Workspace& workspace,
                               std::unique_ptr<Dialogs>& dialogs)
    : QObject(&window), m_window(window), m_workspace(workspace), m_dialogs(dialogs)
{
    m_open = new QAction(tr("Открыть проект…"), &window);
    m_open->setObjectName(QStringLiteral("actOpenProject"));
    m_open->setToolTip(tr("Открыть сохраненный анализ: протоколы, каналы и вид графиков"));
    m_save = new QAction(tr("Сохранить проект…"), &window);
    m_save->setObjectName(QStringLiteral("actSaveProject"));
    m_save->setToolTip(tr("Сохранить анализ в файл проекта"));
    connect(m_open, &QAction::triggered, this, &ProjectActions::chooseAndOpen);
    connect(m_save, &QAction::triggered, this, &ProjectActions::chooseAndSave);
}

void ProjectActions::addToMenu(QMenu& file)
{
    QAction* first = file.actions().value(0);
    m_recent = new QMenu(tr("Недавние проекты"), &file);
    m_recent->setObjectName(QStringLiteral("menuRecentProjects"));
    m_recent->menuAction()->setObjectName(QStringLiteral("actRecentProjects"));
    file.insertAction(first, m_open);
    file.insertAction(first, m_save);
    file.insertMenu(first, m_recent);
    file.insertSeparator(first);
    connect(&file, &QMenu::aboutToShow, this, &ProjectActions::fillRecentMenu);
    fillRecentMenu();
}

void ProjectActions::fillRecentMenu()
{
    m_recent->clear();
    const QStringList recent = RememberedPlaces(settingsFilePath()).recentProjects();
    for (const QString& path : recent) {
        QAction* action = m_recent->addAction(QDir::toNativeSeparators(path));
        connect(action, &QAction::triggered, this, [this, path] {
            if (!QFileInfo(path).isFile())
                RememberedPlaces(settingsFilePath()).forgetRecentProject(path);
            open(path);
        });
    }
    m_recent->setEnabled(!recent.isEmpty());
}

void ProjectActions::chooseAndOpen()
{
    if (m_window.isReading() || !confirmClose())
        return;
    const QString start = m_path.isEmpty() ? QString() : QFileInfo(m_path).absolutePath();
    const QString path =
        m_dialogs->getOpenFileName(&m_window, tr("Открыть проект"), start, projectFilter());
    if (!path.isEmpty())
        open(path);
}

void ProjectActions::chooseAndSave()
{
    if (m_window.isReading())
        return;
    QString start = m_path;
    if (start.isEmpty() && !m_workspace.loadedFiles().isEmpty())
        start = QFileInfo(m_workspace.loadedFiles().first()).absolutePath();
    QString path =
        m_dialogs->getSaveFileName(&m_window, tr("Сохранить проект"), start, projectFilter());
    if (path.isEmpty())
        return;
    if (!ProjectFile::isProjectName(path))
        path += QLatin1Char('.') + ProjectFile::suffix();
    save(path);
}

ProjectFile ProjectActions::capture(const QString& path) const
{
    const QString definition = StreamLoger::instance()->definitionPath();
    ProjectFile project = ProjectFile::capture(
        m_workspace, path, definition.isEmpty() ? QString() : QFileInfo(definition).absolutePath());
    // What this version does not show travels on unchanged.
    project.unknown = m_loaded.unknown;
    if (const auto* chart = m_window.findChild<ChartProtocol*>(QStringLiteral("chart"))) {
        project.span = chart->scaleSettings().visibleSpan;
        // The colours shown, so that another machine's palette does not change them.
        for (const Channel& channel : chart->channels())
            project.colors.insert(channel.name(), channel.pen().color());
    }
    if (const auto* panel = m_window.findChild<ChartParameters*>())
        project.timeFilterOn = panel->isTimeFilterOn();
    if (const auto* tabs = m_window.findChild<QTabWidget*>(QStringLiteral("tabWidget")))
        project.tab = tabs->currentIndex();
    project.docks = m_window.saveState();
    return project;
}

bool ProjectActions::save(const QString& path)
{
    const ProjectFile project = capture(path);
    QString error;
    if (!project.save(path, error)) {
        m_dialogs->warning(&m_window, kTitle, error);
        return false;
    }
    m_loaded = project;
    remember(path);
    return true;
}

bool ProjectActions::open(const QString& path, const QStringList& others)
{
    if (m_window.isReading())
        return false;
    ProjectFile project;
    QString error;
    if (!ProjectFile::load(path, project, error)) {
        m_dialogs->warning(&m_window, kTitle, error);
        return false;
    }
    const QString directory = project.locateLogDirectory(path);
    if (hasLogDefinition(directory) && QDir(directory).absoluteFilePath(QStringLiteral(
                                           "log.def")) != StreamLoger::instance()->definitionPath())
        m_window.setupLoger(directory);
    m_workspace.setComputedOverrides(project.computed);
    if (!project.applyEvents(m_workspace, path, error))
        m_dialogs->warning(&m_window, kTitle, error);
    // Colours first: the read gives them to the charts and the panel's rows.
    for (auto it = project.colors.cbegin(); it != project.colors.cend(); ++it)
        m_workspace.view().setChannelColor(it.key(), it.value());
    const LocatedProtocols located = others.isEmpty() ? project.locate(path) : LocatedProtocols{};
    const QStringList& files = others.isEmpty() ? located.files : others;
    if (project.comparison.active)
        return openComparison(path, project, files, located);
    if (!files.isEmpty())
        m_window.readProtocols(files);
    if (m_workspace.isLoaded()) {
        project.applyView(m_workspace.view());
        if (auto* panel = m_window.findChild<ChartParameters*>()) {
            panel->showFilter(project.timeFilterOn, project.timeFrom, project.timeTo,
                              project.valueRanges);
            // The filter reaches the table as the button "Фильтр" takes it there.
            if (project.filterOn)
                if (auto* filter = m_window.findChild<QAction*>(QStringLiteral("actFilter")))
                    filter->trigger();
        }
    }
    // Once the window is laid out (start-up shows it after this), and after
    // the docks were fitted to their new rows.
    if (!project.docks.isEmpty())
        QTimer::singleShot(0, &m_window, [window = &m_window, docks = project.docks] {
            window->restoreState(docks);
        });
    auto* tabs = m_window.findChild<QTabWidget*>(QStringLiteral("tabWidget"));
    if (tabs && project.tab >= 0 && project.tab < tabs->count())
        tabs->setCurrentIndex(project.tab);
    if (!located.problemText().isEmpty())
        m_dialogs->warning(&m_window, kTitle,
                           QStringLiteral("Проект %1:\n\n%2")
                               .arg(QDir::toNativeSeparators(path), located.problemText()));
    m_loaded = project;
    remember(path);
    return true;
}

bool ProjectActions::openComparison(const QString& path, const ProjectFile& project,
                                    const QStringList& files, const LocatedProtocols& located)
{
    QStringList problems;
    if (!located.problemText().isEmpty())
        problems << located.problemText();
    // A protocol missing from the middle would shift every later one's rule.
    if (ComparisonWindow* window =
            located.missing.isEmpty()
                ? m_window.compareProtocols(files, MainWindow::Definition::Applied)
                : nullptr) {
        problems << project.applyComparison(window->session());
        window->sessionChanged();
    } else if (!located.missing.isEmpty()) {
        problems << QStringLiteral("Сравнение не открыто: нет всех его протоколов.");
    }
    if (!problems.isEmpty())
        m_dialogs->warning(
            &m_window, kTitle,
            QStringLiteral("Проект %1:\n\n%2")
                .arg(QDir::toNativeSeparators(path), problems.join(QLatin1Char('\n'))));
    RememberedPlaces(settingsFilePath()).addRecentProject(QFileInfo(path).absoluteFilePath());
    return true;
}

void ProjectActions::remember(const QString& path)
{
    m_path = QFileInfo(path).absoluteFilePath();
    m_saved = comparable(capture(m_path));
    RememberedPlaces(settingsFilePath()).addRecentProject(m_path);
}

QJsonObject ProjectActions::comparable(const ProjectFile& project) const
{
    QJsonObject object = project.toJson();
    QJsonObject window = object.value(QStringLiteral("window")).toObject();
    window.remove(QStringLiteral("docks"));
    object.insert(QStringLiteral("window"), window);
    return object;
}

bool ProjectActions::confirmClose()
{
    if (m_path.isEmpty() || comparable(capture(m_path)) == m_saved)
        return true;
    switch (m_dialogs->questionOrCancel(
        &m_window, tr("Проект изменен"),
        tr("Сохранить изменения в проекте %1?").arg(QDir::toNativeSeparators(m_path)))) {
    case QMessageBox::Yes:
        return save(m_path);
    case QMessageBox::No:
        return true;
    default:
        return false;
    }
}
