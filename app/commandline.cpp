#include "app/commandline.h"

#include <QFile>
#include <QFileInfo>
#include <QTextCodec>

namespace {
bool isOption(const QByteArray& lowered)
{
    return lowered == "-d" || lowered == "-l" || lowered == "--xlsx" || lowered == "--pdf" ||
           lowered == "--csv" || lowered == "--help";
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
        if (report && isOption(value.toLower())) {
            // "--pdf -l b.log" names no PDF; it must not become a file called "-l".
            options.error = QStringLiteral("Option %1 needs a file name")
                                .arg(QString::fromLatin1(arguments.at(i - 1)));
            break;
        }
        if (report)
            *report = QFile::decodeName(value);
        else if (option == "-d")
            options.directory = decodeDirectory(value);
        else
            options.files.append(QString::fromUtf8(value));
    }
    return options;
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

QString commandLineHelp()
{
    return QStringLiteral(
        "Usage: voltrek [-d DIR] [-l FILE]... [--xlsx FILE] [--pdf FILE] [--csv FILE]\n"
        "\n"
        "  -d DIR       protocol directory holding log.def (default: log beside the program)\n"
        "  -l FILE      protocol file to read at start; may be repeated; a relative name\n"
        "               is taken from the working directory when it exists there,\n"
        "               else from the protocol directory\n"
        "  --xlsx FILE  write the read protocols as an Excel workbook, then exit\n"
        "  --pdf FILE   write them as a PDF report, then exit\n"
        "  --csv FILE   write their table as CSV (UTF-8), then exit; - writes to\n"
        "               standard output\n"
        "  --help       show this list and exit\n"
        "\n"
        "With --xlsx, --pdf or --csv no window is shown. The exit status is 0 only\n"
        "when every protocol was read and every report was written. A protocol that\n"
        "cannot be read, or holds no records, is named on standard error and makes\n"
        "the status non-zero; the reports are still written from the others, so a\n"
        "partial result may be left behind.\n");
}
