#include "reports/picturereport.h"

#include "reports/reportfile.h"

#include <QBuffer>
#include <QImage>
#include <QImageWriter>

ReportResult savePngPicture(const QImage& image, const QString& fileName)
{
    ReportFile file(fileName);
    return savePngPicture(image, file);
}

ReportResult savePngPicture(const QImage& image, ReportFile& file)
{
    // Encoded first, so that a failure of the encoder never reaches the file.
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter encoder(&buffer, "png");
    if (image.isNull() || !encoder.write(image))
        return ReportResult::writeFailure(
            file.fileName(), image.isNull() ? QStringLiteral("no picture") : encoder.errorString());
    if (ReportResult opened = file.open(); !opened)
        return opened;
    file.device().write(png);
    return file.commit();
}
