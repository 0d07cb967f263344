#include "workspace/workspace.h"

#include "export/assemblyexportsource.h"
#include "export/dataexport.h"

#include "formula/computedchannelfile.h"
#include "formula/formulacheck.h"
#include "protocol/channellookup.h"
#include "protocol/protocolformat.h"
#include "protocol/streamloger.h"
#include "reports/csvreport.h"
#include "reports/excelreport.h"
#include "reports/failuretext.h"
#include "reports/pdfreport.h"
#include "reports/protocolreporttable.h"
#include "reports/timerangetable.h"
#include "table/protocolassembly.h"
#include "table/protocoltablemodel.h"
#include "workspace/channelcolumns.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

Workspace::Workspace(StreamLoger* logger, QObject* parent)
    : QObject(parent), m_logger(logger ? logger : StreamLoger::instance()),
      m_tableModel(new ProtocolTableModel(this))
{
}

Workspace::~Workspace()
{
    // The model must not outlive the data it reads in place.
    m_tableModel->setAssembly(nullptr);
}

int Workspace::rowCount() const
{
    return m_tableModel->allRowCount();
}

QDateTime Workspace::startDateTime() const
{
    return m_assembly ? m_assembly->commonStart() : QDateTime();
}

quint16 Workspace::tickMs() const
{
    return m_assembly ? m_assembly->tickMs() : 0;
}

void Workspace::clear()
{
    emit cleared();
    // The bookmarks of the old view stay in their files.
    m_bookmarks.clear();
    m_bookmarkProblems.clear();
    m_tableModel->setAssembly(nullptr);
    m_assembly.reset();
    m_loadedFiles.clear();
    m_firstTick = 0;
    m_lastTick = 0;
}

Workspace::ReadResult Workspace::read(const QStringList& files, const ReadProgress& progress,
                                      const QList<ReadProblem>& earlier)
{
    m_readProblems = earlier;
    m_tickMismatch = false;
    clear();
    const ReadResult result = readFiles(files, progress);
    if (result == ReadResult::Loaded)
        emit loaded();
    return result;
}

Workspace::ReadResult Workspace::readFiles(const QStringList& files, const ReadProgress& progress)
{
    const auto proceed = [&progress] { return !progress.proceed || progress.proceed(); };
    const int n = int(files.size());
    if (progress.start)
        progress.start(2 * n + 1);

    // Reading: each file on its own, onto one time base. The memory check of
    // each read counts the columns computed afterwards.
    const ComputedChannels computed = computedForAssembly();
    m_logger->setComputedColumns(int(computed.size()));
    auto assembly = std::make_unique<ProtocolAssembly>();
    QStringList loadedPaths; // by protocol of the assembly
    for (int k = 0; k < n; ++k) {
        if (progress.step)
            progress.step(k);
        if (!proceed())
            return ReadResult::Cancelled;
        if (!m_logger->openProtocol(0, 0, files.at(k))) {
            m_readProblems.append(m_logger->readProblem());
            continue;
        }
        ProtocolColumns columns = m_logger->readProtocolColumns();
        const ReadProblem unknownChannels = m_logger->channelProblem();
        const QString path = m_logger->readProblem().file;
        m_logger->closeProtocol();
        if (!proceed())
            return ReadResult::Cancelled;
        ReadProblem problem = m_logger->readProblem();
        if (columns.isEmpty() && problem.isNone())
            problem.kind = ReadProblem::Kind::NoRecords;
        QDateTime start;
        quint16 tickMs = 0;
        m_logger->protocolTimeBase(start, tickMs);
        const ProtocolAssembly::AddResult added =
            columns.isEmpty() ? ProtocolAssembly::AddResult::Skipped
                              : assembly->addProtocol(start, tickMs, std::move(columns), path);
        if (added == ProtocolAssembly::AddResult::TickMismatch) {
            m_tickMismatch = true;
            return ReadResult::TickMismatch;
        }
        if (added == ProtocolAssembly::AddResult::Skipped && problem.isNone())
            problem.kind = ReadProblem::Kind::NoTimeBase;
        if (!problem.isNone())
            m_readProblems.append(problem);
        if (added == ProtocolAssembly::AddResult::Added && !unknownChannels.isNone())
            m_readProblems.append(unknownChannels);
        if (added == ProtocolAssembly::AddResult::Added)
            loadedPaths.append(files.at(k));
    }
    if (assembly->protocolCount() == 0)
        return ReadResult::Nothing;

    assembly->setComputedChannels(computed);
    // The table reads the assembled columns in place, so building is all
    // there is to the table phase.
    const bool built = assembly->build([&](int protocol) {
        if (progress.step)
            progress.step(n + protocol);
        if (progress.phase)
            progress.phase(assembly->recordCount(protocol),
                           tr("Добавление в таблицу данных каналов"));
        return proceed();
    });
    if (!built)
        return ReadResult::Cancelled;
    if (assembly->rowCount() == 0)
        return ReadResult::Nothing;

    m_assembly = std::move(assembly);
    m_loadedFiles = loadedPaths;
    m_tableModel->setAssembly(m_assembly.get());
    m_firstTick = m_tableModel->tick(m_tableModel->globalRowAt(0));
    m_lastTick = m_tableModel->tick(m_tableModel->globalRowAt(m_tableModel->allRowCount() - 1));
    restoreBookmarks(loadedPaths);
    return ReadResult::Loaded;
}

