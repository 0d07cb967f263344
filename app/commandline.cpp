#include "app/commandline.h"

#include <QFile>
#include <QTextCodec>

namespace {
bool isReportOption(const QByteArray& argument)
{
    return argument == "--xlsx" || argument == "--pdf" || argument == "--csv" ||
           argument == "--png" || argument == "--size" || argument == "--help";
}

// "1600x900" as a size; an invalid size for anything else.
QSize parseSize(const QByteArray& text)
{
    constexpr int least = 16;
    constexpr int most = 16384;
    const QList<QByteArray> parts = text.toLower().split('x');
    if (parts.size() != 2)
        return QSize();
    bool wide = false;
    bool high = false;
    const int width = parts[0].toInt(&wide);
    const int height = parts[1].toInt(&high);
    if (!wide || !high || width < least || height < least || width > most || height > most)
        return QSize();
    return QSize(width, height);
}
} // namespace

StartupOptions parseCommandLine(const QList<QByteArray>& arguments)
{
    StartupOptions options;
    QTextCodec* cp1251 = QTextCodec::codecForName("CP1251");
    for (int i = 0; i < arguments.size(); ++i) {
        const QByteArray option = arguments.at(i).toLower();
        if (option == "--help") {
            options.help = true;
            continue;
        }
        QString* report = option == "--xlsx"  ? &options.xlsxFile
                          : option == "--pdf" ? &options.pdfFile
                          : option == "--csv" ? &options.csvFile
                          : option == "--png" ? &options.pngFile
                                              : nullptr;
        if (option == "--size") {
            const QSize size = i + 1 < arguments.size() ? parseSize(arguments.at(i + 1)) : QSize();
            if (!size.isValid()) {
                options.error = QStringLiteral("Option --size needs WIDTHxHEIGHT, "
                                               "each from 16 to 16384, for example 1600x900");
                break;
            }
            options.pngSize = size;
            ++i;
            continue;
        }
        if (option != "-d" && option != "-l" && !report)
            continue;
        if (i + 1 >= arguments.size()) {
            if (report)
                options.error = QStringLiteral("Option %1 needs a file name")
                                    .arg(QString::fromLatin1(arguments.at(i)));
            break;
        }
        const QByteArray& value = arguments.at(++i);
        if (report && isReportOption(value.toLower())) {
            // "--pdf --csv out.csv" names no PDF; it must not become a file called "--csv".
            options.error = QStringLiteral("Option %1 needs a file name")
                                .arg(QString::fromLatin1(arguments.at(i - 1)));
            break;
        }
        if (report)
            *report = QFile::decodeName(value);
        else if (option == "-d")
            options.directory = cp1251 ? cp1251->toUnicode(value) : QString::fromLocal8Bit(value);
        else
            options.files.append(QString::fromUtf8(value));
    }
    return options;
}

QString commandLineHelp()
{
    return QStringLiteral(
        "Usage: voltrek [-d DIR] [-l FILE]... [--xlsx FILE] [--pdf FILE] [--csv FILE]\n"
        "               [--png FILE [--size WxH]]\n"
        "\n"
        "  -d DIR       protocol directory holding log.def (default: log beside the program)\n"
        "  -l FILE      protocol file to read at start; may be repeated\n"
        "  --xlsx FILE  write the read protocols as an Excel workbook, then exit\n"
        "  --pdf FILE   write them as a PDF report, then exit\n"
        "  --csv FILE   write their table as CSV (UTF-8), then exit\n"
        "  --png FILE   draw their common chart over the whole time span as a PNG\n"
        "               picture, then exit\n"
        "  --size WxH   the picture's size in pixels (default 1600x900)\n"
        "  --help       show this list and exit\n"
        "\n"
        "With --xlsx, --pdf, --csv or --png no window is shown; the exit status is 0 when\n"
        "every report was written.\n");
}
