#include "protocol/channelcatalogue.h"

#include "protocol/readablefile.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QVariantList>

#include <algorithm>
#include <cstring>
#include <cmath>

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
QString syntaxDetail(const QByteArray& text, const QJsonParseError& error, bool russian)
{
    const int offset = qBound(0, error.offset, text.size());
    const int lineStart = text.lastIndexOf('\n', offset - 1) + 1;
    const int line = int(std::count(text.cbegin(), text.cbegin() + lineStart, '\n')) + 1;
    const bool notUtf8 = error.error == QJsonParseError::IllegalUTF8String;
    if (russian)
        return QStringLiteral("строка %1, столбец %2: %3")
            .arg(line)
            .arg(offset - lineStart + 1)
            .arg(notUtf8 ? QStringLiteral("текст не в кодировке UTF-8") : error.errorString());
    return QStringLiteral("line %1, column %2: %3")
        .arg(line)
        .arg(offset - lineStart + 1)
        .arg(notUtf8 ? QStringLiteral("a text that is not UTF-8") : error.errorString());
}

// Finds where a value stands in JSON text that has already parsed, by its
// path of keys and indexes, so that a refused channel can be named by its
// line. Of keys given twice the last counts, as for the parser.
class JsonPath
{
public:
    explicit JsonPath(const QByteArray& text) : m_text(text) {}

    int lineOf(const QVariantList& path) const
    {
        const int offset = find(0, path, 0);
        return offset < 0 ? 0
                          : int(std::count(m_text.cbegin(), m_text.cbegin() + offset, '\n')) + 1;
    }

private:
    int find(int pos, const QVariantList& path, int depth) const
    {
        pos = skipSpace(pos);
        if (depth == path.size())
            return pos;
        if (pos >= m_text.size())
            return -1;
        const QVariant& step = path[depth];
        const char open = m_text[pos];
        if (open != '{' && open != '[')
            return -1;
        int found = -1;
        int index = 0;
        pos = skipSpace(pos + 1);
        while (pos < m_text.size() && m_text[pos] != '}' && m_text[pos] != ']') {
            if (open == '{') {
                const int keyEnd = skipString(pos);
                const bool match = key(pos, keyEnd) == step.toString();
                pos = skipSpace(skipSpace(keyEnd) + 1);
                if (match && step.type() == QVariant::String)
                    found = pos;
            } else if (step.type() == QVariant::Int && index == step.toInt()) {
                found = pos;
            }
            ++index;
            pos = skipSpace(skipValue(pos));
            if (pos < m_text.size() && m_text[pos] == ',')
                pos = skipSpace(pos + 1);
        }
        return found < 0 ? -1 : find(found, path, depth + 1);
    }

    QString key(int from, int end) const
    {
        const QByteArray quoted = m_text.mid(from, end - from);
        if (!quoted.contains('\\'))
            return QString::fromUtf8(quoted.mid(1, quoted.size() - 2));
        return QJsonDocument::fromJson('[' + quoted + ']').array().at(0).toString();
    }

    int skipSpace(int pos) const
    {
        while (pos < m_text.size() && std::strchr(" \t\r\n", m_text[pos]) && m_text[pos])
            ++pos;
        return pos;
    }

    int skipString(int pos) const
    {
        for (++pos; pos < m_text.size() && m_text[pos] != '"'; ++pos) {
            if (m_text[pos] == '\\')
                ++pos;
        }
        return pos + 1;
    }

    int skipValue(int pos) const
    {
        if (pos >= m_text.size())
            return pos;
        if (m_text[pos] == '"')
            return skipString(pos);
        int depth = 0;
        for (; pos < m_text.size(); ++pos) {
            const char c = m_text[pos];
            if (c == '"') {
                pos = skipString(pos) - 1;
            } else if (c == '{' || c == '[') {
                ++depth;
            } else if (c == '}' || c == ']') {
                if (depth == 0)
                    return pos;
                if (--depth == 0)
                    return pos + 1;
            } else if (depth == 0 && (c == ',' || std::strchr(" \t\r\n", c))) {
                return pos;
            }
        }
        return pos;
    }

    const QByteArray& m_text;
};

// A JSON number without a fraction; false for any other value.
bool wholeNumber(const QVariant& value, int& number)
{
    switch (value.userType()) {
    case QMetaType::Double:
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
        break;
    default:
        return false;
    }
    const double real = value.toDouble();
    if (!std::isfinite(real) || real != std::floor(real) || std::abs(real) > 1e9)
        return false;
    number = int(real);
    return true;
}

// A value as the definition writes it, for messages.
QString shown(const QVariant& value)
{
    if (!value.isValid())
        return QStringLiteral("—");
    const QByteArray json =
        QJsonDocument(QJsonArray{QJsonValue::fromVariant(value)}).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(json.mid(1, json.size() - 2));
}
} // namespace