QStringList Workspace::protocolDescriptions() const
{
    QStringList descriptions;
    for (const QString& path : m_loadedFiles) {
        QFile file(m_logger->protocolDir().absoluteFilePath(path));
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const QByteArray bytes = file.read(kProtocolHeaderSize);
        if (bytes.size() == kProtocolHeaderSize)
            descriptions.append(protocolformat::description(
                protocolformat::decodeHeader(reinterpret_cast<const uchar*>(bytes.constData()))));
    }
    return descriptions;
}

// Computed channels.

void Workspace::loadComputedChannels(const QString& directory)
{
    m_computedPath = ComputedChannelFile::pathIn(directory);
    QString error;
    ComputedChannelFile::load(m_computedPath, m_computed, error);
    m_computedFileProblem = failuretext::withRussianCause(error, m_computedPath, false);
}

const ComputedCheck& Workspace::checkComputed(const ComputedChannels& channels)
{
    return m_computedCheck.check(channels, m_logger->codes());
}

void Workspace::setComputedOverrides(const ComputedChannels& channels)
{
    m_formulaOptions = withOverrides(m_formulaOptions, channels);
}

QString Workspace::setFormulaOptions(const QStringList& options)
{
    QStringList faults;
    if (!parseFormulaOptions(options, m_formulaOptions, faults))
        return faults.join(QLatin1Char('\n'));

    const ComputedChannels all = withOverrides(m_computed, m_formulaOptions);
    const ComputedCheck& check = checkComputed(all);
    for (size_t k = 0; k < check.refused.size(); ++k) {
        const ComputedChannel& channel = all[size_t(check.refused[k])];
        const bool given =
            std::any_of(m_formulaOptions.begin(), m_formulaOptions.end(),
                        [&](const ComputedChannel& c) { return c.code == channel.code; });
        const QString source = given ? QStringLiteral("«%1=%2»").arg(channel.code, channel.formula)
                                     : QStringLiteral("«%1=%2» из файла %3")
                                           .arg(channel.code, channel.formula,
                                                QDir::toNativeSeparators(m_computedPath));
        faults.append(
            QStringLiteral("неверная формула %1: %2").arg(source, check.problems.at(int(k))));
    }
    return faults.join(QLatin1Char('\n'));
}

bool Workspace::saveComputedChannels(const ComputedChannels& channels, QString& error)
{
    if (!ComputedChannelFile::save(m_computedPath, channels, error)) {
        error = failuretext::withRussianCause(error, m_computedPath, true);
        return false;
    }
    m_computed = channels;
    m_computedFileProblem.clear();
    return true;
}

ComputedChannels Workspace::computedForAssembly()
{
    const ComputedChannels ordered =
        checkComputed(withOverrides(m_computed, m_formulaOptions)).ordered;
    // Scales, value box, palette and statistics ask the catalogue by code.
    QVector<ChannelLookup::AddedChannel> added;
    for (const ComputedChannel& channel : ordered)
        added.append({channel.code, channel.name, channel.decimals});
    ChannelLookup::setAddedChannels(added);
    return ordered;
}

// Bookmarks.

void Workspace::restoreBookmarks(const QStringList& paths)
{
    const ProtocolAssembly& assembly = *m_assembly;
    QVector<BookmarkStore::Protocol> protocols;
    for (int i = 0; i < assembly.protocolCount() && i < paths.size(); ++i) {
        const int records = assembly.recordCount(i);
        if (records == 0)
            continue;
        BookmarkStore::Protocol protocol;
        // The reader takes a relative name from the protocol directory; the
        // bookmarks lie beside the file it read, wherever the program runs.
        protocol.path =
            QFileInfo(m_logger->protocolDir().absoluteFilePath(paths[i])).absoluteFilePath();
        protocol.owner.start = assembly.dateTime(i, 0).addMSecs(
            -(assembly.globalTick(i, 0) - assembly.offset(i)) * assembly.tickMs());
        protocol.owner.tickMs = assembly.tickMs();
        protocol.offset = assembly.offset(i);
        protocol.firstTick = assembly.globalTick(i, 0);
        protocol.lastTick = assembly.globalTick(i, records - 1);
        protocols.append(protocol);
    }
    m_bookmarks.setView(protocols);
    m_bookmarkProblems = m_bookmarks.load();
    afterBookmarkChange({});
}

