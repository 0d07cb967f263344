#pragma once

#include <QString>

// Outcome of writing one report; error is a short English text.
struct ReportResult
{
    bool ok = false;
    QString error;

    explicit operator bool() const { return ok; }

    static ReportResult success() { return {true, QString()}; }
    static ReportResult failure(const QString& error) { return {false, error}; }
    static ReportResult writeFailure(const QString& fileName, const QString& reason)
    {
        return failure(QStringLiteral("Cannot write %1: %2").arg(fileName, reason));
    }
};

// The chosen file name with ".<suffix>" appended unless it already ends in
// that suffix, compared case-insensitively ("report.XLSX" stays as it is,
// "report.txt" becomes "report.txt.xlsx").
QString reportFileName(const QString& chosen, const QString& suffix);
