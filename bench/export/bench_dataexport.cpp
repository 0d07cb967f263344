// Data export against bare library writes of the same float64 arrays.
//   bench_dataexport [--rows=N] [benchmark flags, e.g. --benchmark_repetitions=3]
// N rows (default 200 000; the target figures are for 10 000 000) of 16
// channels at 10 ms are loaded into an assembly first. The HDF5 export is
// compared with the HDF5 library writing the time and channel vectors, already
// in memory, as datasets of the same chunks and filters; the MATLAB export
// with matio writing the same vectors as compressed version 5 variables.
// Printed after the run: the time ratios and the peak memory each export
// adds above the loaded protocol.

#include "../peakmemory.h"
#include "../ratioreporter.h"

#include "export/assemblyexportsource.h"
#include "export/dataexport.h"
#include "protocol/channellookup.h"
#include "table/protocolassembly.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <hdf5.h>
#include <matio.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

namespace {
constexpr int kChannels = 16;
constexpr hsize_t kChunk = 65536; // as the export's
int rowsArgument = 200000;

class Catalogue : public ChannelLookup
{
public:
    QString channelName(const QString& code) const override { return code; }
    int rateById(int) const override { return 2; }
    int rateByCode(const QString&) const override { return 2; }
    bool hasRefs(const QString&) const override { return false; }
    QString refText(const QString&, int) const override { return QString(); }
    QString codeByTitle(const QString&) const override { return QString(); }
};

// The loaded protocol and, for the baselines, its vectors as float64.
struct Loaded
{
    Catalogue catalogue;
    std::unique_ptr<ProtocolAssembly> assembly;
    QStringList codes;
    std::vector<double> seconds;
    std::vector<qint64> msecs;
    std::vector<std::vector<double>> values;

