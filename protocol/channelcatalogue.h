#pragma once

#include <QDir>
#include <QHash>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QVariantMap>

// The channels named by a log definition file ("log.def") and the protocol
// directory it points at. Reading a second definition adds to the first:
// nothing is ever removed, equal keys are overwritten.
class ChannelCatalogue
{
public:
    ChannelCatalogue() = default;
    Q_DISABLE_COPY_MOVE(ChannelCatalogue)

    // A log.def larger than this is not a definition; it is refused unread.
    static constexpr qint64 kMaxDefinitionSize = 64 * 1024 * 1024;

    bool init(const QString& path);
    QString lastError() const { return m_lastError; }

    // getters:
    QStringList codes() const;
    int channelId(const QString& code) const;
    QString channelName(const QString& code) const;
    QString channelTitle(const QString& code) const;
    QString codeByTitle(const QString& title) const;
    int rateById(int id) const;
    int rateByCode(const QString& code) const;
    bool hasRefs(const QString& code) const;
    QString refText(const QString& code, int raw) const;
    QStringList groupsOfCode(const QString& code) const;
    bool hasCode(const QString& code) const { return m_ids.contains(code); }
    // The code that records of `id` belong to: of several codes with that ID,
    // the one defined last, so a newly applied definition takes over its IDs.
    QString codeOfId(int id) const;

    // Protocol directory named by the last definition's ROOT; unset (and so
    // not a directory to list) until a definition got that far.
    bool hasProtocolDir() const { return m_hasProtocolDir; }
    QDir protocolDir() const { return m_protocolDir; }

private:
    bool fail(const char* text);
    // The parse error text with what was wrong where.
    bool failParse(const QString& detail);
    void setProtocolDir(const QDir& logDir, const QString& root);
    bool readGroup(const QVariant& group);
    void readChannel(const QString& group, const QVariantMap& channel);
    void mergeRefs(const QString& code, const QVariantList& refs);

    QMap<QString, int> m_ids;
    QHash<QString, QString> m_names;
    QHash<int, int> m_rates;
    QMultiMap<QString, QString> m_groups;
    QHash<QString, QMap<int, QString>> m_refs;
    QHash<int, QString> m_latestById;
    QDir m_protocolDir;
    bool m_hasProtocolDir = false;
    QString m_lastError;
};
