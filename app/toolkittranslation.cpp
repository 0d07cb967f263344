#include "app/toolkittranslation.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include <memory>

namespace {

QStringList translationFolders()
{
    return {QLibraryInfo::location(QLibraryInfo::TranslationsPath),
            QCoreApplication::applicationDirPath() + QStringLiteral("/translations")};
}

bool loadToolkitTexts(QTranslator& translator, const QLocale& locale)
{
    for (const QString& folder : translationFolders()) {
        if (translator.load(locale, QStringLiteral("qtbase"), QStringLiteral("_"), folder))
            return true;
    }
    return false;
}

} // namespace

QTranslator* installToolkitTranslation(QCoreApplication& application, const QLocale& locale)
{
    const QLocale russian(QLocale::Russian, QLocale::Russia);
    const bool untranslated =
        locale.language() == QLocale::English || locale.language() == QLocale::C;

    auto translator = std::make_unique<QTranslator>();
    if ((untranslated || !loadToolkitTexts(*translator, locale)) &&
        !loadToolkitTexts(*translator, russian))
        return nullptr;
    translator->setParent(&application);
    application.installTranslator(translator.get());
    return translator.release();
}
