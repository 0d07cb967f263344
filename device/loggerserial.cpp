#include "device/loggerserial.h"

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

bool LoggerSerial::switchToFlash(const QStringList& portNames)
{
    bool found = false;
    // Every port is probed, also after a logger has answered: several may be attached.
    for (const QString& name : portNames)
        found = (probe(name) == ProbeResult::Switched) || found;
    return found;
}

LoggerSerial::ProbeResult LoggerSerial::probe(const QString& portName)
{
    m_port.setPortName(portName);
    if (!m_port.open(QIODevice::ReadWrite))
        return ProbeResult::NotOpened;

    ProbeResult result = ProbeResult::NoDevice;
    m_port.write(kProbe);
    if (!m_port.waitForBytesWritten(kWriteTimeoutMs)) {
        result = ProbeResult::NotWritten;
    } else if (isLoggerAnswer(readAnswer())) {
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
    QByteArray answer = m_port.readAll();
    while (m_port.waitForReadyRead(m_silenceMs))
        answer += m_port.readAll();
    return answer + m_port.readAll();
}

bool LoggerSerial::isLoggerAnswer(const QByteArray& answer)
{
    return answer.size() > 2 && answer.startsWith(kAnswerStart);
}
