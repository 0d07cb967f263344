#pragma once

#include <QByteArray>
#include <QSerialPort>
#include <QString>
#include <QStringList>

// Finds the logger on serial ports and commands it into FLASH mode, in which
// it shows its memory card to the computer as a drive.
class LoggerSerial
{
public:
    enum class ProbeResult {
        NotOpened,  // the port did not open
        NotWritten, // the probe was not written in time
        NoDevice,   // no answer, or not the logger's
        Switched    // the logger answered and got the FLASH command
    };

    static constexpr int kWriteTimeoutMs = 1000;
    static constexpr int kDefaultSilenceMs = 1000;
    static const QByteArray kProbe;
    static const QByteArray kAnswerStart;
    static const QByteArray kFlashCommand;

    LoggerSerial();
    Q_DISABLE_COPY_MOVE(LoggerSerial)

    // getters:
    int silenceInterval() const { return m_silenceMs; }
    // setters:
    // How long the answer may pause before it counts as complete.
    void setSilenceInterval(int ms);

    // Probes every port in order; each one that answers gets the FLASH command.
    // True when at least one did.
    bool switchToFlash(const QStringList& portNames);
    ProbeResult probe(const QString& portName);

    static bool isLoggerAnswer(const QByteArray& answer);

private:
    QByteArray readAnswer();

    QSerialPort m_port;
    int m_silenceMs = kDefaultSilenceMs;
};
