#pragma once
#include <QByteArray>
#include <QString>

// Text on the serial line is 8-bit in the ANSI code page: Windows-1252 on POSIX (every byte
// round-trips; the five unassigned bytes map to the same code points), the system's on Windows.
namespace ansi {
QByteArray fromUnicode(const QString& text);
QString toUnicode(const QByteArray& bytes);
} // namespace ansi
