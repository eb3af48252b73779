#pragma once

#include <QString>

namespace corvantile {

// A message's first letter as a capital, or as a small letter to follow a name or a colon.
inline QString capitalised(const QString &text)
{
    return text.left(1).toUpper() + text.mid(1);
}

inline QString uncapitalised(const QString &text)
{
    return text.left(1).toLower() + text.mid(1);
}

} // namespace corvantile
