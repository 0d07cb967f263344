#include "workspace/projectfile.h"

#include "compare/comparison.h"
#include "compare/comparisonsession.h"
#include "events/eventfile.h"
#include "protocol/protocolformat.h"
#include "reports/reportfile.h"
#include "table/localclock.h"
#include "workspace/viewstate.h"
#include "workspace/workspace.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>

#include <algorithm>
#include <cmath>

namespace {
// Every key this version reads; the others are kept as they came.
const QStringList& knownKeys()
{
    static const QStringList keys = {
        QStringLiteral("format"),    QStringLiteral("version"),   QStringLiteral("logDirectory"),
        QStringLiteral("protocols"), QStringLiteral("channels"),  QStringLiteral("computed"),
        QStringLiteral("view"),      QStringLiteral("filter"),    QStringLiteral("window"),
        QStringLiteral("events"),    QStringLiteral("comparison")};
    return keys;
}

const QString kFormat = QStringLiteral("voltrek-project");

QString dateText(const QDateTime& time)
{
    return time.isValid() ? time.toString(Qt::ISODateWithMs) : QString();
}

QDateTime dateFrom(const QJsonValue& value)
{
    return QDateTime::fromString(value.toString(), Qt::ISODateWithMs);
}

// An instant with the UTC offset it had here, so that a time in the hour
// the clocks repeat in autumn reads back as the one it was.
QString instantText(const QDateTime& time)
{
    return time.isValid() ? localclock::isoText(time.toMSecsSinceEpoch()) : QString();
}

// Also reads the local times without an offset that older versions wrote
// (a repeated hour as its first occurrence).
QDateTime instantFrom(const QJsonValue& value)
{
    qint64 msecs = 0;
    if (localclock::parseIso(value.toString(), msecs) != localclock::Result::Instant)
        return QDateTime();
    return QDateTime::fromMSecsSinceEpoch(msecs);
}

const QStringList& comparisonKeys()
{
    static const QStringList keys = {QStringLiteral("active"), QStringLiteral("rules"),
                                     QStringLiteral("shifts"), QStringLiteral("differences"),
                                     QStringLiteral("formulas")};
    return keys;
}

// Differences name protocol k as it is shown, from 1.
QJsonObject comparisonJson(const ProjectComparison& comparison, QJsonObject object)
{
    QJsonArray rules;
    for (const AlignmentRule& rule : comparison.rules)
        rules.append(rule.option());
    QJsonArray shifts;
    for (const qint64 shift : comparison.shifts)
        shifts.append(double(shift));
    QJsonArray differences;
    for (const auto& difference : comparison.differences)
        differences.append(QJsonObject{{QStringLiteral("channel"), difference.first},
                                       {QStringLiteral("protocol"), difference.second + 1}});
    object.insert(QStringLiteral("active"), comparison.active);
    object.insert(QStringLiteral("rules"), rules);
    object.insert(QStringLiteral("shifts"), shifts);
    object.insert(QStringLiteral("differences"), differences);
    object.insert(QStringLiteral("formulas"), QJsonArray::fromStringList(comparison.formulas));
    return object;
}

ProjectComparison comparisonFrom(const QJsonObject& object)
{
    ProjectComparison comparison;
    comparison.active = object.value(QStringLiteral("active")).toBool();
    for (const QJsonValue& value : object.value(QStringLiteral("rules")).toArray()) {
        // A rule this version cannot read leaves its protocol at its start.
        AlignmentRule rule;
        AlignmentRule::parse(value.toString(), rule);
        comparison.rules.append(rule);
    }
    for (const QJsonValue& value : object.value(QStringLiteral("shifts")).toArray())
        comparison.shifts.append(value.isDouble() ? qint64(value.toDouble()) : 0);
    for (const QJsonValue& value : object.value(QStringLiteral("differences")).toArray()) {
        const QJsonObject entry = value.toObject();
        const QString code = entry.value(QStringLiteral("channel")).toString();
        const int protocol = entry.value(QStringLiteral("protocol")).toInt(0) - 1;
        if (!code.isEmpty() && protocol >= 1)
            comparison.differences.append({code, protocol});
    }
    for (const QJsonValue& value : object.value(QStringLiteral("formulas")).toArray()) {
        if (value.isString())
            comparison.formulas.append(value.toString());
    }
    return comparison;
}

// Positions and ticks go as numbers: a double holds every tick exactly.
qint64 tickFrom(const QJsonValue& value, qint64 fallback = 0)
{
    return value.isDouble() ? qint64(value.toDouble()) : fallback;
}

QDateTime headerStart(const QString& file)
{
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly))
        return QDateTime();
    const QByteArray bytes = in.read(kProtocolHeaderSize);
    if (bytes.size() < kProtocolHeaderSize)
        return QDateTime();
    return protocolformat::startOf(
        protocolformat::decodeHeader(reinterpret_cast<const uchar*>(bytes.constData())));
}

