#include "device/loggerserial.h"

#include <QElapsedTimer>

#include <algorithm>

namespace {
// The probe waits in short slices so that the wait hook runs often.
constexpr int kWaitSliceMs = 50;
} // namespace

const QByteArray LoggerSerial::kProbe = QByteArray::fromHex("AAFF");
const QByteArray LoggerSerial::kAnswerStart = QByteArray::fromHex("55FF");
const QByteArray LoggerSerial::kFlashCommand = QByteArray::fromHex("AA03");

LoggerSerial::LoggerSerial()
{
    m_port.setBaudRate(QSerialPort::Baud115200, QSerialPort::AllDirections);
    m_port.setDataBits(QSerialPort::Data8);
    m_port.setParity(QSerialPort::NoParity);
    m_port.setStopBits(QSerialPort::OneStop);
    m_port.setFlowControl(QSerialPort::NoFlowControl);
}

void LoggerSerial::setSilenceInterval(int ms)
{
    if (ms > 0)
        m_silenceMs = ms;
}

void LoggerSerial::setAnswerTimeLimit(int ms)
{
    if (ms > 0)
        m_answerMs = ms;
}

bool LoggerSerial::switchToFlash(const QStringList& portNames)
{
    bool found = false;
    // Every port is probed, also after a logger has answered: several may be attached.
    for (const QString& name : portNames) {
        if (m_stopped)
            break;
        found = (probe(name) == ProbeResult::Switched) || found;
    }
    return found;
}

LoggerSerial::ProbeResult LoggerSerial::probe(const QString& portName)
{
    m_port.setPortName(portName);
    if (m_stopped || !m_port.open(QIODevice::ReadWrite))
        return ProbeResult::NotOpened;

    ProbeResult result = ProbeResult::NoDevice;
    m_port.write(kProbe);
    if (!m_port.waitForBytesWritten(kWriteTimeoutMs)) {
        result = ProbeResult::NotWritten;
    } else if (isLoggerAnswer(readAnswer()) && !m_stopped) {
        // No answer follows the command; the device just switches.
        m_port.write(kFlashCommand);
        m_port.waitForBytesWritten(kWriteTimeoutMs);
        result = ProbeResult::Switched;
    }
    m_port.close();
    return result;
}

QByteArray LoggerSerial::readAnswer()
{
    // Part of the answer may already have come in while the probe was written.
    QByteArray answer = m_port.read(kMaxAnswerBytes);
    QElapsedTimer sinceStart;
    sinceStart.start();
    QElapsedTimer sinceData;
    sinceData.start();
    while (answer.size() < kMaxAnswerBytes && !sinceStart.hasExpired(m_answerMs) &&
           !sinceData.hasExpired(m_silenceMs)) {
        const qint64 left =
            std::min(m_answerMs - sinceStart.elapsed(), m_silenceMs - sinceData.elapsed());
        const int slice = int(std::clamp<qint64>(left, 1, kWaitSliceMs));
        if (m_port.waitForReadyRead(slice)) {
            answer += m_port.read(kMaxAnswerBytes - answer.size());
            sinceData.restart();
        } else if (m_port.error() != QSerialPort::NoError &&
                   m_port.error() != QSerialPort::TimeoutError) {
            break;
        }
        if (m_waitHook)
            m_waitHook();
        if (m_stopped)
            break;
    }
    return answer;
}

bool LoggerSerial::isLoggerAnswer(const QByteArray& answer)
{
    return answer.size() > 2 && answer.startsWith(kAnswerStart);
}