QStringList Workspace::afterBookmarkChange(const QStringList& errors)
{
    m_tableModel->setBookmarkMarks(m_bookmarks.ticks(), m_bookmarks.notes());
    emit bookmarksChanged();
    return errors;
}

QStringList Workspace::setBookmarkTicks(const QVector<qint64>& ticks)
{
    if (!isLoaded() || ticks == m_bookmarks.ticks())
        return {};
    return afterBookmarkChange(m_bookmarks.save(ticks));
}

QStringList Workspace::addBookmark(qint64 tick)
{
    QVector<qint64> ticks = m_bookmarks.ticks();
    const auto at = std::lower_bound(ticks.begin(), ticks.end(), tick);
    if (at != ticks.end() && *at == tick)
        return {};
    ticks.insert(at, tick);
    return setBookmarkTicks(ticks);
}

QStringList Workspace::deleteBookmark(qint64 tick)
{
    QVector<qint64> ticks = m_bookmarks.ticks();
    if (!ticks.removeOne(tick))
        return {};
    return setBookmarkTicks(ticks);
}

QStringList Workspace::setBookmarkNote(qint64 tick, const QString& note)
{
    if (!hasBookmark(tick) || m_bookmarks.note(tick) == note)
        return {};
    m_bookmarks.setNote(tick, note);
    // The note is a change of its own: saved, and taken back by one undo.
    return afterBookmarkChange(m_bookmarks.save(m_bookmarks.ticks()));
}

QStringList Workspace::undoBookmarks()
{
    if (!m_bookmarks.canUndo())
        return {};
    return afterBookmarkChange(m_bookmarks.undo());
}

QString Workspace::batchProblemText(const BookmarkStore::Problem& problem)
{
    const QString name = QDir::toNativeSeparators(problem.path);
    switch (problem.status) {
    case BookmarkFile::Status::CannotOpen:
        return QStringLiteral("файл закладок %1 не читается (это не обычный файл или к нему "
                              "нет доступа)")
            .arg(name);
    case BookmarkFile::Status::Foreign:
        return QStringLiteral("файл закладок %1 относится к другому протоколу").arg(name);
    case BookmarkFile::Status::Corrupt:
    default:
        return QStringLiteral("файл закладок %1 поврежден (в нем нет закладок)").arg(name);
    }
}

QVector<Bookmark> Workspace::bookmarksBetween(const QDateTime& from, const QDateTime& to) const
{
    QVector<Bookmark> kept;
    for (const Bookmark& bookmark : m_bookmarks.bookmarks()) {
        if (TimeRangeReportTable::holds(bookmark.msecs, from, to))
            kept.append(bookmark);
    }
    return kept;
}

// Reports.

std::function<bool(int, qint64&)> Workspace::rowInstants() const
{
    // Instants, not the texts: the hour repeated when summer time ends
    // shows the same texts twice.
    return [model = m_tableModel](int row, qint64& msecs) {
        msecs = model->msecsSinceEpoch(model->globalRowAt(row));
        return true;
    };
}

bool Workspace::ticksBetween(const QDateTime& from, const QDateTime& to, qint64& first,
                             qint64& last) const
{
    bool any = false;
    for (int row = 0; row < m_tableModel->allRowCount(); ++row) {
        if (!TimeRangeReportTable::holds(m_tableModel->msecsSinceEpoch(row), from, to))
            continue;
        const qint64 tick = m_tableModel->tick(row);
        first = any ? std::min(first, tick) : tick;
        last = any ? std::max(last, tick) : tick;
        any = true;
    }
    return any;
}

