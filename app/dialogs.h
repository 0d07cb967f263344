#pragma once

#include <QColor>
#include <QMessageBox>
#include <QString>

class QWidget;

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
    virtual QMessageBox::StandardButton warning(QWidget* parent, const QString& title,
                                                const QString& text);
};