struct ChannelCatalogue::Place
{
    int group = 0;
    int channel = 0;

    int line(const QByteArray& text) const
    {
        return JsonPath(text).lineOf(
            {QStringLiteral("CONTENT"), group, QStringLiteral("VALUES"), channel});
    }
};

bool ChannelCatalogue::fail(const QString& english, const QString& russian)
{
    clear();
    m_lastError = english;
    m_russianError = russian;
    return false;
}

bool ChannelCatalogue::failParse(const QString& detail, const QString& russianDetail)
{
    return fail(QString::fromLatin1(kCannotParse) + QStringLiteral(": ") + detail,
                QStringLiteral("ошибка в log.def: ") + russianDetail);
}

bool ChannelCatalogue::refuse(const QByteArray& text, const Place& place, const QString& english,
                              const QString& russian)
{
    const int line = place.line(text);
    return fail(QStringLiteral("Log definition file refused: line %1: %2").arg(line).arg(english),
                QStringLiteral("log.def не принят: строка %1: %2").arg(line).arg(russian));
}

void ChannelCatalogue::clear()
{
    m_definitionPath.clear();
    m_ids.clear();
    m_names.clear();
    m_rates.clear();
    m_groups.clear();
    m_refs.clear();
    m_codeById.clear();
}

bool ChannelCatalogue::init(const QString& path)
{
    m_lastError.clear();
    m_russianError.clear();
    clear();
    const QDir logDir(path);
    if (path.isEmpty() || !logDir.exists())
        return fail(QString::fromLatin1(kLogPathMissing), QStringLiteral("папки нет"));

    const QString definitionPath = logDir.filePath(QStringLiteral("log.def"));
    QByteArray text;
    const readablefile::Status read =
        readablefile::readAll(definitionPath, kMaxDefinitionSize, text);
    const QString named = QDir::toNativeSeparators(definitionPath);
    switch (read.result) {
    case readablefile::Result::Opened:
        break;
    case readablefile::Result::Missing:
        return fail(QString::fromLatin1(kDefinitionMissing),
                    QStringLiteral("в папке нет файла log.def"));
    case readablefile::Result::TooLarge:
        return fail(
            QStringLiteral("Log definition file is larger than %1 MiB")
                .arg(kMaxDefinitionSize / (1024 * 1024)),
            QStringLiteral("файл log.def больше %1 МБ").arg(kMaxDefinitionSize / (1024 * 1024)));
    default:
        return fail(QString::fromLatin1(kCannotOpen) +
                        QStringLiteral(" %1: %2").arg(named, read.englishReason()),
                    QStringLiteral("%1 не прочитан: %2").arg(named, read.russianReason()));
    }

    QJsonParseError syntax;
    const QVariant tree = QJsonDocument::fromJson(text, &syntax).toVariant();
    if (syntax.error != QJsonParseError::NoError)
        return failParse(syntaxDetail(text, syntax, false), syntaxDetail(text, syntax, true));
    if (tree.type() != QVariant::Map || tree.toMap().isEmpty())
        return failParse(QStringLiteral("no object with CONTENT at the top"),
                         QStringLiteral("нет объекта с CONTENT"));
    const QVariantMap top = tree.toMap();

    // The protocol directory follows ROOT even when CONTENT turns out unusable.
    setProtocolDir(logDir, stringValue(top, QStringLiteral("ROOT")));

    const QVariant content = top.value(QStringLiteral("CONTENT"));
    if (content.type() != QVariant::List || content.toList().isEmpty())
        return failParse(QStringLiteral("CONTENT is no list of groups"),
                         QStringLiteral("CONTENT не список групп"));
    if (!readContent(text, content.toList()))
        return false;
    m_definitionPath = QFileInfo(definitionPath).absoluteFilePath();
    return true;
}

namespace {
// Qt takes a path that starts with ':' for one of the program's own
// resources; in a definition it is a folder of that name beside log.def.
QString rootPath(const QString& rootText)
{
    return rootText.startsWith(QLatin1Char(':')) ? QStringLiteral("./") + rootText : rootText;
}
} // namespace

QString ChannelCatalogue::protocolFolderOf(const QString& logDirectory)
{
    QByteArray text;
    const QDir logDir(logDirectory);
    if (logDirectory.isEmpty() ||
        !readablefile::readAll(logDir.filePath(QStringLiteral("log.def")), kMaxDefinitionSize, text)
             .ok())
        return QString();
    const QVariant tree = QJsonDocument::fromJson(text).toVariant();
    if (tree.type() != QVariant::Map)
        return QString();
    const QString root = rootPath(stringValue(tree.toMap(), QStringLiteral("ROOT")));
    return QDir::cleanPath(logDir.absoluteFilePath(root.isEmpty() ? QStringLiteral(".") : root));
}

