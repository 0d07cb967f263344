#include "export/matexport.h"

#include "export/exportlayout.h"
#include "export/stagedfile.h"

#include <matio.h>

#include <QDateTime>

#include <cerrno>
#include <cstring>
#include <functional>
#include <memory>
#include <vector>

namespace {

constexpr int kBlockRows = 1 << 20;
// A data element's headers beside its values.
constexpr qint64 kElementOverhead = 256;

// matio reports through a log function; its last complaint names the cause.
QString& lastComplaint()
{
    static QString text;
    return text;
}

void keepComplaint(int level, char* message)
{
    if (level & (MATIO_LOG_LEVEL_ERROR | MATIO_LOG_LEVEL_CRITICAL))
        lastComplaint() = QString::fromLocal8Bit(message);
}

struct FreeVariable
{
    void operator()(matvar_t* variable) const { Mat_VarFree(variable); }
};
using Variable = std::unique_ptr<matvar_t, FreeVariable>;

// A variable (or field) of its own copy of the data.
Variable numbers(const char* name, matio_classes kind, matio_types type, size_t rows,
                 size_t columns, const void* data)
{
    size_t dims[2] = {rows, columns};
    return Variable(Mat_VarCreate(name, kind, type, 2, dims, const_cast<void*>(data), 0));
}

Variable int32Scalar(qint32 value)
{
    return numbers(nullptr, MAT_C_INT32, MAT_T_INT32, 1, 1, &value);
}

Variable int32Column(const std::vector<qint32>& values)
{
    return numbers(nullptr, MAT_C_INT32, MAT_T_INT32, values.size(), 1, values.data());
}

// Characters as UTF-16, marked so (SciPy reads plain 16-bit characters in its own codec).
Variable text(const QString& value)
{
    const size_t length = size_t(value.size());
    return numbers(nullptr, MAT_C_CHAR, MAT_T_UTF16, length == 0 ? 0 : 1, length, value.utf16());
}

Variable textColumn(const QStringList& values)
{
    std::vector<matvar_t*> cells;
    for (const QString& value : values)
        cells.push_back(text(value).release());
    size_t dims[2] = {cells.size(), 1};
    Variable cell(Mat_VarCreate(nullptr, MAT_C_CELL, MAT_T_CELL, 2, dims, cells.data(), 0));
    if (!cell) {
        for (matvar_t* c : cells)
            Mat_VarFree(c);
    }
    return cell;
}

// A 1 × 1 structure of the given fields, in order.
Variable structure(const char* name, std::vector<std::pair<QByteArray, Variable>> fields)
{
    std::vector<const char*> names;
    for (const auto& field : fields)
        names.push_back(field.first.constData());
    names.push_back(nullptr); // the end of the names
    size_t dims[2] = {1, 1};
    Variable made(Mat_VarCreateStruct2(name, 2, dims, names.data()));
    if (!made)
        return made;
    for (auto& field : fields) {
        if (!field.second)
            return Variable();
        Mat_VarSetStructFieldByName(made.get(), field.first.constData(), 0, field.second.release());
    }
    return made;
}

QString isoText(const QDateTime& time)
{
    return time.toOffsetFromUtc(time.offsetFromUtc()).toString(Qt::ISODateWithMs);
}

class MatWriter
{
public:
    MatWriter(mat_t* file, bool version73) : m_file(file), m_version73(version73) {}

    const QString& error() const { return m_error; }
    bool failed() const { return !m_error.isEmpty(); }

    bool check(bool ok, const char* what)
    {
        if (!ok && m_error.isEmpty()) {
            const int code = errno;
            if (code != 0)
                m_error = QString::fromLocal8Bit(std::strerror(code));
            else if (!lastComplaint().isEmpty())
                m_error = lastComplaint();
            else
                m_error = QStringLiteral("matio failed to %1").arg(what);
        }
        return ok;
    }

    void write(const Variable& variable)
    {
        if (failed())
            return;
        errno = 0;
        check(variable && Mat_VarWrite(m_file, variable.get(), MAT_COMPRESSION_ZLIB) == 0,
              "write a variable");
    }

