#include "app/commandline.h"

#include <QFile>
#include <QFileInfo>
#include <QTextCodec>

#include "compare/alignmentrule.h"
#include "compare/comparison.h"
#include "table/localclock.h"

namespace {
bool isOption(const QByteArray& lowered)
{
    return lowered == "-d" || lowered == "-l" || lowered == "--xlsx" || lowered == "--pdf" ||
           lowered == "--csv" || lowered == "--png" || lowered == "--size" ||
           lowered == "--bookmarks" || lowered == "--from" || lowered == "--to" ||
           lowered == "--help" || lowered == "--formula" || lowered == "--layout" ||
           lowered == "--theme" || lowered == "--dpi" || lowered == "--h5" || lowered == "--mat" ||
           lowered == "--channels" || lowered == "--compare" || lowered == "--align" ||
           lowered == "-p" || lowered == "--event" || lowered == "--events";
}

constexpr int kLeastSide = 16;
constexpr int kMostSide = 16384;

bool isSide(int pixels)
{
    return pixels >= kLeastSide && pixels <= kMostSide;
}

// "1600x900" as a size, "180x100mm" as a size in millimetres (inMm set);
// an invalid size for anything else.
QSizeF parseSize(const QByteArray& text, bool& inMm)
{
    QByteArray lowered = text.toLower();
    inMm = lowered.endsWith("mm");
    if (inMm)
        lowered.chop(2);
    const QList<QByteArray> parts = lowered.split('x');
    if (parts.size() != 2)
        return QSizeF();
    bool wide = false;
    bool high = false;
    const double width = inMm ? parts[0].toDouble(&wide) : parts[0].toInt(&wide);
    const double height = inMm ? parts[1].toDouble(&high) : parts[1].toInt(&high);
    if (!wide || !high || !(width > 0) || !(height > 0) ||
        (!inMm && (!isSide(int(width)) || !isSide(int(height)))) || width > 1e6 || height > 1e6)
        return QSizeF();
    return QSizeF(width, height);
}

// The value of a picture option, or the error that it lacks one.
bool pictureOptionValue(const QList<QByteArray>& arguments, int i, QByteArray& value)
{
    if (i + 1 >= arguments.size() || isOption(arguments.at(i + 1).toLower()))
        return false;
    value = arguments.at(i + 1);
    return true;
}

// Windows hands the arguments over in its ANSI code page, which for this
// program's users is CP1251; elsewhere they come in the locale's encoding.
QString decodeDirectory(const QByteArray& value)
{
#ifdef Q_OS_WIN
    if (QTextCodec* cp1251 = QTextCodec::codecForName("CP1251"))
        return cp1251->toUnicode(value);
#endif
    return QString::fromLocal8Bit(value);
}
} // namespace

