#pragma once

#include <QByteArray>
#include <QFile>

#include <cstring>

// Peak resident memory above the level at reset, in MiB (Linux).
class PeakMemory
{
public:
    PeakMemory()
    {
        QFile reset(QStringLiteral("/proc/self/clear_refs"));
        if (reset.open(QIODevice::WriteOnly))
            reset.write("5");
        m_base = read("VmRSS:");
    }
    double extraMiB() const { return (read("VmHWM:") - m_base) / 1024.0; }

private:
    static double read(const char* key)
    {
        QFile status(QStringLiteral("/proc/self/status"));
        if (!status.open(QIODevice::ReadOnly))
            return 0;
        for (const QByteArray& line : status.readAll().split('\n')) {
            if (line.startsWith(key))
                return line.mid(int(std::strlen(key))).trimmed().split(' ').value(0).toDouble();
        }
        return 0;
    }
    double m_base = 0;
};
