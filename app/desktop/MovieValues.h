// How values cross between a window and its movie: all as text, numbers in decimal, booleans as
// "true" / "false", and "undefined" for an argument the movie did not give.
#pragma once

#include "core/TextUtil.h"

#include <QString>

namespace hookwise::app {

// True when a command argument is "undefined" (compared ignoring case): no argument.
inline bool IsUndefined(const QString& args) {
    return args.compare(QLatin1String("undefined"), Qt::CaseInsensitive) == 0;
}

// The number at the start of a movie value, as C's atoi reads it ("12px" -> 12, "abc" -> 0),
// saturating at the 32-bit limits.
inline int MovieNumber(const QString& text) {
    return core::ParseLeadingInt(text.toStdString());
}

inline QString MovieBool(bool value) {
    return value ? QStringLiteral("true") : QStringLiteral("false");
}

} // namespace hookwise::app
