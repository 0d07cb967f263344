#pragma once

#include <QColor>
#include <QMessageBox>
#include <QString>

class QWidget;
struct ChartPictureOptions;
struct DataExportChoice;

// The modal questions the main window asks. Tests install their own answers.
class Dialogs
{
public:
    virtual ~Dialogs() = default;

    virtual QString getOpenFileName(QWidget* parent, const QString& caption, const QString& dir,
                                    const QString& filter);
    virtual QString getSaveFileName(QWidget* parent, const QString& caption, const QString& dir,
                                    const QString& filter);
    virtual QColor getColor(const QColor& initial, QWidget* parent);
    virtual QMessageBox::StandardButton information(QWidget* parent, const QString& title,
                                                    const QString& text);
    virtual QMessageBox::StandardButton question(QWidget* parent, const QString& title,
                                                 const QString& text);
    // Yes, No or Cancel; Cancel when the user closes the box.
    virtual QMessageBox::StandardButton questionOrCancel(QWidget* parent, const QString& title,
                                                         const QString& text);
    virtual QMessageBox::StandardButton warning(QWidget* parent, const QString& title,
                                                const QString& text);
    // A short text of one or more lines, edited in place; false when the
    // user cancels, and text stays as it was.
    virtual bool getText(QWidget* parent, const QString& title, const QString& label,
                         QString& text);
    // How to draw a chart picture; false when the user cancels, and
    // options stay as they were.
    virtual bool getChartPictureOptions(QWidget* parent, ChartPictureOptions& options);
    // Format, rows and channels of a data export; false when the user
    // cancels, and choice stays as it was.
    virtual bool getDataExportChoice(QWidget* parent, DataExportChoice& choice);
};

// Where "Копировать" puts its text. Tests install their own.
class Clipboard
{
public:
    virtual ~Clipboard() = default;
    virtual void setText(const QString& text);
};