QString inProjectDir(const QString& projectPath, const QString& relative)
{
    if (relative.isEmpty())
        return QString();
    return QDir::cleanPath(QFileInfo(projectPath).absoluteDir().filePath(relative));
}
} // namespace

QString LocatedProtocols::problemText() const
{
    QStringList lines;
    if (!missing.isEmpty())
        lines.append(QStringLiteral("Не найдены протоколы проекта (открыт без них):\n%1")
                         .arg(missing.join(QLatin1Char('\n'))));
    if (!changed.isEmpty())
        lines.append(QStringLiteral("Протоколы изменились после сохранения проекта "
                                    "(другое начало или размер):\n%1")
                         .arg(changed.join(QLatin1Char('\n'))));
    return lines.join(QStringLiteral("\n\n"));
}

bool ProjectFile::isProjectName(const QString& fileName)
{
    return fileName.endsWith(QLatin1Char('.') + suffix(), Qt::CaseInsensitive);
}

ProjectProtocol ProjectFile::describe(const QString& file, const QString& projectDir)
{
    const QFileInfo info(file);
    ProjectProtocol protocol;
    protocol.absolute = info.absoluteFilePath();
    protocol.relative = QDir(projectDir).relativeFilePath(protocol.absolute);
    protocol.start = headerStart(file);
    protocol.size = info.exists() ? info.size() : -1;
    return protocol;
}

void ProjectFile::setLogDirectory(const QString& directory, const QString& projectDir)
{
    if (directory.isEmpty())
        return;
    logDirectory = QDir(directory).absolutePath();
    logDirectoryRelative = QDir(projectDir).relativeFilePath(logDirectory);
}

ProjectFile ProjectFile::capture(const Workspace& workspace, const QString& projectPath,
                                 const QString& logDirectory)
{
    ProjectFile project;
    const QString projectDir = QFileInfo(projectPath).absolutePath();
    project.setLogDirectory(logDirectory, projectDir);
    for (const QString& file : workspace.loadedFiles())
        project.protocols.append(describe(file, projectDir));
    const ViewState& view = workspace.view();
    project.hiddenChannels = view.hiddenChannels();
    project.colors = view.channelColors();
    project.computed = workspace.computedInUse();
    project.position = view.position();
    project.zoom = view.zoom();
    project.line = view.line();
    project.hasReference = view.hasReference();
    project.reference = view.reference();
    project.filterOn = view.isFilterOn();
    project.timeFilterOn = view.isFilterOn() && view.valueRanges().isEmpty();
    project.timeFrom = view.timeFrom();
    project.timeTo = view.timeTo();
    project.valueRanges = view.valueRanges();
    const EventDefinitions events = workspace.eventDefinitions();
    if (!events.empty())
        project.events = EventFile::toJson(events);
    return project;
}

ProjectFile ProjectFile::captureComparison(const ComparisonSession& session,
                                           const QString& projectPath, const QString& logDirectory)
{
    ProjectFile project;
    const QString projectDir = QFileInfo(projectPath).absolutePath();
    project.setLogDirectory(logDirectory, projectDir);
    for (const QString& file : session.files())
        project.protocols.append(describe(file, projectDir));
    ProjectComparison& comparison = project.comparison;
    comparison.active = true;
    for (int p = 0; p < session.protocolCount(); ++p) {
        comparison.rules.append(session.rule(p));
        comparison.shifts.append(session.shift(p));
    }
    for (const ComparisonSession::DifferenceCurve& difference : session.differences())
        comparison.differences.append({difference.code, difference.protocol});
    for (const ComparisonSession::FormulaCurve& formula : session.formulas())
        comparison.formulas.append(formula.name + QLatin1Char('=') + formula.expression);
    return project;
}