StartupOptions parseCommandLine(const QList<QByteArray>& arguments)
{
    StartupOptions options;
    QSizeF sizeInMm;
    QString pictureOption; // the first option that shapes the picture
    for (int i = 0; i < arguments.size(); ++i) {
        const QByteArray option = arguments.at(i).toLower();
        if (option == "--help") {
            options.help = true;
            continue;
        }
        if (option == "--size") {
            if (pictureOption.isEmpty())
                pictureOption = QStringLiteral("--size");
            bool inMm = false;
            const QSizeF size =
                i + 1 < arguments.size() ? parseSize(arguments.at(i + 1), inMm) : QSizeF();
            if (!size.isValid()) {
                options.error = QStringLiteral("параметру --size нужен размер ШИРИНАxВЫСОТА, "
                                               "каждая от 16 до 16384, например 1600x900, "
                                               "или ШИРИНАxВЫСОТАmm вместе с --dpi");
                break;
            }
            if (inMm)
                sizeInMm = size;
            else {
                options.pngSize = size.toSize();
                sizeInMm = QSizeF();
            }
            ++i;
            continue;
        }
        if (option == "--layout" || option == "--theme" || option == "--dpi") {
            QByteArray value;
            const QString name = QString::fromLatin1(arguments.at(i));
            if (pictureOption.isEmpty())
                pictureOption = QString::fromLatin1(option);
            const QString text =
                pictureOptionValue(arguments, i, value) ? QString::fromLocal8Bit(value) : QString();
            bool ok = false;
            if (option == "--layout")
                ok = parsePictureLayout(text, options.pngLayout);
            else if (option == "--theme")
                ok = parsePictureTheme(text, options.pngTheme);
            else {
                options.pngDpi = text.toInt(&ok);
                ok = ok && options.pngDpi >= ChartPictureOptions::kLeastDpi &&
                     options.pngDpi <= ChartPictureOptions::kMostDpi;
            }
            if (!ok) {
                const QString needs = option == "--layout" ? QStringLiteral("common или channels")
                                      : option == "--theme"
                                          ? QStringLiteral("screen или print")
                                          : QStringLiteral("разрешение от %1 до %2 точек на дюйм")
                                                .arg(ChartPictureOptions::kLeastDpi)
                                                .arg(ChartPictureOptions::kMostDpi);
                options.error =
                    text.isEmpty()
                        ? QStringLiteral("параметру %1 нужно значение: %2").arg(name, needs)
                        : QStringLiteral("параметру %1 нужно значение: %2, а не «%3»")
                              .arg(name, needs, text);
                break;
            }
            ++i;
            continue;
        }
        if (option == "--formula") {
            if (i + 1 >= arguments.size() || isOption(arguments.at(i + 1).toLower())) {
                options.error = QStringLiteral("параметру --formula нужна формула КОД=ВЫРАЖЕНИЕ");
                break;
            }
            options.formulas.append(QString::fromLocal8Bit(arguments.at(++i)));
            continue;
        }
        if (option == "--event" || option == "--events") {
            if (i + 1 >= arguments.size() || isOption(arguments.at(i + 1).toLower())) {
                options.error = option == "--event"
                                    ? QStringLiteral("параметру --event нужно событие "
                                                     "ИМЯ=УСЛОВИЕ[;min=ДЛИТЕЛЬНОСТЬ][;join="
                                                     "ДЛИТЕЛЬНОСТЬ]")
                                    : QStringLiteral("параметру --events нужно имя файла");
                break;
            }
            const QString value = QString::fromLocal8Bit(arguments.at(++i));
            if (option == "--event")
                options.events.append(value);
            else
                options.eventsFile = value;
            continue;
        }
        if (option == "--compare") {
            options.compare = true;
            continue;
        }
        if (option == "--align") {
            AlignmentRule rule;
            const QString text =
                i + 1 < arguments.size() && !isOption(arguments.at(i + 1).toLower())
                    ? QString::fromLocal8Bit(arguments.at(i + 1))
                    : QString();
            if (!AlignmentRule::parse(text, rule)) {
                options.error = QStringLiteral("параметру --align нужно start, bookmark:ТЕКСТ "
                                               "или when:УСЛОВИЕ, а не «%1»")
                                    .arg(text);
                break;
            }
            options.alignment = text;
            ++i;
            continue;
        }
        if (option == "--channels") {
            QStringList codes;
            if (i + 1 < arguments.size() && !isOption(arguments.at(i + 1).toLower())) {
                for (const QString& code :
                     QString::fromLocal8Bit(arguments.at(i + 1)).split(QLatin1Char(',')))
                    if (!code.trimmed().isEmpty())
                        codes.append(code.trimmed());
            }
            if (codes.isEmpty()) {
                options.error =
                    QStringLiteral("Option --channels needs channel codes, e.g. U1,I1,P");
                break;
            }
            options.channels.append(codes);
            ++i;
            continue;
        }
        QString* report = option == "--xlsx"        ? &options.xlsxFile
                          : option == "--h5"        ? &options.h5File
                          : option == "--mat"       ? &options.matFile
                          : option == "--pdf"       ? &options.pdfFile
                          : option == "--csv"       ? &options.csvFile
                          : option == "--png"       ? &options.pngFile
                          : option == "--bookmarks" ? &options.bookmarksFile
                          : option == "-p"          ? &options.projectFile
                                                    : nullptr;
        QDateTime* limit = option == "--from" ? &options.from
                           : option == "--to" ? &options.to
                                              : nullptr;
        if (option != "-d" && option != "-l" && !report && !limit) {
            // A project handed over by the desktop comes as a bare file name.
            if (option.endsWith(".vtproj") && !option.startsWith('-') &&
                options.projectFile.isEmpty()) {
                options.projectFile = QFile::decodeName(arguments.at(i));
                continue;
            }
            options.unknown.append(QFile::decodeName(arguments.at(i)));
            continue;
        }
        const QString needs =
            limit ? QStringLiteral("дата и время в виде ISO 8601") : QStringLiteral("имя файла");
        if (i + 1 >= arguments.size()) {
            if (report || limit)
                options.error = QStringLiteral("параметру %1 нужно значение: %2")
                                    .arg(QString::fromLatin1(arguments.at(i)), needs);
            break;
        }
        const QByteArray& value = arguments.at(++i);
        if ((report || limit) && isOption(value.toLower())) {
            // "--pdf -l b.log" names no PDF; it must not become a file called "-l".
            options.error = QStringLiteral("параметру %1 нужно значение: %2")
                                .arg(QString::fromLatin1(arguments.at(i - 1)), needs);
            break;
        }
        if (limit) {
            const QString text = QString::fromLocal8Bit(value);
            bool skipped = false;
            *limit = parseDateTimeOption(text, limit == &options.to, &skipped);
            if (!limit->isValid()) {
                options.error =
                    skipped ? QStringLiteral("параметр %1: местного времени «%2» в этот день нет "
                                             "(при переходе на летнее время часы его "
                                             "пропускают); укажите время после перевода часов "
                                             "или смещение, например +01:00")
                                  .arg(QString::fromLatin1(arguments.at(i - 1)), text)
                            : QStringLiteral("параметру %1 нужны дата и время в виде ISO 8601, "
                                             "а не «%2»")
                                  .arg(QString::fromLatin1(arguments.at(i - 1)), text);
                break;
            }
        } else if (report)
            *report = QFile::decodeName(value);
        else if (option == "-d")
            options.directory = decodeDirectory(value);
        else
            options.files.append(QFile::decodeName(value));
    }
    if (options.error.isEmpty() && sizeInMm.isValid()) {
        // Millimetres become pixels at the resolution the picture is printed at.
        const QSize pixels(qRound(sizeInMm.width() / 25.4 * options.pngDpi),
                           qRound(sizeInMm.height() / 25.4 * options.pngDpi));
        if (options.pngDpi <= 0)
            options.error = QStringLiteral("параметру --size в миллиметрах нужен --dpi");
        else if (!isSide(pixels.width()) || !isSide(pixels.height()))
            options.error = QStringLiteral("--size %1x%2mm при %3 dpi дает %4x%5 пикселей, "
                                           "а каждая сторона должна быть от 16 до 16384")
                                .arg(sizeInMm.width())
                                .arg(sizeInMm.height())
                                .arg(options.pngDpi)
                                .arg(pixels.width())
                                .arg(pixels.height());
        else
            options.pngSize = pixels;
    }
    if (options.error.isEmpty() && options.from.isValid() && options.to.isValid() &&
        options.from > options.to)
        options.error = QStringLiteral("--from %1 позже, чем --to %2")
                            .arg(options.from.toString(Qt::ISODateWithMs),
                                 options.to.toString(Qt::ISODateWithMs));
    // A picture option without a picture would be dropped without a word.
    if (options.error.isEmpty() && !options.help && !pictureOption.isEmpty() &&
        options.pngFile.isEmpty())
        options.error =
            QStringLiteral("%1 задает вид рисунка: задайте его вместе с --png").arg(pictureOption);
    // Limits with nothing to limit would be dropped without a word.
    if (options.error.isEmpty() && !options.help && !options.batch() &&
        (options.from.isValid() || options.to.isValid()))
        options.error =
            QStringLiteral("--from и --to ограничивают отчеты: задайте их вместе "
                           "с --xlsx, --pdf, --csv, --bookmarks, --png, --h5 или --mat");
    if (options.error.isEmpty() && !options.channels.isEmpty() && options.xlsxFile.isEmpty() &&
        options.csvFile.isEmpty() && options.h5File.isEmpty() && options.matFile.isEmpty())
        options.error = QStringLiteral("--channels выбирает каналы для --h5, --mat, --csv "
                                       "и --xlsx: задайте его вместе с одним из них");
    if (options.error.isEmpty() && !options.help)
        options.error = comparisonFault(options, arguments);
    return options;
}

