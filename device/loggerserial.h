#pragma once

#include <QByteArray>
#include <QSerialPort>
#include <QString>
#include <QStringList>

#include <functional>

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
    // A port that keeps sending (a GPS receiver, a streaming instrument) must
    // not hold the probe: the answer is read for a few seconds at most, and
    // only its first bytes matter.
    static constexpr int kDefaultAnswerMs = 3000;
    static constexpr int kMaxAnswerBytes = 64;
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
    // How long one answer is read at most, pauses included.
    void setAnswerTimeLimit(int ms);
    // Called again and again while the probe waits, so that a window can stay
    // responsive; it must not start another probe.
    void setWaitHook(std::function<void()> hook) { m_waitHook = std::move(hook); }
    // Ends the probing at once, from the wait hook: the answer being read is
    // dropped, and no port gets another byte (no FLASH command either).
    void stop() { m_stopped = true; }

    // Probes every port in order; each one that answers gets the FLASH command.
    // True when at least one did.
    bool switchToFlash(const QStringList& portNames);
    ProbeResult probe(const QString& portName);

    static bool isLoggerAnswer(const QByteArray& answer);

private:
    QByteArray readAnswer();

    QSerialPort m_port;
    int m_silenceMs = kDefaultSilenceMs;
    int m_answerMs = kDefaultAnswerMs;
    std::function<void()> m_waitHook;
    bool m_stopped = false;
};
