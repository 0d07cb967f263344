#include "compare/comparisonread.h"

#include "compare/comparison.h"
#include "protocol/streamloger.h"
#include "table/bookmarkfile.h"
#include "table/protocolassembly.h"

#include <QDir>
#include <QFileInfo>

bool readComparison(StreamLoger& logger, const QStringList& files, const ComputedChannels& computed,
                    Comparison& comparison, QStringList& read, QList<ReadProblem>& problems,
                    const std::function<bool()>& proceed)
{
    logger.setComputedColumns(int(computed.size()));
    for (const QString& file : files) {
        if (comparison.protocolCount() == Comparison::maxProtocols)
            break;
        if (proceed && !proceed())
            return false;
        if (!logger.openProtocol(0, 0, file)) {
            problems.append(logger.readProblem());
            continue;
        }
        ProtocolColumns columns = logger.readProtocolColumns();
        const bool hasRecords = !columns.isEmpty();
        const ReadProblem unknownChannels = logger.channelProblem();
        const QString path = logger.readProblem().file;
        logger.closeProtocol();
        ReadProblem problem = logger.readProblem();
        QDateTime start;
        quint16 tickMs = 0;
        logger.protocolTimeBase(start, tickMs);

        auto assembly = std::make_unique<ProtocolAssembly>();
        const bool added =
            hasRecords && assembly->addProtocol(start, tickMs, std::move(columns), path) ==
                              ProtocolAssembly::AddResult::Added;
        if (added) {
            assembly->setComputedChannels(computed);
            assembly->build();
        }
        if (!added && problem.isNone())
            problem.kind =
                !hasRecords ? ReadProblem::Kind::NoRecords : ReadProblem::Kind::NoTimeBase;
        if (!problem.isNone())
            problems.append(problem);
        if (!added || assembly->rowCount() == 0)
            continue;
        if (!unknownChannels.isNone())
            problems.append(unknownChannels);
        comparison.addProtocol(std::move(assembly));
        read.append(file);
    }
    return true;
}

QStringList alignComparison(StreamLoger& logger, const QStringList& files,
                            const AlignmentRule& rule, Comparison& comparison)
{
    QStringList errors;
    for (int p = 0; p < comparison.protocolCount() && p < files.size(); ++p) {
        const ProtocolAssembly& assembly = comparison.assembly(p);
        const QString path =
            QFileInfo(logger.protocolDir().absoluteFilePath(files.at(p))).absoluteFilePath();
        QVector<Bookmark> bookmarks;
        if (rule.kind == AlignmentRule::Kind::Bookmark) {
            BookmarkOwner owner;
            owner.start = assembly.protocolStart(0);
            owner.tickMs = assembly.tickMs();
            bookmarks = BookmarkFile::read(BookmarkFile::pathFor(path), owner).bookmarks;
        }
        qint64 anchor = 0;
        QString error;
        if (alignmentInstant(assembly, 0, rule, bookmarks, anchor, error))
            comparison.setAnchor(p, anchor);
        else
            errors.append(QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(path), error));
    }
    comparison.buildRows();
    return errors;
}