void ChannelCatalogue::setProtocolDir(const QDir& logDir, const QString& rootText)
{
    const QString root = rootPath(rootText);
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

bool ChannelCatalogue::readContent(const QByteArray& text, const QVariantList& groups)
{
    QHash<QString, Place> firstPlace;
    for (int g = 0; g < groups.size(); ++g) {
        const QVariant& group = groups[g];
        const QVariant values = group.toMap().value(QStringLiteral("VALUES"));
        if (group.type() != QVariant::Map || values.type() != QVariant::List)
            return failParse(
                QStringLiteral("group %1 of CONTENT is no object with a VALUES list").arg(g + 1),
                QStringLiteral("группа %1 в CONTENT не объект со списком VALUES").arg(g + 1));
        const QString name = stringValue(group.toMap(), QStringLiteral("GROUP"));
        const QVariantList channels = values.toList();
        for (int c = 0; c < channels.size(); ++c) {
            // Anything but an object in a channel list is passed over.
            if (channels[c].type() != QVariant::Map)
                continue;
            const Place place{g, c};
            if (!readChannel(text, name, channels[c].toMap(), place, firstPlace))
                return false;
        }
    }
    if (m_ids.isEmpty())
        return fail(QStringLiteral("Log definition file refused: it names no channel"),
                    QStringLiteral("log.def не принят: в нём нет ни одного канала"));
    return true;
}

bool ChannelCatalogue::readChannel(const QByteArray& text, const QString& group,
                                   const QVariantMap& channel, const Place& place,
                                   QHash<QString, Place>& firstPlace)
{
    const QVariant codeValue = channel.value(QStringLiteral("CODE"));
    const QString code = codeValue.type() == QVariant::String ? codeValue.toString() : QString();
    if (code.isEmpty())
        return refuse(text, place,
                      QStringLiteral("CODE %1 is no channel code").arg(shown(codeValue)),
                      QStringLiteral("CODE %1 не код канала").arg(shown(codeValue)));
    const QVariant idValue = channel.value(QStringLiteral("ID"));
    int id = 0;
    if (!wholeNumber(idValue, id) || id < kMinId || id > kMaxId)
        return refuse(text, place,
                      QStringLiteral("ID %1 of %2 is not a whole number from %3 to %4")
                          .arg(shown(idValue), code)
                          .arg(kMinId)
                          .arg(kMaxId),
                      QStringLiteral("ID %1 канала %2 не целое число от %3 до %4")
                          .arg(shown(idValue), code)
                          .arg(kMinId)
                          .arg(kMaxId));
    const QVariant rateValue = channel.value(QStringLiteral("RATE"));
    int rate = 0;
    if (rateValue.isValid() && (!wholeNumber(rateValue, rate) || rate < 0 || rate > kMaxRate))
        return refuse(text, place,
                      QStringLiteral("RATE %1 of %2 is not a whole number from 0 to %3")
                          .arg(shown(rateValue), code)
                          .arg(kMaxRate),
                      QStringLiteral("RATE %1 канала %2 не целое число от 0 до %3")
                          .arg(shown(rateValue), code)
                          .arg(kMaxRate));
    const QString name = channel.value(QStringLiteral("NAME")).toString();

    // One channel may stand in several groups, but as the same channel.
    if (m_ids.contains(code)) {
        if (m_ids.value(code) != id || m_names.value(code) != name || m_rates.value(id) != rate) {
            const int first = firstPlace.value(code).line(text);
            return refuse(
                text, place,
                QStringLiteral("CODE %1 is given again with another ID, NAME or RATE (first on "
                               "line %2)")
                    .arg(code)
                    .arg(first),
                QStringLiteral(
                    "код %1 повторяется с другим ID, NAME или RATE (впервые в строке %2)")
                    .arg(code)
                    .arg(first));
        }
    } else if (m_codeById.contains(id)) {
        const QString other = m_codeById.value(id);
        const int first = firstPlace.value(other).line(text);
        return refuse(text, place,
                      QStringLiteral("ID %1 of %2 is already the ID of %3 (line %4)")
                          .arg(id)
                          .arg(code, other)
                          .arg(first),
                      QStringLiteral("ID %1 канала %2 уже занят каналом %3 (строка %4)")
                          .arg(id)
                          .arg(code, other)
                          .arg(first));
    } else {
        firstPlace.insert(code, place);
    }
    m_groups.insert(group, code);
    m_ids.insert(code, id);
    m_codeById.insert(id, code);
    m_names.insert(code, name);
    m_rates.insert(id, rate);
    const QVariant refs = channel.value(QStringLiteral("REFS"));
    if (refs.type() == QVariant::List)
        mergeRefs(code, refs.toList());
    return true;
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
