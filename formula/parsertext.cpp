#include "formula/parsertext.h"

#include <muParserDef.h>

namespace {
QString quoted(const QString& token)
{
    return QStringLiteral("«%1»").arg(token);
}
} // namespace

QString parserErrorText(int code, const QString& token)
{
    switch (code) {
    case mu::ecUNASSIGNABLE_TOKEN:
        return QStringLiteral("непонятный знак %1").arg(quoted(token));
    case mu::ecUNEXPECTED_OPERATOR:
        return QStringLiteral("лишний оператор %1").arg(quoted(token));
    case mu::ecUNEXPECTED_EOF:
        return QStringLiteral("формула оборвана");
    case mu::ecUNEXPECTED_ARG_SEP:
        return QStringLiteral("лишняя запятая");
    case mu::ecUNEXPECTED_ARG:
    case mu::ecUNEXPECTED_VAL:
    case mu::ecUNEXPECTED_VAR:
        return QStringLiteral("лишнее значение %1").arg(quoted(token));
    case mu::ecUNEXPECTED_PARENS:
        return QStringLiteral("лишняя скобка %1").arg(quoted(token));
    case mu::ecMISSING_PARENS:
        return QStringLiteral("не хватает закрывающей скобки");
    case mu::ecUNEXPECTED_FUN:
        return QStringLiteral("лишняя функция %1").arg(quoted(token));
    case mu::ecTOO_MANY_PARAMS:
        return QStringLiteral("слишком много аргументов у %1").arg(quoted(token));
    case mu::ecTOO_FEW_PARAMS:
        return QStringLiteral("слишком мало аргументов у %1").arg(quoted(token));
    case mu::ecEMPTY_EXPRESSION:
        return QStringLiteral("формула пуста");
    case mu::ecUNEXPECTED_CONDITIONAL:
        return QStringLiteral("лишний знак «?»");
    case mu::ecMISSING_ELSE_CLAUSE:
        return QStringLiteral("после «?» не хватает части «:»");
    case mu::ecMISPLACED_COLON:
        return QStringLiteral("лишнее двоеточие");
    case mu::ecUNEXPECTED_STR:
    case mu::ecSTRING_EXPECTED:
    case mu::ecVAL_EXPECTED:
    case mu::ecUNTERMINATED_STRING:
    case mu::ecSTR_RESULT:
    case mu::ecOPRT_TYPE_CONFLICT:
        return QStringLiteral("строки в формуле не допускаются");
    case mu::ecEXPRESSION_TOO_LONG:
        return QStringLiteral("формула слишком длинная");
    case mu::ecIDENTIFIER_TOO_LONG:
        return token.isEmpty() ? QStringLiteral("слишком длинное имя")
                               : QStringLiteral("слишком длинное имя %1").arg(quoted(token));
    case mu::ecINVALID_CHARACTERS_FOUND:
        return QStringLiteral("недопустимый знак");
    case mu::ecINVALID_NAME:
    case mu::ecINVALID_BINOP_IDENT:
    case mu::ecINVALID_INFIX_IDENT:
    case mu::ecINVALID_POSTFIX_IDENT:
        return token.isEmpty() ? QStringLiteral("недопустимое имя")
                               : QStringLiteral("недопустимое имя %1").arg(quoted(token));
    case mu::ecNAME_CONFLICT:
    case mu::ecBUILTIN_OVERLOAD:
        return token.isEmpty() ? QStringLiteral("имя уже занято постоянной или функцией формул")
                               : QStringLiteral("имя %1 уже занято постоянной или функцией формул")
                                     .arg(quoted(token));
    case mu::ecDOMAIN_ERROR:
        return QStringLiteral("значение вне области определения функции");
    case mu::ecDIV_BY_ZERO:
        return QStringLiteral("деление на ноль");
    case mu::ecUNREASONABLE_NUMBER_OF_COMPUTATIONS:
        return QStringLiteral("формула требует слишком много вычислений");
    default:
        return QStringLiteral("ошибка в формуле");
    }
}
