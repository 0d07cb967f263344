#include "reports/reportresult.h"

#include <QFileInfo>

QString reportFileName(const QString& chosen, const QString& suffix)
{
    if (QFileInfo(chosen).suffix().toLower() == suffix.toLower())
        return chosen;
    return chosen + QLatin1Char('.') + suffix;
}