    // A vector of `rows`, filled a stretch at a time: whole in version 5,
    // appended in blocks in version 7.3.
    template <typename T>
    void vector(const QString& name, matio_classes kind, matio_types type, int rows,
                const std::function<void(int first, int count, T* values)>& fill)
    {
        if (failed())
            return;
        const QByteArray bytes = name.toLatin1();
        const int block = m_version73 ? std::min(rows, kBlockRows) : rows;
        std::vector<T> values(static_cast<size_t>(block));
        for (int first = 0; first < rows && !failed(); first += block) {
            const int count = std::min(block, rows - first);
            fill(first, count, values.data());
            size_t dims[2] = {size_t(count), 1};
            Variable variable(Mat_VarCreate(bytes.constData(), kind, type, 2, dims, values.data(),
                                            MAT_F_DONT_COPY_DATA));
            errno = 0;
            const int written =
                !variable     ? -1
                : m_version73 ? Mat_VarWriteAppend(m_file, variable.get(), MAT_COMPRESSION_ZLIB, 1)
                              : Mat_VarWrite(m_file, variable.get(), MAT_COMPRESSION_ZLIB);
            check(written == 0, "write a vector");
        }
    }

private:
    mat_t* m_file;
    bool m_version73;
    QString m_error;
};

void writeData(MatWriter& out, ExportColumns& columns)
{
    const ExportSource& source = columns.source();
    const int rows = source.rowCount();
    out.vector<double>(QString::fromLatin1(exportlayout::kSeconds), MAT_C_DOUBLE, MAT_T_DOUBLE,
                       rows, [&](int first, int count, double* values) {
                           columns.times(first, count, values, nullptr);
                       });
    out.vector<qint64>(QString::fromLatin1(exportlayout::kUnixMsecs), MAT_C_INT64, MAT_T_INT64,
                       rows, [&](int first, int count, qint64* values) {
                           columns.times(first, count, nullptr, values);
                       });
    std::vector<double> scratch;
    for (int c = 0; c < source.channelCount(); ++c) {
        out.vector<double>(columns.variable(c), MAT_C_DOUBLE, MAT_T_DOUBLE, rows,
                           [&](int first, int count, double* values) {
                               columns.values(c, first, count, values, nullptr);
                           });
        if (columns.rawVariable(c).isEmpty())
            continue;
        // The raw vector is filled on its own pass, which also collects the states.
        out.vector<qint32>(columns.rawVariable(c), MAT_C_INT32, MAT_T_INT32, rows,
                           [&](int first, int count, qint32* values) {
                               scratch.resize(size_t(count));
                               columns.values(c, first, count, scratch.data(), values);
                           });
    }
}

void writeInfo(MatWriter& out, ExportColumns& columns)
{
    const ExportSource& source = columns.source();
    std::vector<std::pair<QByteArray, Variable>> channels;
    QStringList codes;
    QStringList variables;
    for (int c = 0; c < source.channelCount(); ++c) {
        const ExportSource::Channel& channel = source.channel(c);
        codes.append(channel.code);
        variables.append(columns.variable(c));
        std::vector<std::pair<QByteArray, Variable>> fields;
        fields.emplace_back("code", text(channel.code));
        fields.emplace_back("name", text(channel.name));
        fields.emplace_back("id", int32Scalar(channel.id));
        fields.emplace_back("rate", int32Scalar(channel.rate));
        fields.emplace_back("computed", int32Scalar(channel.computed ? 1 : 0));
        if (channel.state) {
            const std::vector<qint32> states = columns.statesSeen(c);
            QStringList texts;
            for (const qint32 state : states)
                texts.append(source.stateText(c, state));
            fields.emplace_back("state_values", int32Column(states));
            fields.emplace_back("state_texts", textColumn(texts));
        }
        channels.emplace_back(columns.variable(c).toLatin1(),
                              structure(nullptr, std::move(fields)));
    }
    out.write(structure(exportlayout::kChannels, std::move(channels)));

    const ExportInfo& info = columns.info();
    QStringList starts;
    for (const QDateTime& start : info.protocolStarts)
        starts.append(isoText(start));
    std::vector<std::pair<QByteArray, Variable>> file;
    file.emplace_back("start", text(isoText(info.start)));
    file.emplace_back("tick_ms", int32Scalar(info.tickMs));
    file.emplace_back("protocols", textColumn(info.protocolFiles));
    file.emplace_back("protocol_starts", textColumn(starts));
    file.emplace_back("version", text(info.version));
    file.emplace_back("channel_codes", textColumn(codes));
    file.emplace_back("channel_variables", textColumn(variables));
    out.write(structure(exportlayout::kFile, std::move(file)));
}

// matio does not always look at what its writes return: a file cut short
// by a full disk is found by reading its variables back.
int variablesIn(const QByteArray& path)
{
    mat_t* file = Mat_Open(path.constData(), MAT_ACC_RDONLY);
    if (!file)
        return -1;
    int count = 0;
    while (matvar_t* variable = Mat_VarReadNextInfo(file)) {
        Mat_VarFree(variable);
        ++count;
    }
    Mat_Close(file);
    return count;
}

} // namespace

ReportResult saveMatExport(ExportColumns& columns, ReportFile& file,
                           const MatExportOptions& options, bool* version73)
{
    const ExportSource& source = columns.source();
    if (source.rowCount() == 0)
        return ReportResult::failure(
            QStringLiteral("the range holds no rows; nothing was written"));
    const bool large = qint64(source.rowCount()) * 8 + kElementOverhead > options.version5Limit;
    if (version73)
        *version73 = large;
    StagedFile staged(file);
    if (const ReportResult opened = staged.open(); !opened)
        return opened;

    Mat_LogInitFunc("voltrek", keepComplaint);
    lastComplaint().clear();
    errno = 0;
    const QByteArray header =
        QStringLiteral("MATLAB data exported by Voltrek %1, %2")
            .arg(columns.info().version, QDateTime::currentDateTimeUtc().toString(Qt::ISODate))
            .toLatin1();
    mat_t* handle = Mat_CreateVer(staged.path().constData(), header.constData(),
                                  large ? MAT_FT_MAT73 : MAT_FT_MAT5);
    MatWriter out(handle, large);
    if (out.check(handle != nullptr, "create the file")) {
        writeData(out, columns);
        writeInfo(out, columns);
        errno = 0;
        out.check(Mat_Close(handle) == 0, "write the file");
    }
    if (!out.failed()) {
        int expected = 4 + source.channelCount();
        for (int c = 0; c < source.channelCount(); ++c)
            expected += columns.rawVariable(c).isEmpty() ? 0 : 1;
        if (variablesIn(staged.path()) != expected)
            out.check(false, "write every variable");
    }
    if (out.failed())
        return staged.fail(out.error());
    return staged.commit();
}
