#include "app/commandline.h"

#include <QTextCodec>

StartupOptions parseCommandLine(const QList<QByteArray>& arguments)
{
    StartupOptions options;
    QTextCodec* cp1251 = QTextCodec::codecForName("CP1251");
    for (int i = 0; i < arguments.size(); ++i) {
        const QByteArray option = arguments.at(i).toLower();
        if (option != "-d" && option != "-l")
            continue;
        if (i + 1 >= arguments.size())
            break;
        const QByteArray& value = arguments.at(++i);
        if (option == "-d")
            options.directory = cp1251 ? cp1251->toUnicode(value) : QString::fromLocal8Bit(value);
        else
            options.files.append(QString::fromUtf8(value));
    }
    return options;
}