QString comparisonFault(const StartupOptions& options, const QList<QByteArray>& arguments)
{
    bool aligned = false;
    for (const QByteArray& argument : arguments)
        aligned = aligned || argument.toLower() == "--align";
    if (!options.compare)
        return aligned ? QStringLiteral("--align совмещает сравниваемые протоколы: "
                                        "задайте его вместе с --compare")
                       : QString();
    if (options.files.size() < 2 || options.files.size() > Comparison::maxProtocols)
        return QStringLiteral("--compare сравнивает от 2 до %1 протоколов (-l), задано %2")
            .arg(Comparison::maxProtocols)
            .arg(options.files.size());
    // The relative axis has no dates to limit.
    if (options.from.isValid() || options.to.isValid())
        return QStringLiteral("--from и --to задают даты, а у сравнения время отсчитывается от "
                              "точки совмещения: уберите их");
    if (!options.bookmarksFile.isEmpty() || !options.h5File.isEmpty() ||
        !options.matFile.isEmpty() || !options.eventsFile.isEmpty())
        return QStringLiteral("сравнение (--compare) записывается в --csv, --xlsx, --pdf и "
                              "--png; другие отчеты для него не пишутся");
    return QString();
}

QDateTime parseDateTimeOption(const QString& text, bool endOfDay, bool* skipped)
{
    if (skipped)
        *skipped = false;
    qint64 msecs = 0;
    bool dateOnly = false;
    localclock::Result result = localclock::parseIso(text, msecs, &dateOnly);
    if (result == localclock::Result::Instant && dateOnly && endOfDay) {
        // The whole day: up to the last millisecond before the next one begins.
        const QDate next = QDate::fromString(text.trimmed(), Qt::ISODate).addDays(1);
        qint64 nextDay = 0;
        for (int hour = 0; hour < 3; ++hour) {
            if (localclock::toMSecs(next, QTime(hour, 0), nextDay) == localclock::Result::Instant)
                break;
        }
        msecs = nextDay - 1;
    }
    if (result != localclock::Result::Instant) {
        if (skipped)
            *skipped = result == localclock::Result::SkippedTime;
        return QDateTime();
    }
    const QDateTime local = QDateTime::fromMSecsSinceEpoch(msecs);
    return QDateTime::fromMSecsSinceEpoch(msecs, Qt::OffsetFromUTC, local.offsetFromUtc());
}

