#include "protocol/streamloger.h"

// Placeholder bodies; the catalogue and the reader replace them.
namespace {
StreamLoger* g_instance = nullptr;
}

StreamLoger* StreamLoger::instance()
{
    if (!g_instance)
        g_instance = new StreamLoger;
    return g_instance;
}
void StreamLoger::release()
{
    delete g_instance;
    g_instance = nullptr;
}
void StreamLoger::cancelLoad() {}
bool StreamLoger::init(const QString& path)
{
    return m_catalogue.init(path);
}
QString StreamLoger::lastError() const
{
    return m_catalogue.lastError();
}
QStringList StreamLoger::codes() const
{
    return m_catalogue.codes();
}
int StreamLoger::channelId(const QString& code) const
{
    return m_catalogue.channelId(code);
}
QString StreamLoger::channelName(const QString& code) const
{
    return m_catalogue.channelName(code);
}
QString StreamLoger::channelTitle(const QString& code) const
{
    return m_catalogue.channelTitle(code);
}
QString StreamLoger::codeByTitle(const QString& title) const
{
    return m_catalogue.codeByTitle(title);
}
int StreamLoger::rateById(int id) const
{
    return m_catalogue.rateById(id);
}
int StreamLoger::rateByCode(const QString& code) const
{
    return m_catalogue.rateByCode(code);
}
bool StreamLoger::hasRefs(const QString& code) const
{
    return m_catalogue.hasRefs(code);
}
QString StreamLoger::refText(const QString& code, int raw) const
{
    return m_catalogue.refText(code, raw);
}
QStringList StreamLoger::groupsOfCode(const QString& code) const
{
    return m_catalogue.groupsOfCode(code);
}
QDir StreamLoger::protocolDir() const
{
    return m_catalogue.protocolDir();
}
QList<ProtocolInfo> StreamLoger::protocolList()
{
    return {};
}
bool StreamLoger::openProtocol(int, quint16, const QString&)
{
    return false;
}
void StreamLoger::closeProtocol() {}
void StreamLoger::protocolTimeBase(QDateTime&, quint16&) const {}
QDateTime StreamLoger::tickToDateTime(quint32) const
{
    return {};
}
ChannelRecords StreamLoger::readProtocol()
{
    return {};
}
bool StreamLoger::writeValue(const QString&, qint32, bool, quint32)
{
    return false;
}
bool StreamLoger::writeReal(const QString&, double, bool, quint32)
{
    return false;
}
