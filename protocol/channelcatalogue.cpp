#include "protocol/channelcatalogue.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QVariantList>

#include <algorithm>

namespace {
const char kLogPathMissing[] = "Log path not exists";
const char kDefinitionMissing[] = "Log definition file not found";
const char kCannotOpen[] = "Can't open log definition file";
const char kCannotParse[] = "Can't parse log definition file";

// Keys whose value must be a JSON string; anything else counts as absent.
QString stringValue(const QVariantMap& map, const QString& key)
{
    const QVariant value = map.value(key);
    return value.type() == QVariant::String ? value.toString() : QString();
}

// "line L, column C: cause" of a JSON syntax error, so that a hand-edited
// definition can be mended where it went wrong. Lines and columns count
// from 1; a column counts bytes.
QString syntaxDetail(const QByteArray& text, const QJsonParseError& error)
{
    const int offset = qBound(0, error.offset, text.size());
    const int lineStart = text.lastIndexOf('\n', offset - 1) + 1;
    const int line = int(std::count(text.cbegin(), text.cbegin() + lineStart, '\n')) + 1;
    const QString cause = error.error == QJsonParseError::IllegalUTF8String
                              ? QStringLiteral("a text that is not UTF-8")
                              : error.errorString();
    return QStringLiteral("line %1, column %2: %3")
        .arg(line)
        .arg(offset - lineStart + 1)
        .arg(cause);
}
} // namespace

bool ChannelCatalogue::fail(const char* text)
{
    m_lastError = QString::fromLatin1(text);
    return false;
}

bool ChannelCatalogue::failParse(const QString& detail)
{
    m_lastError = QString::fromLatin1(kCannotParse) + QStringLiteral(": ") + detail;
    return false;
}

bool ChannelCatalogue::init(const QString& path)
{
    m_lastError.clear();
    const QDir logDir(path);
    if (path.isEmpty() || !logDir.exists())
        return fail(kLogPathMissing);

    const QString definitionPath = logDir.filePath(QStringLiteral("log.def"));
    if (!QFileInfo::exists(definitionPath))
        return fail(kDefinitionMissing);
    QFile file(definitionPath);
    if (!file.open(QIODevice::ReadOnly))
        return fail(kCannotOpen);
    if (file.size() > kMaxDefinitionSize) {
        m_lastError = QStringLiteral("Log definition file is larger than %1 MiB")
                          .arg(kMaxDefinitionSize / (1024 * 1024));
        return false;
    }
    const QByteArray text = file.readAll();
    file.close();

    QJsonParseError syntax;
    const QVariant tree = QJsonDocument::fromJson(text, &syntax).toVariant();
    if (syntax.error != QJsonParseError::NoError)
        return failParse(syntaxDetail(text, syntax));
    if (tree.type() != QVariant::Map || tree.toMap().isEmpty())
        return failParse(QStringLiteral("no object with CONTENT at the top"));
    const QVariantMap top = tree.toMap();

    // The protocol directory follows ROOT even when CONTENT turns out unusable.
    setProtocolDir(logDir, stringValue(top, QStringLiteral("ROOT")));

    const QVariant content = top.value(QStringLiteral("CONTENT"));
    if (content.type() != QVariant::List || content.toList().isEmpty())
        return failParse(QStringLiteral("CONTENT is no list of groups"));
    const QVariantList groups = content.toList();
    for (int i = 0; i < groups.size(); ++i) {
        if (!readGroup(groups[i]))
            return failParse(
                QStringLiteral("group %1 of CONTENT is no object with a VALUES list").arg(i + 1));
    }
    return true;
}

void ChannelCatalogue::setProtocolDir(const QDir& logDir, const QString& rootText)
{
    // Qt takes a path that starts with ':' for one of the program's own
    // resources; in a definition it is a folder of that name beside log.def.
    const QString root =
        rootText.startsWith(QLatin1Char(':')) ? QStringLiteral("./") + rootText : rootText;
    QDir dir(logDir.absolutePath());
    if (!root.isEmpty() && !dir.cd(root)) {
        dir.mkpath(root);
        if (!dir.cd(root)) {
            // Something that is not a directory is in ROOT's way. Point at the
            // unusable path rather than silently at the log directory, so no
            // protocol of the wrong directory is listed or written.
            dir.setPath(QDir::cleanPath(QDir(logDir.absolutePath()).absoluteFilePath(root)));
        }
    }
    m_protocolDir = dir;
    m_hasProtocolDir = true;
}

