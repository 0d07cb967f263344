// voltrek-gen: writes logger protocol files and log definitions for tests,
// benchmarks and the demo directory.

#include "protocolgenerator.h"

#include "protocol/protocolformat.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QTextStream>

#include <cstdio>

namespace {
const char kDescription[] =
    R"(Writes logger protocol files (.log) and matching log definitions (log.def).

  voltrek-gen --demo DIR
      A complete demo log directory: DIR/log.def with eight channels and four
      protocols on different days in DIR/protocols. Files already present are
      kept, so running it again changes nothing.

  voltrek-gen [options] (--out FILE | --dir DIR) [--log-def FILE]
      One protocol. Without --channel the eight demo channels are used.

Channel: CODE:ID:PATTERN[,P1[,P2[,P3]]][:RATE[:NAME]], values in real units
(raw value = value x 10^RATE). Patterns and their parameters (defaults):
  sine,AMPLITUDE,PERIOD,OFFSET      (10, 600 ticks, 0)
  ramp,STEP,MIN,MAX                 sawtooth (1 per tick, 0, 100)
  steps,HEIGHT,LENGTH,COUNT         staircase (10, 100 ticks, 5 steps)
  noise,MEAN,SPREAD                 uniform MEAN +- SPREAD (0, 1)
  states,COUNT,LENGTH               enumerated states 0..COUNT-1 (3, ~200 ticks)
Example: --channel "U1:1:sine,12,900,220:1:Напряжение" --channel "ST:8:states:0:Режим")";

int fail(const QString& message)
{
    QTextStream(stderr) << "voltrek-gen: " << message << '\n';
    return 1;
}
} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("voltrek-gen"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromUtf8(kDescription));
    parser.addHelpOption();
    const QCommandLineOption demo("demo", "Create the demo log directory DIR.", "DIR");
    const QCommandLineOption out("out", "Write the protocol to FILE.", "FILE");
    const QCommandLineOption dir("dir",
                                 "Write the protocol into DIR, named yyyy_MM_dd_hh_mm_ss.log "
                                 "after its start.",
                                 "DIR");
    const QCommandLineOption start("start",
                                   "Start date-time, yyyy-MM-ddThh:mm:ss (default "
                                   "2024-01-15T08:00:00).",
                                   "DATETIME", "2024-01-15T08:00:00");
    const QCommandLineOption tick("tick", "Tick length in milliseconds, 0 to 65535 (default 100).",
                                  "MS", "100");
    const QCommandLineOption description("description", "Description in the header.", "TEXT");
    const QCommandLineOption ticks("ticks", "Number of ticks (default 1000).", "N", "1000");
    const QCommandLineOption records("records", "Stop after N records.", "N");
    const QCommandLineOption channel("channel", "A channel (repeatable), see above.", "CHANNEL");
    const QCommandLineOption onChange("on-change",
                                      "Write a channel only when its raw value changed "
                                      "(default: every channel on every tick).");
    const QCommandLineOption gaps("gaps", "Leave out each record with this chance.", "PERCENT",
                                  "0");
    const QCommandLineOption outOfOrder("out-of-order",
                                        "Swap the records of a tick with the next tick's with "
                                        "this chance.",
                                        "PERCENT", "0");
    const QCommandLineOption seed("seed", "Seed of the random choices (default 1).", "N", "1");
    const QCommandLineOption trailing("trailing-bytes",
                                      "Append a partial record of N bytes (1 to 8).", "N", "0");
    const QCommandLineOption logDef("log-def", "Also write a log.def for the channels to FILE.",
                                    "FILE");
    const QCommandLineOption root("root", "ROOT of the written log.def (default empty).", "DIR",
                                  "");
    parser.addOptions({demo, out, dir, start, tick, description, ticks, records, channel, onChange,
                       gaps, outOfOrder, seed, trailing, logDef, root});
    parser.process(application);

    QString error;
    if (parser.isSet(demo)) {
        QStringList created;
        if (!writeDemo(parser.value(demo), created, error))
            return fail(error);
        QTextStream output(stdout);
        for (const QString& file : created)
            output << "created " << file << '\n';
        if (created.isEmpty())
            output << "demo directory " << parser.value(demo) << " is complete\n";
        return 0;
    }

    ProtocolPlan plan;
    plan.start = QDateTime::fromString(parser.value(start), Qt::ISODate);
    if (!plan.start.isValid())
        return fail(QStringLiteral("--start: not a date-time: %1").arg(parser.value(start)));
    bool ok = false;
    const int tickMs = parser.value(tick).toInt(&ok);
    if (!ok || tickMs < 0 || tickMs > 65535)
        return fail(QStringLiteral("--tick: 0 to 65535"));
    plan.tickMs = quint16(tickMs);
    plan.description = parser.value(description);
    plan.ticks = parser.value(ticks).toLongLong(&ok);
    if (!ok || plan.ticks < 0 || plan.ticks > (qint64(1) << 32))
        return fail(QStringLiteral("--ticks: 0 to 2^32"));
    if (parser.isSet(records)) {
        plan.maxRecords = parser.value(records).toLongLong(&ok);
        if (!ok || plan.maxRecords < 0)
            return fail(QStringLiteral("--records: a count"));
    }
    for (const QString& text : parser.values(channel)) {
        ChannelPlan parsed;
        if (!parseChannel(text, parsed, error))
            return fail(error);
        plan.channels.append(parsed);
    }
    if (plan.channels.isEmpty())
        plan.channels = demoChannels();
    plan.onChange = parser.isSet(onChange);
    plan.gapPercent = parser.value(gaps).toDouble(&ok);
    if (!ok || plan.gapPercent < 0 || plan.gapPercent > 100)
        return fail(QStringLiteral("--gaps: 0 to 100"));
    plan.outOfOrderPercent = parser.value(outOfOrder).toDouble(&ok);
    if (!ok || plan.outOfOrderPercent < 0 || plan.outOfOrderPercent > 100)
        return fail(QStringLiteral("--out-of-order: 0 to 100"));
    plan.seed = parser.value(seed).toUInt(&ok);
    if (!ok)
        return fail(QStringLiteral("--seed: a number"));
    plan.trailingBytes = parser.value(trailing).toInt(&ok);
    if (!ok || plan.trailingBytes < 0 || plan.trailingBytes >= kLogRecordSize)
        return fail(QStringLiteral("--trailing-bytes: 0 to 8"));

    if (parser.isSet(logDef)) {
        QSaveFile file(parser.value(logDef));
        const QByteArray text = logDefinition(plan.channels, parser.value(root));
        if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size() || !file.commit())
            return fail(QStringLiteral("cannot write %1").arg(parser.value(logDef)));
    }

    QString path;
    if (parser.isSet(out))
        path = parser.value(out);
    else if (parser.isSet(dir))
        path = QDir(parser.value(dir)).filePath(protocolformat::fileNameFor(plan.start));
    else if (parser.isSet(logDef))
        return 0;
    else
        return fail(QStringLiteral("say where: --out FILE, --dir DIR or --demo DIR (see --help)"));

    const qint64 written = writeProtocol(plan, path, error);
    if (written < 0)
        return fail(error);
    QTextStream(stdout) << path << ": " << written << " records\n";
    return 0;
}
