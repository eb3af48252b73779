#pragma once

#include <QtGlobal>

namespace corvantile {

// Numbers stored in a header, at a place the caller has checked.
inline quint32 littleEndian(const uchar *at, int bytes = 4)
{
    quint32 value = 0;
    for (int i = bytes - 1; i >= 0; --i)
        value = value << 8 | at[i];
    return value;
}

inline quint32 bigEndian(const uchar *at, int bytes = 4)
{
    quint32 value = 0;
    for (int i = 0; i < bytes; ++i)
        value = value << 8 | at[i];
    return value;
}

} // namespace corvantile