bool ChannelCatalogue::readGroup(const QVariant& group)
{
    if (group.type() != QVariant::Map)
        return false;
    const QVariantMap map = group.toMap();
    const QString name = stringValue(map, QStringLiteral("GROUP"));
    const QVariant values = map.value(QStringLiteral("VALUES"));
    if (values.type() != QVariant::List)
        return false;
    const QVariantList channels = values.toList();
    for (const QVariant& channel : channels) {
        if (channel.type() == QVariant::Map)
            readChannel(name, channel.toMap());
    }
    return true;
}

void ChannelCatalogue::readChannel(const QString& group, const QVariantMap& channel)
{
    const QString code = channel.value(QStringLiteral("CODE")).toString();
    const int id = channel.value(QStringLiteral("ID")).toInt();
    m_groups.insert(group, code);
    m_ids.insert(code, id);
    m_latestById.insert(id, code);
    m_names.insert(code, channel.value(QStringLiteral("NAME")).toString());
    m_rates.insert(id, channel.value(QStringLiteral("RATE")).toInt());
    const QVariant refs = channel.value(QStringLiteral("REFS"));
    if (refs.type() == QVariant::List)
        mergeRefs(code, refs.toList());
}

void ChannelCatalogue::mergeRefs(const QString& code, const QVariantList& refs)
{
    QMap<int, QString> texts = m_refs.value(code);
    for (const QVariant& ref : refs) {
        if (ref.type() != QVariant::Map)
            continue;
        const QVariantMap map = ref.toMap();
        texts.insert(map.value(QStringLiteral("VALUE")).toInt(),
                     map.value(QStringLiteral("STRING")).toString());
    }
    if (!texts.isEmpty())
        m_refs.insert(code, texts);
}

QStringList ChannelCatalogue::codes() const
{
    return m_ids.keys();
}

int ChannelCatalogue::channelId(const QString& code) const
{
    return m_ids.value(code, 0);
}

QString ChannelCatalogue::channelName(const QString& code) const
{
    return m_names.value(code);
}

QString ChannelCatalogue::channelTitle(const QString& code) const
{
    return QStringLiteral("%1 (%2)").arg(channelName(code), code);
}

QString ChannelCatalogue::codeByTitle(const QString& title) const
{
    for (auto it = m_ids.cbegin(); it != m_ids.cend(); ++it) {
        if (channelTitle(it.key()) == title)
            return it.key();
    }
    return {};
}

QString ChannelCatalogue::codeOfId(int id) const
{
    const auto it = m_latestById.constFind(id);
    if (it == m_latestById.cend())
        return {};
    if (m_ids.value(it.value()) == id)
        return it.value();
    // That code has since moved to another ID; an older one may still have it.
    for (auto code = m_ids.cbegin(); code != m_ids.cend(); ++code) {
        if (code.value() == id)
            return code.key();
    }
    return {};
}

int ChannelCatalogue::rateById(int id) const
{
    return m_rates.value(id, 0);
}

int ChannelCatalogue::rateByCode(const QString& code) const
{
    // An unknown code has no ID; it must not borrow the scale of channel 0.
    const auto it = m_ids.constFind(code);
    return it == m_ids.cend() ? 0 : rateById(it.value());
}

bool ChannelCatalogue::hasRefs(const QString& code) const
{
    return m_refs.contains(code);
}

QString ChannelCatalogue::refText(const QString& code, int raw) const
{
    const auto it = m_refs.constFind(code);
    return it == m_refs.cend() ? QString() : it.value().value(raw);
}

QStringList ChannelCatalogue::groupsOfCode(const QString& code) const
{
    QStringList names;
    for (auto it = m_groups.cbegin(); it != m_groups.cend(); ++it) {
        if (it.value() == code && !names.contains(it.key()))
            names.append(it.key());
    }
    return names;
}
