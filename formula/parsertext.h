#pragma once

#include <QString>

// The formula parser's error codes (mu::EErrorCodes) in Russian words, for
// every place that shows a parser error to the user. token is the name or
// sign the parser points at; it is quoted where the text names it.
QString parserErrorText(int code, const QString& token);
