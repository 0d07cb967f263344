#include "app/commandline.h"

#include <QFile>
#include <QTextCodec>

namespace {
bool isReportOption(const QByteArray& argument)
{
    return argument == "--xlsx" || argument == "--pdf" || argument == "--csv" ||
           argument == "--help";
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
                                              : nullptr;
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
        "\n"
        "  -d DIR       protocol directory holding log.def (default: log beside the program)\n"
        "  -l FILE      protocol file to read at start; may be repeated\n"
        "  --xlsx FILE  write the read protocols as an Excel workbook, then exit\n"
        "  --pdf FILE   write them as a PDF report, then exit\n"
        "  --csv FILE   write their table as CSV (UTF-8), then exit\n"
        "  --help       show this list and exit\n"
        "\n"
        "With --xlsx, --pdf or --csv no window is shown; the exit status is 0 when\n"
        "every report was written.\n");
}
