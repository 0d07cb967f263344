#pragma once

#include "app/mainwindow.h"
#include "parameters/settingsfile.h"
#include "tests/protocol/protocolfiles.h"

#include <QProcess>
#include <QTemporaryDir>

#include <memory>

// Answers every modal question of the main window and keeps what was asked.
class RecordingDialogs : public Dialogs
{
public:
    QStringList warnings; // "title|text"
    QStringList questions;
    QStringList informations; // "title|text"
    QColor colorAnswer;
    QString openFileAnswer;
    QStringList openFolders; // where each file dialog started
    int savesAsked = 0;
    QMessageBox::StandardButton questionAnswer = QMessageBox::No;

    QString getOpenFileName(QWidget*, const QString&, const QString& dir, const QString&) override
    {
        openFolders.append(dir);
        return openFileAnswer;
    }

    QString getSaveFileName(QWidget*, const QString&, const QString&, const QString&) override
    {
        ++savesAsked;
        return QString();
    }
    QColor getColor(const QColor&, QWidget*) override { return colorAnswer; }
    QMessageBox::StandardButton warning(QWidget*, const QString& title,
                                        const QString& text) override
    {
        warnings.append(title + QLatin1Char('|') + text);
        return QMessageBox::Ok;
    }
    QMessageBox::StandardButton information(QWidget*, const QString& title,
                                            const QString& text) override
    {
        informations.append(title + QLatin1Char('|') + text);
        return QMessageBox::Ok;
    }
    QMessageBox::StandardButton question(QWidget*, const QString&, const QString& text) override
    {
        questions.append(text);
        return questionAnswer;
    }
    QMessageBox::StandardButton questionOrCancel(QWidget* parent, const QString& title,
                                                 const QString& text) override
    {
        return question(parent, title, text);
    }
};

// The program run from a script, as the batch tests start it.
struct ProgramRun
{
    int exitCode = -1;
    QString errors;
    QByteArray output;
};

// Optional: the working folder, a file for standard output, the TZ and the
// display platform.
inline ProgramRun runProgram(const QStringList& arguments, const QString& workingDir = QString(),
                             const QString& outputFile = QString(), const QString& zone = QString(),
                             const QString& platform = QString())
{
    QProcess process;
    process.setWorkingDirectory(workingDir);
    if (!outputFile.isEmpty())
        process.setStandardOutputFile(outputFile);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    if (!zone.isEmpty())
        environment.insert(QStringLiteral("TZ"), zone);
    if (!platform.isEmpty())
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), platform);
    process.setProcessEnvironment(environment);
    process.start(qEnvironmentVariable("VOLTREK_APP"), arguments);
    if (!process.waitForFinished(60000))
        return {};
    return {process.exitCode(), QString::fromLocal8Bit(process.readAllStandardError()),
            process.readAllStandardOutput()};
}

// A log directory with three channels and protocol files written on demand.
class LoadFixture
{
public:
    QTemporaryDir dir;
    std::unique_ptr<MainWindow> window;
    RecordingDialogs* dialogs = nullptr;

    LoadFixture()
    {
        // Colours stored by an earlier window must not leak into this one.
        QFile::remove(QStringLiteral("settings.conf"));
        QFile::remove(settingsFilePath());
        protocolfiles::writeDefinition(dir.path(), R"({"ROOT": "", "CONTENT": [{"GROUP": "g",
            "VALUES": [{"CODE": "A1", "ID": 1, "NAME": "Альфа", "RATE": 0},
                       {"CODE": "B1", "ID": 2, "NAME": "Бета", "RATE": 1},
                       {"CODE": "S1", "ID": 3, "NAME": "Режим", "RATE": 0,
                        "REFS": [{"VALUE": 0, "STRING": "Стоп"}, {"VALUE": 1, "STRING": "Пуск"}]}
            ]}]})");
        window = std::make_unique<MainWindow>();
        auto answers = std::make_unique<RecordingDialogs>();
        dialogs = answers.get();
        window->setDialogs(std::move(answers));
        window->setupLoger(dir.path());
    }

    // The command line reading the given protocols of the directory.
    QStringList batchArguments(const QStringList& files) const
    {
        QStringList arguments{QStringLiteral("-d"), dir.path()};
        for (const QString& file : files)
            arguments << QStringLiteral("-l") << file;
        return arguments;
    }

    // Applies the directory's definitions again, as picking its log.def does.
    void setupLogerAgain() { window->setupLoger(dir.path()); }

    // Records of the given channel IDs on ticks 0 … count - 1, channel ID 1
    // carrying firstValue + tick, ID 2 ten times (100 + tick), ID 3 the tick's parity.
    QString writeProtocol(const QString& name, const QDateTime& start, int count, int firstValue,
                          const QVector<quint8>& ids, quint16 tickMs = 1000)
    {
        QVector<LogRecord> records;
        for (int tick = 0; tick < count; ++tick) {
            for (quint8 id : ids) {
                LogRecord record;
                record.id = id;
                record.tick = quint32(tick);
                record.value = id == 1 ? firstValue + tick : id == 2 ? 100 + tick : tick % 2;
                records.append(record);
            }
        }
        const QString path = dir.filePath(name);
        protocolfiles::write(path,
                             protocolfiles::bytes(protocolfiles::header(start, tickMs), records));
        return path;
    }

    template <typename T> T* find(const char* name) const
    {
        return window->findChild<T*>(QLatin1String(name));
    }
};