QStringList ProjectFile::applyComparison(ComparisonSession& session) const
{
    QStringList lines;
    const auto fileOf = [&session](int protocol) {
        return QDir::toNativeSeparators(session.files().value(protocol));
    };
    // The shifts first: a rule's rebuild of the rows then has them.
    bool moved = false;
    for (int p = 0; p < comparison.shifts.size() && p < session.protocolCount(); ++p) {
        moved = moved || session.shift(p) != comparison.shifts.at(p);
        session.setShift(p, comparison.shifts.at(p));
    }
    bool rebuilt = false;
    for (int p = 0; p < comparison.rules.size() && p < session.protocolCount(); ++p) {
        const AlignmentRule& rule = comparison.rules.at(p);
        if (rule == session.rule(p))
            continue;
        QString error;
        if (session.setRule(p, rule, error))
            rebuilt = true;
        else
            lines.append(
                QStringLiteral("%1: не совмещен по %2: %3").arg(fileOf(p), rule.option(), error));
    }
    if (moved && !rebuilt)
        session.rebuildRows();
    for (const auto& difference : comparison.differences) {
        const bool present = std::any_of(
            session.differences().begin(), session.differences().end(),
            [&difference](const ComparisonSession::DifferenceCurve& shown) {
                return shown.code == difference.first && shown.protocol == difference.second;
            });
        if (!present && !session.addDifference(difference.first, difference.second))
            lines.append(
                QStringLiteral("%1: разность %2 не восстановлена: нет канала %3 в нем или в "
                               "первом протоколе")
                    .arg(difference.second < session.protocolCount() ? fileOf(difference.second)
                                                                     : QStringLiteral("?"),
                         Comparison::differenceTitle(difference.first, difference.second),
                         difference.first));
    }
    for (const QString& formula : comparison.formulas) {
        QString error;
        if (!session.addFormula(formula, error))
            lines.append(QStringLiteral("формула %1 не восстановлена: %2").arg(formula, error));
    }
    return lines;
}

bool ProjectFile::applyEvents(Workspace& workspace, const QString& path, QString& error) const
{
    if (events.isUndefined())
        return true;
    EventDefinitions definitions;
    QString why;
    if (!events.isArray() || !EventFile::fromJson(events.toArray(), definitions, why)) {
        error = QStringLiteral("%1: определения событий не прочитаны: %2")
                    .arg(QDir::toNativeSeparators(path),
                         why.isEmpty() ? QStringLiteral("это не список") : why);
        return false;
    }
    workspace.setEventDefinitions(definitions);
    return true;
}

QJsonObject ProjectFile::toJson() const
{
    QJsonObject object = unknown;
    object.insert(QStringLiteral("format"), kFormat);
    object.insert(QStringLiteral("version"), kFormatVersion);
    object.insert(QStringLiteral("logDirectory"),
                  QJsonObject{{QStringLiteral("relative"), logDirectoryRelative},
                              {QStringLiteral("absolute"), logDirectory}});
    QJsonArray files;
    for (const ProjectProtocol& protocol : protocols)
        files.append(QJsonObject{{QStringLiteral("relative"), protocol.relative},
                                 {QStringLiteral("absolute"), protocol.absolute},
                                 {QStringLiteral("start"), dateText(protocol.start)},
                                 {QStringLiteral("size"), double(protocol.size)}});
    object.insert(QStringLiteral("protocols"), files);

    QJsonObject colorObject;
    for (auto it = colors.cbegin(); it != colors.cend(); ++it)
        colorObject.insert(it.key(), it.value().name());
    object.insert(
        QStringLiteral("channels"),
        QJsonObject{{QStringLiteral("hidden"), QJsonArray::fromStringList(hiddenChannels)},
                    {QStringLiteral("colors"), colorObject}});

    QJsonArray computedArray;
    for (const ComputedChannel& channel : computed)
        computedArray.append(QJsonObject{{QStringLiteral("code"), channel.code},
                                         {QStringLiteral("name"), channel.name},
                                         {QStringLiteral("decimals"), channel.decimals},
                                         {QStringLiteral("formula"), channel.formula}});
    object.insert(QStringLiteral("computed"), computedArray);

    QJsonObject viewObject{{QStringLiteral("position"), position},
                           {QStringLiteral("zoom"), zoom},
                           {QStringLiteral("span"), span},
                           {QStringLiteral("line"), double(line)}};
    if (hasReference)
        viewObject.insert(QStringLiteral("reference"), double(reference));
    object.insert(QStringLiteral("view"), viewObject);

    QJsonArray rangeArray;
    for (const Range& range : valueRanges)
        rangeArray.append(QJsonObject{{QStringLiteral("channel"), range.name},
                                      {QStringLiteral("from"), range.from},
                                      {QStringLiteral("to"), range.to}});
    object.insert(QStringLiteral("filter"),
                  QJsonObject{{QStringLiteral("on"), filterOn},
                              {QStringLiteral("timeOn"), timeFilterOn},
                              {QStringLiteral("from"), instantText(timeFrom)},
                              {QStringLiteral("to"), instantText(timeTo)},
                              {QStringLiteral("ranges"), rangeArray}});
    QJsonObject window = unknown.value(QStringLiteral("window")).toObject();
    window.insert(QStringLiteral("tab"), tab);
    window.insert(QStringLiteral("docks"), QString::fromLatin1(docks.toBase64()));
    object.insert(QStringLiteral("window"), window);
    if (!events.isUndefined())
        object.insert(QStringLiteral("events"), events);
    // A project without a comparison gets no key for it (a newer version's
    // keys inside it still go back).
    const QJsonObject comparisonRest = unknown.value(QStringLiteral("comparison")).toObject();
    if (!comparison.isEmpty())
        object.insert(QStringLiteral("comparison"), comparisonJson(comparison, comparisonRest));
    return object;
}

