#pragma once

#include <QDir>
#include <QHash>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QVariantMap>

// The channels named by a log definition file ("log.def") and the protocol
// directory it points at. A definition is taken whole or not at all: init()
// replaces what an earlier one named, and a refused definition leaves no
// channel behind, so a protocol is never decoded with a mixture of two.
class ChannelCatalogue
{
public:
    ChannelCatalogue() = default;
    Q_DISABLE_COPY_MOVE(ChannelCatalogue)

    // A log.def larger than this is not a definition; reading stops there.
    static constexpr qint64 kMaxDefinitionSize = 64 * 1024 * 1024;
    // A record ID is one byte; 0 is what a channel without "ID" would get.
    static constexpr int kMinId = 1;
    static constexpr int kMaxId = 255;
    // A raw value has at most ten digits; RATE 9 still leaves one of them
    // before the point for the largest, and the number text holds them all.
    static constexpr int kMaxRate = 9;

    bool init(const QString& path);
    // The protocol folder that the log.def of `logDirectory` names with ROOT,
    // absolute, found without creating anything; empty when there is no
    // readable definition.
    static QString protocolFolderOf(const QString& logDirectory);
    // English, for standard error; the same in Russian for the window.
    QString lastError() const { return m_lastError; }
    QString russianError() const { return m_russianError; }

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
    // The applied log.def, absolute; empty while none is.
    QString definitionPath() const { return m_definitionPath; }
    // The code that records of `id` belong to; empty for an ID the
    // definition lacks.
    QString codeOfId(int id) const { return m_codeById.value(id); }

    // Protocol directory named by the last definition's ROOT; unset (and so
    // not a directory to list) until a definition got that far.
    bool hasProtocolDir() const { return m_hasProtocolDir; }
    QDir protocolDir() const { return m_protocolDir; }

private:
    struct Place; // where a channel stands in the file

    bool fail(const QString& english, const QString& russian);
    // The parse error text with what was wrong where.
    bool failParse(const QString& detail, const QString& russianDetail);
    bool refuse(const QByteArray& text, const Place& place, const QString& english,
                const QString& russian);
    void clear();
    void setProtocolDir(const QDir& logDir, const QString& root);
    bool readContent(const QByteArray& text, const QVariantList& groups);
    bool readChannel(const QByteArray& text, const QString& group, const QVariantMap& channel,
                     const Place& place, QHash<QString, Place>& firstPlace);
    void mergeRefs(const QString& code, const QVariantList& refs);

    QMap<QString, int> m_ids;
    QHash<QString, QString> m_names;
    QHash<int, int> m_rates;
    QMultiMap<QString, QString> m_groups;
    QHash<QString, QMap<int, QString>> m_refs;
    QHash<int, QString> m_codeById;
    QDir m_protocolDir;
    bool m_hasProtocolDir = false;
    QString m_lastError;
    QString m_russianError;
    QString m_definitionPath;
};
