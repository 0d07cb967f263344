#include "app/dialogs.h"

#include "app/dataexportdialog.h"
#include "reports/chartpicturedialog.h"

#include <QClipboard>
#include <QColorDialog>
#include <QFileDialog>
#include <QGuiApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QShortcut>
#include <QVBoxLayout>

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

QMessageBox::StandardButton Dialogs::questionOrCancel(QWidget* parent, const QString& title,
                                                      const QString& text)
{
    return QMessageBox::question(parent, title, text,
                                 QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel,
                                 QMessageBox::Cancel);
}

QMessageBox::StandardButton Dialogs::warning(QWidget* parent, const QString& title,
                                             const QString& text)
{
    return QMessageBox::warning(parent, title, text, QMessageBox::Ok);
}

bool Dialogs::getText(QWidget* parent, const QString& title, const QString& label, QString& text)
{
    QDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("textDialog"));
    dialog.setWindowTitle(title);
    auto* layout = new QVBoxLayout(&dialog);
    auto* caption = new QLabel(label, &dialog);
    auto* field = new QPlainTextEdit(text, &dialog);
    field->setObjectName(QStringLiteral("textField"));
    field->setTabChangesFocus(true);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    layout->addWidget(caption);
    layout->addWidget(field, 1);
    layout->addWidget(buttons);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    // Enter starts a new line in the field; Ctrl+Enter takes the text.
    for (const QKeySequence& key :
         {QKeySequence(Qt::CTRL | Qt::Key_Return), QKeySequence(Qt::CTRL | Qt::Key_Enter)})
        QObject::connect(new QShortcut(key, &dialog), &QShortcut::activated, &dialog,
                         &QDialog::accept);

    // The title bar shows the whole title (its font is the system's, a little
    // larger than ours, beside the frame's buttons), and the field a few lines.
    const QFontMetrics metrics(dialog.font());
    const int lines = 6;
    field->setMinimumHeight(lines * metrics.lineSpacing() + 2 * field->frameWidth() + 8);
    dialog.setMinimumWidth(qMax(metrics.horizontalAdvance(QLatin1Char('m')) * 40,
                                metrics.horizontalAdvance(title) * 3 / 2 + 160));
    field->setFocus();
    field->moveCursor(QTextCursor::End);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    text = field->toPlainText();
    return true;
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

bool Dialogs::getDataExportChoice(QWidget* parent, DataExportChoice& choice)
{
    DataExportDialog dialog(choice, parent);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    choice = dialog.choice();
    return true;
}