QStringList resolveStartupFiles(const QStringList& files)
{
    QStringList resolved;
    for (const QString& file : files) {
        const QFileInfo here(file);
        // A relative name that exists here is meant from here; the protocol
        // directory is only the fallback.
        resolved.append(here.isRelative() && here.isFile() ? here.absoluteFilePath() : file);
    }
    return resolved;
}

QString unknownArgumentsText(const StartupOptions& options)
{
    if (options.unknown.isEmpty())
        return QString();
    QStringList quoted;
    for (const QString& argument : options.unknown)
        quoted.append(QStringLiteral("«%1»").arg(argument));
    return QStringLiteral("%1 %2; см. voltrek --help")
        .arg(options.unknown.size() > 1 ? QStringLiteral("неизвестные параметры")
                                        : QStringLiteral("неизвестный параметр"),
             quoted.join(QStringLiteral(", ")));
}

QString commandLineHelp()
{
    return QStringLiteral(
        "Usage: voltrek [-d DIR] [-l FILE]... [-p FILE | FILE.vtproj]\n"
        "               [--xlsx FILE] [--pdf FILE] [--csv FILE]\n"
        "               [--bookmarks FILE] [--from DATETIME] [--to DATETIME]\n"
        "               [--png FILE [--size WxH] [--dpi N] [--layout L] [--theme T]]\n"
        "               [--h5 FILE] [--mat FILE] [--channels CODES]\n"
        "               [--formula CODE=EXPR]...\n"
        "               [--event NAME=EXPR[;min=DURATION][;join=DURATION]]... [--events FILE]\n"
        "       voltrek --compare [--align RULE] -l FILE -l FILE... [csv, xlsx, pdf, png options]\n"
        "\n"
        "  -d DIR            protocol directory holding log.def (default: log beside the program)\n"
        "  -l FILE           protocol file to read at start; may be repeated; a relative\n"
        "                    name is taken from the working directory when it exists\n"
        "                    there, else from the protocol directory\n"
        "  -p FILE           open a project (FILE.vtproj alone does the same): its\n"
        "                    protocols, channels shown, colours, computed channels and\n"
        "                    view; with a report option the reports show the project's\n"
        "                    view (its channels, time span and picture); -l then\n"
        "                    replaces the project's protocols and keeps the rest\n"
        "  --xlsx FILE       write the read protocols as an Excel workbook, then exit\n"
        "  --pdf FILE        write them as a PDF report, then exit\n"
        "  --csv FILE        write their table as CSV (UTF-8), then exit; - writes to\n"
        "                    standard output\n"
        "  --bookmarks FILE  write their bookmarks (time, note) as CSV (UTF-8), then exit\n"
        "  --png FILE        draw their chart over the whole time span (or the range of\n"
        "                    --from/--to) as a PNG picture (a name ending in .svg: as an\n"
        "                    SVG drawing) with a title line and a legend of the\n"
        "                    channels, then exit\n"
        "  --size WxH        the picture's size in pixels (default 1600x900), or WxHmm\n"
        "                    in millimetres with --dpi; texts and lines grow with it\n"
        "  --dpi N           the picture's resolution (24 to 2400): texts and lines\n"
        "                    keep their screen size when printed at N dots per inch\n"
        "  --layout L        common: all channels in one chart (default); channels:\n"
        "                    one chart per channel, one above the other, sharing the\n"
        "                    time axis\n"
        "  --theme T         screen: the screen's colours (default); print: white\n"
        "                    background, dark grid and text, channel colours darkened\n"
        "                    where needed to a contrast of at least 4.5:1 to white\n"
        "  --h5 FILE         write the data as an HDF5 file (time vectors, one float64\n"
        "                    vector per channel, NaN where it has no value, channel\n"
        "                    and file details; see the README), then exit\n"
        "  --mat FILE        write the same as a MATLAB file (version 5, compressed;\n"
        "                    7.3 when a vector is too long for version 5), then exit\n"
        "  --channels CODES  the channels of --h5, --mat, --csv and --xlsx, by code,\n"
        "                    comma-separated, computed ones included,\n"
        "                    e.g. U1,I1,P (default: all); a code that no protocol has\n"
        "                    fails the run\n"
        "  --from DATETIME   limit every report to the rows from this time on\n"
        "  --to DATETIME     ... and up to this one, both included; only together with a\n"
        "                    report option. ISO 8601, e.g. 2024-05-10T12:00:00.000,\n"
        "                    2024-05-10 12:00, or with an offset: 2024-05-10T09:00:00Z,\n"
        "                    2024-05-10T12:00:00+03:00. Without an offset the time is\n"
        "                    local; in the hour repeated when summer time ends it means\n"
        "                    the first occurrence (give an offset for the second), and\n"
        "                    a time the clocks skip is refused. A date alone means its\n"
        "                    whole day: --from 2024-05-10 from 00:00:00.000, --to\n"
        "                    2024-05-11 up to 23:59:59.999 of that day. A range that\n"
        "                    holds no rows writes nothing and fails the run.\n"
        "  --formula CODE=EXPR  a computed channel, e.g. \"P=U1*I1\"; may be repeated;\n"
        "                    replaces the formula of that code in computed.def beside\n"
        "                    log.def; a formula that cannot be computed, one code\n"
        "                    given twice, or a computed.def that cannot be read stops\n"
        "                    the run with status 2. A computed value keeps its\n"
        "                    decimals whatever its size\n"
        "  --event NAME=EXPR  an event definition NAME=EXPR[;min=DURATION][;join=DURATION],\n"
        "                    e.g. \"Voltage=U1<207 || U1>253;min=1s;join=500ms\";\n"
        "                    may be repeated; added to the definitions of events.def\n"
        "                    beside log.def (one of the same name is replaced). EXPR is\n"
        "                    a formula as for --formula, true where it is not 0.\n"
        "                    DURATION: 250ms, 1.5s, 2min, 1h or 00:00:01.250\n"
        "  --events FILE     write the events of every definition as CSV (UTF-8), then\n"
        "                    exit; - writes to standard output. With definitions the\n"
        "                    workbook gets a sheet \"События\" and the PDF a page of\n"
        "                    events. --from/--to limit the search\n"
        "  --compare         compare the protocols (2 to 8) instead of merging them: each\n"
        "                    keeps its own time base, rows are the time since each\n"
        "                    protocol's alignment point (\"+00:12:30.250\"), one column\n"
        "                    per channel and protocol (\"U1 [1]\", \"U1 [2]\"), empty\n"
        "                    where a protocol has no record; protocols of different\n"
        "                    tick lengths can be compared. Without a report option the\n"
        "                    comparison window opens; --csv and --xlsx write its table,\n"
        "                    --pdf the table and the overlaid chart, --png the overlaid\n"
        "                    chart with a legend line per protocol\n"
        "  --align RULE      the alignment point of every compared protocol: start (its\n"
        "                    first record, the default), bookmark:TEXT (its bookmark\n"
        "                    whose note is, or else holds, TEXT) or when:EXPR (its first\n"
        "                    record where the condition holds, e.g. \"when:U1 > 200\");\n"
        "                    a protocol it cannot align fails the run\n"
        "  --help            show this list and exit\n"
        "\n"
        "With --xlsx, --pdf, --csv, --bookmarks, --png, --h5, --mat or --events no window\n"
        "is shown. The exit status is 0 only when every protocol was read and every\n"
        "report was written. A protocol that cannot be read, or holds no records, is\n"
        "named on standard error and makes the status non-zero; the reports are still\n"
        "written from the others, so a partial result may be left behind.\n"
        "\n"
        "Values are written with every digit the logger recorded (1234567,\n"
        "2147483.647). An empty cell means no value: a logged channel's protocol does\n"
        "not hold that channel, or a computed channel's row lacks an input there\n"
        "(another protocol, an empty input cell) or its formula gives no finite number\n"
        "(division by zero, the root of a negative).\n"
        "\n"
        "Events: a record where the condition holds starts or continues an event. A\n"
        "record where an input of the condition has no value ends the event (no data\n"
        "is no violation) and is never joined over. An event that runs to a\n"
        "protocol's last record ends there and says so (\"до конца протокола\"). Two\n"
        "events whose gap is at most join are one; an event never joins across a gap\n"
        "between protocols longer than join. Events shorter than min are dropped\n"
        "(after joining). An event's end is the time of the record that ended it, or\n"
        "one tick after the protocol's last record.\n");
}
