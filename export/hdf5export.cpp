#include "export/hdf5export.h"

#include "export/exportlayout.h"
#include "export/stagedfile.h"

#include <hdf5.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace {

constexpr hsize_t kBlockRows = 65536;
constexpr unsigned kDeflateLevel = 4;

// One HDF5 identifier, closed by its own call when it goes.
class Id
{
public:
    using Close = herr_t (*)(hid_t);
    Id(hid_t id, Close close) : m_id(id), m_close(close) {}
    ~Id()
    {
        if (m_id >= 0)
            m_close(m_id);
    }
    Id(const Id&) = delete;
    Id& operator=(const Id&) = delete;
    operator hid_t() const { return m_id; }
    bool valid() const { return m_id >= 0; }
    // Closes now, for the result: the last of the file goes to the disk here.
    bool close()
    {
        const hid_t id = m_id;
        m_id = -1;
        return id < 0 || m_close(id) >= 0;
    }

private:
    hid_t m_id;
    Close m_close;
};

// Thrown nowhere: the first failure is kept and everything after it skipped.
class Writer
{
public:
    explicit Writer(hid_t file) : m_file(file) {}

    bool failed() const { return !m_error.isEmpty(); }
    const QString& error() const { return m_error; }

    // Clears the system's last reason before a call whose failure check() names.
    static void begin() { errno = 0; }

    bool check(bool ok, const char* what)
    {
        if (!ok && m_error.isEmpty()) {
            // The system's reason, where the library's call came to one.
            const int code = errno;
            m_error = code != 0 ? QString::fromLocal8Bit(std::strerror(code))
                                : QStringLiteral("the HDF5 library failed to %1").arg(what);
        }
        return ok;
    }

    // A chunked, compressed vector of `rows` elements, written later by writeBlock().
    hid_t createVector(hid_t parent, const QString& name, hid_t type, hsize_t rows)
    {
        if (failed())
            return -1;
        begin();
        Id space(H5Screate_simple(1, &rows, nullptr), H5Sclose);
        Id properties(H5Pcreate(H5P_DATASET_CREATE), H5Pclose);
        const hsize_t chunk = std::min(rows, kBlockRows);
        const bool set =
            space.valid() && properties.valid() && H5Pset_chunk(properties, 1, &chunk) >= 0 &&
            H5Pset_shuffle(properties) >= 0 && H5Pset_deflate(properties, kDeflateLevel) >= 0;
        if (!check(set, "set up a dataset"))
            return -1;
        const hid_t set_ = H5Dcreate2(parent, name.toUtf8().constData(), type, space, H5P_DEFAULT,
                                      properties, H5P_DEFAULT);
        check(set_ >= 0, "create a dataset");
        return set_;
    }

    void writeBlock(hid_t dataset, hid_t type, hsize_t first, hsize_t count, const void* data)
    {
        if (failed())
            return;
        begin();
        Id fileSpace(H5Dget_space(dataset), H5Sclose);
        Id memorySpace(H5Screate_simple(1, &count, nullptr), H5Sclose);
        const bool ok =
            fileSpace.valid() && memorySpace.valid() &&
            H5Sselect_hyperslab(fileSpace, H5S_SELECT_SET, &first, nullptr, &count, nullptr) >= 0 &&
            H5Dwrite(dataset, type, memorySpace, fileSpace, H5P_DEFAULT, data) >= 0;
        check(ok, "write data");
    }

    void scalar(hid_t parent, const char* name, qint32 value)
    {
        if (failed())
            return;
        begin();
        Id space(H5Screate(H5S_SCALAR), H5Sclose);
        Id set(
            H5Dcreate2(parent, name, H5T_STD_I32LE, space, H5P_DEFAULT, H5P_DEFAULT, H5P_DEFAULT),
            H5Dclose);
        check(set.valid() &&
                  H5Dwrite(set, H5T_NATIVE_INT32, H5S_ALL, H5S_ALL, H5P_DEFAULT, &value) >= 0,
              "write a number");
    }

