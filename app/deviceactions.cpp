#include "app/deviceactions.h"

#include "app/dialogs.h"
#include "device/drivewatch.h"
#include "device/loggerserial.h"
#include "device/safefilecopy.h"
#include "protocol/streamloger.h"
#include "reports/failuretext.h"

#include "ui_mainwindow.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QItemSelectionModel>

namespace {
// Keeps the device actions from being started again while events are
// processed during one of them.
class ActionsPaused
{
public:
    explicit ActionsPaused(const QList<QAction*>& actions) : m_actions(actions)
    {
        for (QAction* action : m_actions) {
            m_wasEnabled.append(action->isEnabled());
            action->setEnabled(false);
        }
    }
    ~ActionsPaused()
    {
        for (int i = 0; i < m_actions.size(); ++i)
            m_actions[i]->setEnabled(m_wasEnabled[i]);
    }
    Q_DISABLE_COPY_MOVE(ActionsPaused)

private:
    QList<QAction*> m_actions;
    QList<bool> m_wasEnabled;
};
} // namespace

DeviceActions::DeviceActions(Ui::MainWindow& form, StreamLoger& logger,
                             const std::unique_ptr<Dialogs>& dialogs, QWidget* window,
                             const bool& reading)
    : ui(form), m_logger(logger), m_dialogs(dialogs), m_window(window), m_reading(reading)
{
}

void DeviceActions::close()
{
    m_closed = true;
    if (m_probe)
        m_probe->stop();
}

bool DeviceActions::checkProtocolDirForCopy()
{
    if (m_logger.hasProtocolDir())
        return true;
    // Without a log definition there is no protocol directory; a copy would
    // land in whatever the working directory happens to be.
    m_dialogs->warning(m_window, tr("Внимание!"),
                       tr("Каталог протоколов не задан: настройки логера (log.def) не загружены.\n"
                          "Выберите файл настроек кнопкой \"Настройки\"."));
    return false;
}

void DeviceActions::switchToFlash()
{
    if (m_reading || !checkProtocolDirForCopy())
        return;
    DeviceEnvironment& environment = m_environment;
    const ActionsPaused paused({ui.actFLASH, ui.actCopy});
    const QStringList drivesBefore = environment.driveRoots();

    LoggerSerial serial;
    serial.setSilenceInterval(environment.silenceMs);
    serial.setAnswerTimeLimit(environment.answerMs);
    serial.setWaitHook(environment.whileProbing);
    m_probe = &serial;
    const bool switched = serial.switchToFlash(environment.serialPorts());
    m_probe = nullptr;
    // Closed meanwhile: the probe stopped, and nobody waits for an answer.
    if (m_closed)
        return;
    if (!switched) {
        m_dialogs->information(m_window, tr("FLASH"), tr("Устройство не найдено."));
        return;
    }
    m_dialogs->information(m_window, tr("FLASH"),
                           tr("Устройство найдено. \n ВНИМАНИЕ! Чтение карты занимает несколько "
                              "минут. \n Дождитесь появления окна выбора файла."));

    // Closing the window ends the wait: no more pauses, no drive.
    const QString drive = device::waitForNewDrive(
        drivesBefore,
        [this, &environment, &drivesBefore] {
            return m_closed ? drivesBefore : environment.driveRoots();
        },
        [this, &environment] {
            if (!m_closed)
                environment.sleep(device::kDrivePauseMs);
        });
    if (drive.isEmpty() || m_closed)
        return;
    m_deviceFolder = drive;
    copyProtocol();
}

void DeviceActions::copyProtocol()
{
    if (m_reading || !checkProtocolDirForCopy())
        return;
    const QString chosen = m_dialogs->getOpenFileName(m_window, tr("Copy File"), m_deviceFolder,
                                                      tr("Log File (*.log)"));
    if (chosen.isEmpty())
        return;

    const QFileInfo source(chosen);
    // Plain directory objects: the reader's own may carry filters that would spoil the comparison.
    const QString protocolPath = m_logger.protocolDir().absolutePath();
    if (source.absoluteDir() == QDir(protocolPath)) {
        m_dialogs->information(m_window, tr("Внимание"),
                               tr("Данный каталог уже хранит файлы лога"));
        return;
    }

    const QString fileName = source.fileName();
    const QString target = protocolPath + QLatin1Char('/') + fileName;
    if (QFile::exists(target) &&
        m_dialogs->question(m_window, tr("Внимание"),
                            tr("Файл с таким именем уже существует. /n Желаете заменить его?")) !=
            QMessageBox::Yes)
        return;

    // The old target is replaced only by a complete copy, never removed beforehand.
    SafeFileCopy copier;
    const bool copied = copier.copy(source.absoluteFilePath(), target);
    m_dialogs->information(m_window, tr("Копирование"),
                           copied ? tr("Файл скопирован")
                                  : tr("Не удалось скопировать файл") + QLatin1Char('\n') +
                                        failuretext::russianFailure(copier.lastError()));

    refreshProtocols();

    if (m_dialogs->question(m_window, tr("Файл"), tr("Открыть файл?")) != QMessageBox::Yes)
        return;
    selectFile(fileName);
    const QStringList files{fileName};
    if (m_environment.readProtocols)
        m_environment.readProtocols(files);
    else
        readProtocols(files);
}

void DeviceActions::selectFile(const QString& fileName)
{
    QItemSelectionModel* selection = ui.twFiles->selectionModel();
    selection->clearSelection();
    for (int row = 0; row < ui.twFiles->rowCount(); ++row) {
        const QTableWidgetItem* item = ui.twFiles->item(row, 1);
        if (!item || item->data(Qt::UserRole).toString() != fileName)
            continue;
        const QModelIndex index = ui.twFiles->model()->index(row, 0);
        selection->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
        selection->select(index, QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
}

void DeviceActions::openMonitor()
{
    if (m_reading)
        return;
    const QString path = m_environment.monitorPath.isEmpty() ? device::monitorProgramPath()
                                                             : m_environment.monitorPath;
    // Opening a missing file would fail without a word; tell the user instead.
    if (!QFileInfo(path).isFile()) {
        m_dialogs->warning(
            m_window, tr("Внимание!"),
            tr("Программа монитора не найдена:\n%1").arg(QDir::toNativeSeparators(path)));
        return;
    }
    m_environment.openMonitor(path);
}