    explicit Loaded(int rows)
    {
        const QDateTime start(QDate(2024, 3, 5), QTime(10, 0));
        ProtocolColumns columns;
        columns.ticks.resize(size_t(rows));
        for (int r = 0; r < rows; ++r)
            columns.ticks[size_t(r)] = quint32(r);
        quint32 noise = 12345;
        for (int c = 0; c < kChannels; ++c) {
            ChannelColumn column;
            column.code = QStringLiteral("C%1").arg(c + 10);
            column.id = quint8(c + 1);
            column.values.resize(size_t(rows));
            for (int r = 0; r < rows; ++r) {
                noise = noise * 1664525u + 1013904223u;
                column.values[size_t(r)] =
                    qint32(10000 * std::sin(r * 0.001 * (c + 1))) + qint32(noise >> 28);
            }
            codes.append(column.code);
            columns.channels.push_back(std::move(column));
        }
        assembly = std::make_unique<ProtocolAssembly>(catalogue, start.addYears(1));
        assembly->addProtocol(start, 10, std::move(columns));
        assembly->build();

        const AssemblyExportSource source(*assembly, catalogue, codes, {}, {});
        seconds.resize(size_t(rows));
        msecs.resize(size_t(rows));
        values.assign(kChannels, std::vector<double>(size_t(rows)));
        for (int r = 0; r < rows; ++r) {
            msecs[size_t(r)] = source.msecsSinceEpoch(r);
            seconds[size_t(r)] = double(msecs[size_t(r)] - msecs[0]) / 1000.0;
            for (int c = 0; c < kChannels; ++c) {
                source.value(r, c, values[size_t(c)][size_t(r)]);
            }
        }
    }
};

Loaded* loaded = nullptr;
QTemporaryDir* folder = nullptr;

QByteArray target(const char* name)
{
    return QFile::encodeName(QDir(folder->path()).filePath(QLatin1String(name)));
}

std::map<std::string, double> peaks;

void hdf5Vector(hid_t file, const char* name, hid_t type, hid_t memoryType, const void* data,
                size_t elementSize, hsize_t rows)
{
    const hid_t space = H5Screate_simple(1, &rows, nullptr);
    const hid_t properties = H5Pcreate(H5P_DATASET_CREATE);
    const hsize_t chunk = std::min(rows, kChunk);
    H5Pset_chunk(properties, 1, &chunk);
    H5Pset_shuffle(properties);
    H5Pset_deflate(properties, 4);
    const hid_t set = H5Dcreate2(file, name, type, space, H5P_DEFAULT, properties, H5P_DEFAULT);
    for (hsize_t first = 0; first < rows; first += kChunk) {
        const hsize_t count = std::min(kChunk, rows - first);
        const hid_t memory = H5Screate_simple(1, &count, nullptr);
        H5Sselect_hyperslab(space, H5S_SELECT_SET, &first, nullptr, &count, nullptr);
        H5Dwrite(set, memoryType, memory, space, H5P_DEFAULT,
                 static_cast<const char*>(data) + first * elementSize);
        H5Sclose(memory);
    }
    H5Dclose(set);
    H5Pclose(properties);
    H5Sclose(space);
}

void BM_Hdf5Bare(benchmark::State& state)
{
    const hsize_t rows = loaded->seconds.size();
    for (auto _ : state) {
        const hid_t file =
            H5Fcreate(target("bare.h5").constData(), H5F_ACC_TRUNC, H5P_DEFAULT, H5P_DEFAULT);
        hdf5Vector(file, "time_s", H5T_IEEE_F64LE, H5T_NATIVE_DOUBLE, loaded->seconds.data(), 8,
                   rows);
        hdf5Vector(file, "time_unix_ms", H5T_STD_I64LE, H5T_NATIVE_INT64, loaded->msecs.data(), 8,
                   rows);
        for (int c = 0; c < kChannels; ++c)
            hdf5Vector(file, loaded->codes[c].toLatin1().constData(), H5T_IEEE_F64LE,
                       H5T_NATIVE_DOUBLE, loaded->values[size_t(c)].data(), 8, rows);
        H5Fclose(file);
    }
}

void matVector(mat_t* file, const char* name, matio_classes kind, matio_types type, void* data,
               size_t rows)
{
    size_t dims[2] = {rows, 1};
    matvar_t* variable = Mat_VarCreate(name, kind, type, 2, dims, data, MAT_F_DONT_COPY_DATA);
    Mat_VarWrite(file, variable, MAT_COMPRESSION_ZLIB);
    Mat_VarFree(variable);
}

void BM_MatBare(benchmark::State& state)
{
    const size_t rows = loaded->seconds.size();
    for (auto _ : state) {
        mat_t* file = Mat_CreateVer(target("bare.mat").constData(), nullptr, MAT_FT_MAT5);
        matVector(file, "time_s", MAT_C_DOUBLE, MAT_T_DOUBLE, loaded->seconds.data(), rows);
        matVector(file, "time_unix_ms", MAT_C_INT64, MAT_T_INT64, loaded->msecs.data(), rows);
        for (int c = 0; c < kChannels; ++c)
            matVector(file, loaded->codes[c].toLatin1().constData(), MAT_C_DOUBLE, MAT_T_DOUBLE,
                      loaded->values[size_t(c)].data(), rows);
        Mat_Close(file);
    }
}

void exportBenchmark(benchmark::State& state, ExportFormat format, const char* name)
{
    const AssemblyExportSource source(*loaded->assembly, loaded->catalogue, loaded->codes, {}, {});
    const ExportInfo info = assemblyExportInfo(*loaded->assembly, {"bench.log"}, "0.2");
    double extra = 0;
    for (auto _ : state) {
        const PeakMemory peak;
        if (!saveDataExport(source, info, format, QFile::decodeName(target(name)))) {
            state.SkipWithError("the export failed");
            return;
        }
        extra = std::max(extra, peak.extraMiB());
    }
    state.counters["extra_MiB"] = extra;
    peaks[name] = std::max(peaks[name], extra);
}

void BM_Hdf5Export(benchmark::State& state)
{
    exportBenchmark(state, ExportFormat::Hdf5, "export.h5");
}

void BM_MatExport(benchmark::State& state)
{
    exportBenchmark(state, ExportFormat::Mat, "export.mat");
}
} // namespace

int main(int argc, char** argv)
{
    std::vector<char*> arguments;
    for (int i = 0; i < argc; ++i) {
        if (std::strncmp(argv[i], "--rows=", 7) == 0)
            rowsArgument = std::max(1, std::atoi(argv[i] + 7));
        else
            arguments.push_back(argv[i]);
    }
    QTemporaryDir dir;
    folder = &dir;
    Loaded data(rowsArgument);
    loaded = &data;
    std::printf("%d rows x %d channels; the loaded protocol holds %.0f MiB\n", rowsArgument,
                kChannels, data.assembly->dataBytes() / 1048576.0);

    for (const auto& [name, function] :
         std::vector<std::pair<const char*, void (*)(benchmark::State&)>>{
             {"Hdf5Bare", BM_Hdf5Bare},
             {"Hdf5Export", BM_Hdf5Export},
             {"MatBare", BM_MatBare},
             {"MatExport", BM_MatExport}})
        benchmark::RegisterBenchmark(name, function)->Unit(benchmark::kMillisecond)->Iterations(1);
    int benchmarkArgc = int(arguments.size());
    benchmark::Initialize(&benchmarkArgc, arguments.data());
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printRatios({{"Hdf5Export", "Hdf5Bare"}, {"MatExport", "MatBare"}});
    for (const auto& [name, extra] : peaks)
        std::printf("%-12s peak memory above the loaded protocol: %.0f MiB\n", name.c_str(), extra);
    benchmark::Shutdown();
    return 0;
}
