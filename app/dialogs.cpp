#include "app/dialogs.h"

#include <QColorDialog>
#include <QFileDialog>

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
