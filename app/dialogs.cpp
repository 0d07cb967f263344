#include "app/dialogs.h"

#include "reports/chartpicturedialog.h"

#include <QClipboard>
#include <QColorDialog>
#include <QFileDialog>
#include <QGuiApplication>
#include <QInputDialog>

QString Dialogs::getOpenFileName(QWidget* parent, const QString& caption, const QString& dir,
                                 const QString& filter)
{
    return QFileDialog::getOpenFileName(parent, caption, dir, filter);
}

QString Dialogs::getSaveFileName(QWidget* parent, const QString& caption, const QString& dir,
                                 const QString& filter)
{
    return QFileDialog::getSaveFileName(parent, caption, dir, filter);
}

QColor Dialogs::getColor(const QColor& initial, QWidget* parent)
{
    return QColorDialog::getColor(initial, parent, QString());
}

QMessageBox::StandardButton Dialogs::information(QWidget* parent, const QString& title,
                                                 const QString& text)
{
    return QMessageBox::information(parent, title, text, QMessageBox::Ok);
}

QMessageBox::StandardButton Dialogs::question(QWidget* parent, const QString& title,
                                              const QString& text)
{
    return QMessageBox::question(parent, title, text, QMessageBox::Yes | QMessageBox::No);
}

QMessageBox::StandardButton Dialogs::warning(QWidget* parent, const QString& title,
                                             const QString& text)
{
    return QMessageBox::warning(parent, title, text, QMessageBox::Ok);
}

bool Dialogs::getText(QWidget* parent, const QString& title, const QString& label, QString& text)
{
    bool ok = false;
    const QString answer =
        QInputDialog::getText(parent, title, label, QLineEdit::Normal, text, &ok);
    if (ok)
        text = answer;
    return ok;
}

void Clipboard::setText(const QString& text)
{
    QGuiApplication::clipboard()->setText(text);
}

bool Dialogs::getChartPictureOptions(QWidget* parent, ChartPictureOptions& options)
{
    ChartPictureDialog dialog(options, parent);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    options = dialog.options();
    return true;
}
