// Arbitrary text as log.def: the catalogue must answer every query without
// fault, agree with the definition read plainly from the JSON tree, and come
// out the same when the same definition is applied twice.

#include "fuzzsupport.h"
#include "protocol/channelcatalogue.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <QTemporaryDir>
#include <QVariantList>
#include <QVariantMap>

#include <cmath>

using fuzz::require;

namespace {
QTemporaryDir* g_scratch = nullptr;

QString logDir()
{
    return g_scratch->path() + QStringLiteral("/def");
}

// ROOT may name any path, and the catalogue creates it. A ROOT that would
// leave the log directory is cut down to the harmless part of it, so the
// fuzzer never creates folders outside its scratch folder.
QByteArray confined(const QByteArray& text, const QJsonDocument& document)
{
    if (!document.isObject())
        return text;
    QJsonObject top = document.object();
    const QString root = top.value(QStringLiteral("ROOT")).toString();
    const QStringList parts = root.split(QLatin1Char('/'));
    if (!root.startsWith(QLatin1Char('/')) && !parts.contains(QStringLiteral("..")))
        return text;
    QStringList kept;
    for (const QString& part : parts) {
        if (!part.isEmpty() && part != QLatin1String(".."))
            kept.append(part);
    }
    top.insert(QStringLiteral("ROOT"), kept.join(QLatin1Char('/')));
    return QJsonDocument(top).toJson(QJsonDocument::Compact);
}

// What the definition says, read straight from its JSON tree.
struct Expected
{
    bool ok = false;
    bool rootSet = false;
    QMap<QString, int> ids;
    QMap<QString, int> rates;
    QMap<QString, QString> names;
    QMap<QString, QSet<QString>> groups;
    QMap<QString, QSet<int>> refValues;
};

// A JSON number without a fraction.
bool whole(const QVariant& value, int& number)
{
    // JSON numbers come as doubles, or as 64-bit integers when whole.
    if (value.userType() != QMetaType::Double && value.userType() != QMetaType::LongLong)
        return false;
    const double real = value.toDouble();
    if (real != std::floor(real) || std::abs(real) > 1e9)
        return false;
    number = int(real);
    return true;
}

Expected& refused(Expected& e)
{
    e.ids.clear();
    e.names.clear();
    e.groups.clear();
    e.refValues.clear();
    e.rates.clear();
    return e;
}

Expected expectedFrom(const QVariant& tree)
{
    Expected e;
    if (tree.type() != QVariant::Map || tree.toMap().isEmpty())
        return e;
    e.rootSet = true;
    const QVariant content = tree.toMap().value(QStringLiteral("CONTENT"));
    if (content.type() != QVariant::List || content.toList().isEmpty())
        return e;
    for (const QVariant& group : content.toList()) {
        const QVariant values = group.toMap().value(QStringLiteral("VALUES"));
        if (group.type() != QVariant::Map || values.type() != QVariant::List)
            return e;
        const QVariant groupName = group.toMap().value(QStringLiteral("GROUP"));
        for (const QVariant& element : values.toList()) {
            if (element.type() != QVariant::Map)
                continue;
            const QVariantMap channel = element.toMap();
            const QVariant codeValue = channel.value(QStringLiteral("CODE"));
            const QString code = codeValue.toString();
            int id = 0;
            int rate = 0;
            const QVariant rateValue = channel.value(QStringLiteral("RATE"));
            const QString name = channel.value(QStringLiteral("NAME")).toString();
            // Refused: no code, an ID outside one byte's 1 to 255, a RATE
            // outside 0 to 9, a code again with other values, an ID twice.
            if (codeValue.type() != QVariant::String || code.isEmpty() ||
                !whole(channel.value(QStringLiteral("ID")), id) || id < 1 || id > 255 ||
                (rateValue.isValid() && (!whole(rateValue, rate) || rate < 0 || rate > 9)))
                return refused(e);
            if (e.ids.contains(code)
                    ? (e.ids[code] != id || e.names[code] != name || e.rates[code] != rate)
                    : e.ids.values().contains(id))
                return refused(e);
            e.ids[code] = id;
            e.rates[code] = rate;
            e.names[code] = name;
            e.groups[code].insert(groupName.type() == QVariant::String ? groupName.toString()
                                                                       : QString());
            for (const QVariant& ref : channel.value(QStringLiteral("REFS")).toList()) {
                if (ref.type() == QVariant::Map)
                    e.refValues[code].insert(ref.toMap().value(QStringLiteral("VALUE")).toInt());
            }
        }
    }
    if (e.ids.isEmpty())
        return refused(e);
    e.ok = true;
    return e;
}

// Every answer of the catalogue, as text, for comparing two catalogues.
QString answers(const ChannelCatalogue& catalogue, const Expected& expected)
{
    QStringList out;
    QStringList codes = catalogue.codes();
    codes.sort();
    for (const QString& code : codes) {
        out << code << QString::number(catalogue.channelId(code)) << catalogue.channelName(code)
            << catalogue.channelTitle(code) << catalogue.codeByTitle(catalogue.channelTitle(code))
            << QString::number(catalogue.rateByCode(code))
            << QString::number(catalogue.hasRefs(code)) << catalogue.groupsOfCode(code);
        for (const int value : expected.refValues.value(code))
            out << catalogue.refText(code, value);
    }
    for (const int id : {-1, 0, 1, 255, 256, std::numeric_limits<int>::min()})
        out << QString::number(catalogue.rateById(id)) << catalogue.codeOfId(id);
    return out.join(QLatin1Char('\x1f'));
}

void check(const ChannelCatalogue& catalogue, bool ok, const Expected& expected)
{
    require(ok == expected.ok, "init succeeds exactly for a well-formed definition");
    require(ok == catalogue.lastError().isEmpty(), "a failure leaves an error text");
    require(catalogue.hasProtocolDir() == expected.rootSet, "ROOT is applied when it is read");
    if (catalogue.hasProtocolDir()) {
        const QString dir = catalogue.protocolDir().absolutePath();
        require(dir == logDir() || dir.startsWith(logDir() + QLatin1Char('/')),
                "the protocol directory lies in the log directory");
    }
    if (!ok) {
        require(catalogue.codes().isEmpty(), "a refused definition leaves no channel");
        return;
    }

    QStringList codes = catalogue.codes();
    QStringList expectedCodes = expected.ids.keys();
    codes.sort();
    require(codes == expectedCodes, "the codes are those of the definition");
    for (const QString& code : codes) {
        require(catalogue.channelId(code) == expected.ids.value(code), "the last ID of a code");
        require(catalogue.channelName(code) == expected.names.value(code),
                "the last name of a code");
        const QStringList groups = catalogue.groupsOfCode(code);
        require(QSet<QString>(groups.begin(), groups.end()) == expected.groups.value(code),
                "the groups that list a code");
        require(catalogue.hasRefs(code) == expected.refValues.contains(code),
                "value texts exactly for codes with REFS objects");
        const QString title = catalogue.channelTitle(code);
        require(catalogue.channelTitle(catalogue.codeByTitle(title)) == title,
                "a title leads back to a code of that title");
        require(catalogue.rateByCode(code) == catalogue.rateById(catalogue.channelId(code)),
                "the rate of a code is the rate of its ID");
        require(catalogue.rateByCode(code) == expected.rates.value(code), "the RATE of a code");
        require(catalogue.codeOfId(catalogue.channelId(code)) == code, "an ID has one code");
    }
    for (int id = 0; id < 256; ++id) {
        const QString code = catalogue.codeOfId(id);
        require(code.isEmpty() || catalogue.channelId(code) == id,
                "records of an ID go to a code of that ID");
    }
}
} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    g_scratch = &fuzz::startCore(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray input(reinterpret_cast<const char*>(data), int(size));
    QJsonDocument document = QJsonDocument::fromJson(input);
    const QByteArray text = confined(input, document);
    if (text != input)
        document = QJsonDocument::fromJson(text);
    const Expected expected = expectedFrom(document.toVariant());

    // Only a ROOT creates folders beside log.def.
    static bool hadRoot = true;
    if (hadRoot) {
        QDir(logDir()).removeRecursively();
        QDir().mkpath(logDir());
    }
    hadRoot = !document.object().value(QStringLiteral("ROOT")).toString().isEmpty();
    QFile file(logDir() + QStringLiteral("/log.def"));
    require(file.open(QIODevice::WriteOnly) && file.write(text) == text.size(), "log.def written");
    file.close();

    ChannelCatalogue catalogue;
    const bool ok = catalogue.init(logDir());
    check(catalogue, ok, expected);

    // The same definition again adds nothing new. Checked on a quarter of the
    // inputs only: it doubles the cost of a run.
    if (size % 4 != 0)
        return 0;
    const QString first = answers(catalogue, expected);
    const bool again = catalogue.init(logDir());
    require(again == ok, "the same definition gives the same result");
    require(answers(catalogue, expected) == first, "the same definition changes nothing");
    return 0;
}
