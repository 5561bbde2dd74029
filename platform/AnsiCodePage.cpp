#include "AnsiCodePage.h"

#include <array>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace {

#ifndef Q_OS_WIN
// Windows-1252 bytes 0x80..0x9F; the unassigned 0x81, 0x8D, 0x8F, 0x90 and 0x9D map to themselves.
constexpr std::array<char16_t, 32> kHigh = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char16_t decode(unsigned char b)
{
    return (b >= 0x80 && b <= 0x9F) ? kHigh[b - 0x80] : char16_t(b);
}

char encode(char16_t c)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return char(c);
    for (std::size_t i = 0; i < kHigh.size(); ++i)
        if (kHigh[i] == c)
            return char(0x80 + i);
    return '?';
}
#endif

} // namespace

namespace ansi {

QByteArray fromUnicode(const QString& text)
{
#ifdef Q_OS_WIN
    const auto* wide = reinterpret_cast<const wchar_t*>(text.utf16());
    const int size = WideCharToMultiByte(CP_ACP, 0, wide, int(text.size()), nullptr, 0, nullptr, nullptr);
    QByteArray out(size, Qt::Uninitialized);
    WideCharToMultiByte(CP_ACP, 0, wide, int(text.size()), out.data(), size, nullptr, nullptr);
    return out;
#else
    QByteArray out;
    out.reserve(text.size());
    for (const QChar c : text)
        out.append(encode(c.unicode()));
    return out;
#endif
}

QString toUnicode(const QByteArray& bytes)
{
#ifdef Q_OS_WIN
    const int size = MultiByteToWideChar(CP_ACP, 0, bytes.constData(), int(bytes.size()), nullptr, 0);
    QString out(size, Qt::Uninitialized);
    MultiByteToWideChar(CP_ACP, 0, bytes.constData(), int(bytes.size()), reinterpret_cast<wchar_t*>(out.data()), size);
    return out;
#else
    QString out;
    out.reserve(bytes.size());
    for (const char b : bytes)
        out.append(QChar(decode(static_cast<unsigned char>(b))));
    return out;
#endif
}

} // namespace ansi
