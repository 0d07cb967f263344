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
bool StreamLoger::init(const QString&) { return false; }
QString StreamLoger::lastError() const { return m_lastError; }
QStringList StreamLoger::codes() const { return {}; }
int StreamLoger::channelId(const QString&) const { return 0; }
QString StreamLoger::channelName(const QString&) const { return {}; }
QString StreamLoger::channelTitle(const QString& code) const
{
    return QStringLiteral("%1 (%2)").arg(channelName(code), code);
}
QString StreamLoger::codeByTitle(const QString&) const { return {}; }
int StreamLoger::rateById(int) const { return 0; }
int StreamLoger::rateByCode(const QString&) const { return 0; }
bool StreamLoger::hasRefs(const QString&) const { return false; }
QString StreamLoger::refText(const QString&, int) const { return {}; }
QStringList StreamLoger::groupsOfCode(const QString&) const { return {}; }
QDir StreamLoger::protocolDir() const { return m_protocolDir; }
QList<ProtocolInfo> StreamLoger::protocolList() { return {}; }
bool StreamLoger::openProtocol(int, quint16, const QString&) { return false; }
void StreamLoger::closeProtocol() {}
void StreamLoger::protocolTimeBase(QDateTime&, quint16&) const {}
QDateTime StreamLoger::tickToDateTime(quint32) const { return {}; }
ChannelRecords StreamLoger::readProtocol() { return {}; }
bool StreamLoger::writeValue(const QString&, qint32, bool, quint32) { return false; }
bool StreamLoger::writeReal(const QString&, double, bool, quint32) { return false; }