ReportFailures Workspace::writeReports(const ReportRequest& request, ReportChart* chart)
{
    const ProtocolReportTable whole(*m_tableModel);
    const ChannelColumnsTable columns(whole, request.channels);
    // Every cell of a report passes here: no step for a choice not made.
    const ReportTable& chosen =
        request.channels.isEmpty() ? static_cast<const ReportTable&>(whole) : columns;
    const TimeRangeReportTable table(chosen, rowInstants(), request.from, request.to);
    // An empty report would pass for the data of a quiet stretch; the
    // files already there are kept.
    qint64 first = m_firstTick;
    qint64 last = m_lastTick;
    if ((request.from.isValid() || request.to.isValid()) &&
        !ticksBetween(request.from, request.to, first, last))
        return {{QString(),
                 QStringLiteral("с %1 по %2 в протоколах нет ни одной строки; ничего не записано")
                     .arg(request.from.isValid() ? request.from.toString(Qt::ISODateWithMs)
                                                 : QStringLiteral("начала"),
                          request.to.isValid() ? request.to.toString(Qt::ISODateWithMs)
                                               : QStringLiteral("конец"))}};
    if (request.hasShownTicks) {
        first = request.shownFirst;
        last = request.shownLast;
    }
    const QVector<Bookmark> bookmarks = bookmarksBetween(request.from, request.to);
    const ReportResult noChart = ReportResult::failure(QStringLiteral("нет графика для рисунка"));
    // A channel the protocols lack would leave the files short of it unseen.
    QStringList missing;
    QStringList chosenCodes; // a channel is named by its code or its title
    for (const QString& channel : request.channels) {
        chosenCodes.append(ChannelColumnsTable::codeOf(channel));
        if (!m_assembly || !m_assembly->codes().contains(chosenCodes.last()))
            missing.append(channel);
    }
    if (!missing.isEmpty())
        return {
            {QString(), QStringLiteral("в прочитанных протоколах нет канала %1; ничего не записано")
                            .arg(missing.join(QStringLiteral(", ")))}};

    ReportFailures failures;
    const auto note = [&failures](const QString& fileName, const ReportResult& result) {
        if (!result)
            failures.append({fileName, result.error});
    };
    if (!request.xlsxFile.isEmpty())
        note(request.xlsxFile, saveExcelReport(table, chart ? chart->tableFont() : QFont(),
                                               chart ? chart->workbookImage() : QImage(),
                                               request.xlsxFile, bookmarks));
    const QDateTime start = startDateTime();
    const QString title = pictureTitle(protocolDescriptions(), start.addMSecs(first * tickMs()),
                                       start.addMSecs(last * tickMs()));
    if (!request.pdfFile.isEmpty())
        note(request.pdfFile, chart ? savePdfReport(table, chart->startDateTime(),
                                                    request.pdfChartAsShown
                                                        ? chart->pdfDrawing()
                                                        : chart->rangeDrawing(first, last, title),
                                                    request.pdfFile)
                                    : noChart);
    if (!request.csvFile.isEmpty())
        note(request.csvFile, saveCsvReport(table, request.csvFile));
    if (!request.bookmarksFile.isEmpty())
        note(request.bookmarksFile, saveBookmarkCsv(bookmarks, request.bookmarksFile));
    if ((!request.h5File.isEmpty() || !request.matFile.isEmpty()) && m_assembly) {
        const AssemblyExportSource source(*m_assembly, ChannelLookup::streamLoger(),
                                          chosenCodes.isEmpty() ? m_assembly->codes() : chosenCodes,
                                          request.from, request.to);
        const ExportInfo info = assemblyExportInfo(
            *m_assembly, m_loadedFiles,
            QStringLiteral("%1.%2").arg(VOLTREK_VERSION_MAJOR).arg(VOLTREK_VERSION_MINOR));
        for (const ExportFormat format : {ExportFormat::Hdf5, ExportFormat::Mat}) {
            const QString& fileName =
                format == ExportFormat::Hdf5 ? request.h5File : request.matFile;
            if (fileName.isEmpty())
                continue;
            bool version73 = false;
            note(fileName, saveDataExport(source, info, format, fileName, &version73));
            if (version73 && request.notes)
                request.notes->append(
                    QStringLiteral("%1 — файл MATLAB 7.3: его векторы из %2 строк больше 2 ГБ "
                                   "переменной версии 5; MATLAB и h5py его читают, "
                                   "scipy.io.loadmat — нет")
                        .arg(fileName)
                        .arg(source.rowCount()));
        }
    }
    if (!request.pngFile.isEmpty())
        note(request.pngFile,
             chart ? chart->savePicture(request.picture, first, last, title, request.pngFile)
                   : noChart);
    return failures;
}

QStringList Workspace::failureLines(const ReportFailures& failures)
{
    QStringList lines;
    for (const ReportFailure& failure : failures)
        lines.append(failure.fileName.isEmpty()
                         ? failure.error
                         : failuretext::reportFailure(failure.fileName, failure.error));
    return lines;
}