ProjectFile ProjectFile::fromJson(const QJsonObject& object)
{
    ProjectFile project;
    for (auto it = object.constBegin(); it != object.constEnd(); ++it) {
        if (!knownKeys().contains(it.key()))
            project.unknown.insert(it.key(), it.value());
    }
    const QJsonObject log = object.value(QStringLiteral("logDirectory")).toObject();
    project.logDirectory = log.value(QStringLiteral("absolute")).toString();
    project.logDirectoryRelative = log.value(QStringLiteral("relative")).toString();
    for (const QJsonValue& value : object.value(QStringLiteral("protocols")).toArray()) {
        const QJsonObject file = value.toObject();
        ProjectProtocol protocol;
        protocol.relative = file.value(QStringLiteral("relative")).toString();
        protocol.absolute = file.value(QStringLiteral("absolute")).toString();
        protocol.start = dateFrom(file.value(QStringLiteral("start")));
        protocol.size = tickFrom(file.value(QStringLiteral("size")), -1);
        if (!protocol.relative.isEmpty() || !protocol.absolute.isEmpty())
            project.protocols.append(protocol);
    }
    const QJsonObject channels = object.value(QStringLiteral("channels")).toObject();
    for (const QJsonValue& title : channels.value(QStringLiteral("hidden")).toArray())
        project.hiddenChannels.append(title.toString());
    const QJsonObject colorObject = channels.value(QStringLiteral("colors")).toObject();
    for (auto it = colorObject.constBegin(); it != colorObject.constEnd(); ++it) {
        const QColor color(it.value().toString());
        if (color.isValid())
            project.colors.insert(it.key(), color);
    }
    for (const QJsonValue& value : object.value(QStringLiteral("computed")).toArray()) {
        const QJsonObject entry = value.toObject();
        ComputedChannel channel;
        channel.code = entry.value(QStringLiteral("code")).toString();
        channel.name = entry.value(QStringLiteral("name")).toString();
        channel.decimals = qBound(0, entry.value(QStringLiteral("decimals")).toInt(2),
                                  ComputedChannel::maxDecimals);
        channel.formula = entry.value(QStringLiteral("formula")).toString();
        if (!channel.code.isEmpty() && !channel.formula.isEmpty())
            project.computed.push_back(channel);
    }
    const QJsonObject view = object.value(QStringLiteral("view")).toObject();
    project.position = view.value(QStringLiteral("position")).toDouble(0);
    project.zoom = view.value(QStringLiteral("zoom")).toDouble(1.0);
    if (!(project.zoom > 0))
        project.zoom = 1.0;
    project.span = view.value(QStringLiteral("span")).toDouble(0);
    project.line = tickFrom(view.value(QStringLiteral("line")));
    project.hasReference = view.value(QStringLiteral("reference")).isDouble();
    project.reference = tickFrom(view.value(QStringLiteral("reference")));
    const QJsonObject filter = object.value(QStringLiteral("filter")).toObject();
    project.filterOn = filter.value(QStringLiteral("on")).toBool();
    project.timeFilterOn = filter.value(QStringLiteral("timeOn")).toBool();
    project.timeFrom = instantFrom(filter.value(QStringLiteral("from")));
    project.timeTo = instantFrom(filter.value(QStringLiteral("to")));
    for (const QJsonValue& value : filter.value(QStringLiteral("ranges")).toArray()) {
        const QJsonObject entry = value.toObject();
        project.valueRanges.append({entry.value(QStringLiteral("channel")).toString(),
                                    entry.value(QStringLiteral("from")).toDouble(),
                                    entry.value(QStringLiteral("to")).toDouble()});
    }
    const QJsonObject window = object.value(QStringLiteral("window")).toObject();
    project.tab = window.value(QStringLiteral("tab")).toInt(-1);
    project.docks =
        QByteArray::fromBase64(window.value(QStringLiteral("docks")).toString().toLatin1());
    // The window's keys of a newer version go back with it.
    QJsonObject windowRest = window;
    windowRest.remove(QStringLiteral("tab"));
    windowRest.remove(QStringLiteral("docks"));
    if (!windowRest.isEmpty())
        project.unknown.insert(QStringLiteral("window"), windowRest);
    if (object.contains(QStringLiteral("events")))
        project.events = object.value(QStringLiteral("events"));
    const QJsonObject comparison = object.value(QStringLiteral("comparison")).toObject();
    project.comparison = comparisonFrom(comparison);
    QJsonObject comparisonRest = comparison;
    for (const QString& key : comparisonKeys())
        comparisonRest.remove(key);
    if (!comparisonRest.isEmpty())
        project.unknown.insert(QStringLiteral("comparison"), comparisonRest);
    return project;
}

