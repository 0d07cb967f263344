#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class QDialog;
class QDialogButtonBox;

// What the dialogs of formula tables (computed channels, events) share.

// The codes a formula may read, as the help under the table lists them.
QString formulaCodesText(const QStringList& codes);

// "Сохранить" and "Отмена" of a formula table: Save closes the dialog only
// when `canSave` says the table is sound.
QDialogButtonBox* saveCancelButtons(QDialog* dialog, const std::function<bool()>& canSave);