    void integers(hid_t parent, const char* name, const std::vector<qint32>& values)
    {
        if (failed())
            return;
        begin();
        const hsize_t count = values.size();
        Id space(H5Screate_simple(1, &count, nullptr), H5Sclose);
        Id set(
            H5Dcreate2(parent, name, H5T_STD_I32LE, space, H5P_DEFAULT, H5P_DEFAULT, H5P_DEFAULT),
            H5Dclose);
        check(set.valid() && (count == 0 || H5Dwrite(set, H5T_NATIVE_INT32, H5S_ALL, H5S_ALL,
                                                     H5P_DEFAULT, values.data()) >= 0),
              "write numbers");
    }

    // One string as a scalar, a list as a vector; UTF-8 of variable length.
    void strings(hid_t parent, const char* name, const QStringList& texts, bool scalar)
    {
        if (failed())
            return;
        begin();
        Id type(H5Tcopy(H5T_C_S1), H5Tclose);
        if (!check(type.valid() && H5Tset_size(type, H5T_VARIABLE) >= 0 &&
                       H5Tset_cset(type, H5T_CSET_UTF8) >= 0,
                   "make a string type"))
            return;
        std::vector<QByteArray> bytes;
        std::vector<const char*> pointers;
        for (const QString& text : texts)
            bytes.push_back(text.toUtf8());
        for (const QByteArray& b : bytes)
            pointers.push_back(b.constData());
        const hsize_t count = pointers.size();
        Id space(scalar ? H5Screate(H5S_SCALAR) : H5Screate_simple(1, &count, nullptr), H5Sclose);
        Id set(H5Dcreate2(parent, name, type, space, H5P_DEFAULT, H5P_DEFAULT, H5P_DEFAULT),
               H5Dclose);
        check(set.valid() && (count == 0 || H5Dwrite(set, type, H5S_ALL, H5S_ALL, H5P_DEFAULT,
                                                     pointers.data()) >= 0),
              "write a text");
    }
    void string(hid_t parent, const char* name, const QString& text)
    {
        strings(parent, name, {text}, true);
    }

    hid_t group(hid_t parent, const QString& name)
    {
        if (failed())
            return -1;
        begin();
        const hid_t id =
            H5Gcreate2(parent, name.toUtf8().constData(), H5P_DEFAULT, H5P_DEFAULT, H5P_DEFAULT);
        check(id >= 0, "create a group");
        return id;
    }

    hid_t file() const { return m_file; }

private:
    hid_t m_file;
    QString m_error;
};

QStringList isoTexts(const QVector<QDateTime>& times)
{
    QStringList texts;
    for (const QDateTime& time : times)
        texts.append(time.toOffsetFromUtc(time.offsetFromUtc()).toString(Qt::ISODateWithMs));
    return texts;
}

void writeData(Writer& out, ExportColumns& columns)
{
    const ExportSource& source = columns.source();
    const hsize_t rows = hsize_t(source.rowCount());
    const int channels = source.channelCount();

    std::vector<std::unique_ptr<Id>> sets;
    const auto add = [&](const QString& name, hid_t type) {
        sets.push_back(
            std::make_unique<Id>(out.createVector(out.file(), name, type, rows), H5Dclose));
    };
    add(QString::fromLatin1(exportlayout::kSeconds), H5T_IEEE_F64LE);
    add(QString::fromLatin1(exportlayout::kUnixMsecs), H5T_STD_I64LE);
    std::vector<int> rawSet(size_t(channels), -1);
    for (int c = 0; c < channels; ++c) {
        add(columns.variable(c), H5T_IEEE_F64LE);
        if (!columns.rawVariable(c).isEmpty()) {
            rawSet[size_t(c)] = int(sets.size());
            add(columns.rawVariable(c), H5T_STD_I32LE);
        }
    }

    std::vector<double> seconds(kBlockRows);
    std::vector<qint64> msecs(kBlockRows);
    std::vector<double> values(kBlockRows);
    std::vector<qint32> raws(kBlockRows);
    for (hsize_t first = 0; first < rows && !out.failed(); first += kBlockRows) {
        const hsize_t count = std::min(kBlockRows, rows - first);
        columns.times(int(first), int(count), seconds.data(), msecs.data());
        out.writeBlock(*sets[0], H5T_NATIVE_DOUBLE, first, count, seconds.data());
        out.writeBlock(*sets[1], H5T_NATIVE_INT64, first, count, msecs.data());
        int set = 2;
        for (int c = 0; c < channels; ++c) {
            const bool state = rawSet[size_t(c)] >= 0;
            columns.values(c, int(first), int(count), values.data(), state ? raws.data() : nullptr);
            out.writeBlock(*sets[size_t(set++)], H5T_NATIVE_DOUBLE, first, count, values.data());
            if (state)
                out.writeBlock(*sets[size_t(set++)], H5T_NATIVE_INT32, first, count, raws.data());
        }
    }
}

