#pragma once

#include <QString>
#include <cstdint>

namespace corvantile {

// The colour bound a box's text stands for: its numeric value rounded half to even. No range
// is enforced, but a value beyond 16 bits is held at -32768 or 32767, which for a colour bound
// means the same as any larger number.
std::int16_t boundFromText(const QString &text);

// The object name with every space turned into "_".
QString nameWithoutSpaces(QString name);

} // namespace corvantile
