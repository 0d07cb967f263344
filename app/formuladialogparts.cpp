#include "app/formuladialogparts.h"

#include <QCoreApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QPushButton>

QString formulaCodesText(const QStringList& codes)
{
    return codes.isEmpty()
               ? QCoreApplication::translate("FormulaDialog", "нет (log.def не загружен)")
               : codes.join(QStringLiteral(", "));
}

QDialogButtonBox* saveCancelButtons(QDialog* dialog, const std::function<bool()>& canSave)
{
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Save | QDialogButtonBox::Cancel, dialog);
    buttons->button(QDialogButtonBox::Save)
        ->setText(QCoreApplication::translate("FormulaDialog", "Сохранить"));
    buttons->button(QDialogButtonBox::Cancel)
        ->setText(QCoreApplication::translate("FormulaDialog", "Отмена"));
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, [dialog, canSave] {
        if (canSave())
            dialog->accept();
    });
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    return buttons;
}
