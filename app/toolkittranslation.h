#pragma once

#include <QLocale>

class QCoreApplication;
class QTranslator;

// Makes the toolkit's own texts (standard buttons, file and colour dialogs)
// speak the user's language. The window itself is Russian, so where the
// toolkit would speak English (an English or "C" locale) it speaks Russian;
// other languages get their translation when the toolkit ships one.
//
// Looks in the toolkit's translations folder, then in "translations" beside
// the program (where a Windows installation keeps them). Returns the installed
// translator, owned by the application, or nullptr when none was found; the
// program's own texts are never touched.
QTranslator* installToolkitTranslation(QCoreApplication& application,
                                       const QLocale& locale = QLocale::system());
