#include "app/commandline.h"
#include "app/mainwindow.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    MainWindow window;

    QString directory = QCoreApplication::applicationDirPath() + QStringLiteral("/log");
    QList<QByteArray> arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QByteArray(argv[i]));
    const StartupOptions options = parseCommandLine(arguments);
    if (!options.directory.isEmpty())
        directory = options.directory;

    window.setupLoger(directory);
    if (!options.files.isEmpty())
        window.readProtocols(options.files);
    window.showMaximized();
    return application.exec();
}