void writeChannels(Writer& out, ExportColumns& columns)
{
    const ExportSource& source = columns.source();
    Id group(out.group(out.file(), QString::fromLatin1(exportlayout::kChannels)), H5Gclose);
    for (int c = 0; c < source.channelCount() && !out.failed(); ++c) {
        const ExportSource::Channel& channel = source.channel(c);
        Id one(out.group(group, columns.variable(c)), H5Gclose);
        out.string(one, "code", channel.code);
        out.string(one, "name", channel.name);
        out.scalar(one, "id", channel.id);
        out.scalar(one, "rate", channel.rate);
        out.scalar(one, "computed", channel.computed ? 1 : 0);
        if (!channel.state)
            continue;
        const std::vector<qint32> states = columns.statesSeen(c);
        QStringList texts;
        for (const qint32 state : states)
            texts.append(source.stateText(c, state));
        out.integers(one, "state_values", states);
        out.strings(one, "state_texts", texts, false);
    }
}

void writeFileInfo(Writer& out, const ExportColumns& columns)
{
    const ExportInfo& info = columns.info();
    Id group(out.group(out.file(), QString::fromLatin1(exportlayout::kFile)), H5Gclose);
    out.string(group, "start", isoTexts({info.start}).value(0));
    out.scalar(group, "tick_ms", info.tickMs);
    out.strings(group, "protocols", info.protocolFiles, false);
    out.strings(group, "protocol_starts", isoTexts(info.protocolStarts), false);
    out.string(group, "version", info.version);
    QStringList codes;
    QStringList variables;
    for (int c = 0; c < columns.source().channelCount(); ++c) {
        codes.append(columns.source().channel(c).code);
        variables.append(columns.variable(c));
    }
    out.strings(group, "channel_codes", codes, false);
    out.strings(group, "channel_variables", variables, false);
}

} // namespace

ReportResult saveHdf5Export(ExportColumns& columns, ReportFile& file)
{
    if (columns.source().rowCount() == 0)
        return ReportResult::failure(
            QStringLiteral("the range holds no rows; nothing was written"));
    StagedFile staged(file);
    if (const ReportResult opened = staged.open(); !opened)
        return opened;
    // Failures are results here; the library must not print them.
    H5Eset_auto2(H5E_DEFAULT, nullptr, nullptr);
    Writer::begin();
    QString error;
    {
        Id handle(H5Fcreate(staged.path().constData(), H5F_ACC_TRUNC, H5P_DEFAULT, H5P_DEFAULT),
                  H5Fclose);
        Writer out(handle);
        if (out.check(handle.valid(), "create the file")) {
            writeData(out, columns);
            writeChannels(out, columns);
            writeFileInfo(out, columns);
        }
        Writer::begin();
        out.check(handle.close(), "write the file");
        error = out.error();
    }
    if (!error.isEmpty())
        return staged.fail(error);
    return staged.commit();
}
