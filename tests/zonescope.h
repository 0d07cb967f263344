#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <ctime>

// Runs with the process in another time zone, then puts the old one back.
class ZoneScope
{
public:
    explicit ZoneScope(const char* zone)
        : m_old(qgetenv("TZ")), m_had(qEnvironmentVariableIsSet("TZ"))
    {
        qputenv("TZ", zone);
        tzset();
    }
    ~ZoneScope()
    {
        if (m_had)
            qputenv("TZ", m_old);
        else
            qunsetenv("TZ");
        tzset();
    }

private:
    QByteArray m_old;
    bool m_had;
};