bool ProjectFile::load(const QString& path, ProjectFile& project, QString& error)
{
    const QString shown = QDir::toNativeSeparators(path);
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly)) {
        error = QFileInfo::exists(path)
                    ? QStringLiteral("Проект %1 не прочитан: файл не открывается").arg(shown)
                    : QStringLiteral("Проект %1 не прочитан: файла нет").arg(shown);
        return false;
    }
    QJsonParseError parse;
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &parse);
    if (parse.error != QJsonParseError::NoError || !document.isObject()) {
        error = QStringLiteral("Проект %1 не прочитан: это не JSON (ошибка в байте %2)")
                    .arg(shown)
                    .arg(parse.offset);
        return false;
    }
    const QJsonObject object = document.object();
    if (object.value(QStringLiteral("format")).toString() != kFormat) {
        error = QStringLiteral("Проект %1 не прочитан: это не файл проекта Voltrek").arg(shown);
        return false;
    }
    project = fromJson(object);
    return true;
}

bool ProjectFile::save(const QString& path, QString& error) const
{
    ReportFile file(path);
    ReportResult result = file.open();
    if (result) {
        file.device().write(QJsonDocument(toJson()).toJson(QJsonDocument::Indented));
        result = file.commit();
    }
    if (!result)
        error = QStringLiteral("Проект %1 не сохранен: %2")
                    .arg(QDir::toNativeSeparators(path), result.error);
    return bool(result);
}

LocatedProtocols ProjectFile::locate(const QString& projectPath) const
{
    LocatedProtocols located;
    for (const ProjectProtocol& protocol : protocols) {
        const QString beside = inProjectDir(projectPath, protocol.relative);
        QString found;
        if (!beside.isEmpty() && QFileInfo(beside).isFile())
            found = beside;
        else if (!protocol.absolute.isEmpty() && QFileInfo(protocol.absolute).isFile())
            found = protocol.absolute;
        const QString named =
            QDir::toNativeSeparators(protocol.absolute.isEmpty() ? beside : protocol.absolute);
        if (found.isEmpty()) {
            located.missing.append(named);
            continue;
        }
        located.files.append(found);
        const bool sameSize = protocol.size < 0 || QFileInfo(found).size() == protocol.size;
        const bool sameStart = !protocol.start.isValid() || headerStart(found) == protocol.start;
        if (!sameSize || !sameStart)
            located.changed.append(QDir::toNativeSeparators(found));
    }
    return located;
}

QString ProjectFile::locateLogDirectory(const QString& projectPath) const
{
    const QString beside = inProjectDir(projectPath, logDirectoryRelative);
    if (!beside.isEmpty() && QFileInfo(beside).isDir())
        return beside;
    if (!logDirectory.isEmpty() && QFileInfo(logDirectory).isDir())
        return logDirectory;
    return QString();
}

QString ProjectFile::logDirectoryOf(const QString& path)
{
    ProjectFile project;
    QString error;
    return load(path, project, error) ? project.locateLogDirectory(path) : QString();
}

void ProjectFile::applyView(ViewState& view) const
{
    for (auto it = colors.cbegin(); it != colors.cend(); ++it)
        view.setChannelColor(it.key(), it.value());
    for (const QString& title : hiddenChannels)
        view.setChannelShown(title, false);
    view.setZoom(zoom);
    view.setPosition(position);
    view.setLine(line);
    if (hasReference)
        view.setReference(reference);
    else
        view.clearReference();
    view.setValueRanges(valueRanges);
    view.setFilter(filterOn, timeFrom, timeTo);
}

qint64 ProjectFile::firstShownTick() const
{
    return qint64(std::floor(position));
}

qint64 ProjectFile::lastShownTick() const
{
    return qint64(std::ceil(position + span));
}
