#include "export/dataexport.h"

#include "export/exportlayout.h"
#include "export/hdf5export.h"
#include "export/matexport.h"
#include "reports/reportfile.h"

QString exportSuffix(ExportFormat format)
{
    return format == ExportFormat::Hdf5 ? QStringLiteral("h5") : QStringLiteral("mat");
}

ReportResult saveDataExport(const ExportSource& source, const ExportInfo& info, ExportFormat format,
                            ReportFile& file, bool* version73)
{
    if (version73)
        *version73 = false;
    ExportColumns columns(source, info);
    return format == ExportFormat::Hdf5 ? saveHdf5Export(columns, file)
                                        : saveMatExport(columns, file, {}, version73);
}

ReportResult saveDataExport(const ExportSource& source, const ExportInfo& info, ExportFormat format,
                            const QString& fileName, bool* version73)
{
    ReportFile file(fileName);
    return saveDataExport(source, info, format, file, version73);
}
