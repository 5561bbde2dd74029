#include "AnsiCodePage.h"

#include <gtest/gtest.h>

TEST(AnsiCodePage, EveryByteRoundTrips)
{
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(char(b));
    const QString text = ansi::toUnicode(all);
    ASSERT_EQ(text.size(), 256);
    EXPECT_EQ(ansi::fromUnicode(text), all);
}

TEST(AnsiCodePage, MapsLikeWindows1252)
{
    struct Case {
        unsigned char byte;
        char16_t unicode;
    };
    for (const Case c : {Case{0x02, 0x0002}, Case{0x41, u'A'}, Case{0x80, 0x20AC}, Case{0x81, 0x0081},
                         Case{0x8D, 0x008D}, Case{0x9F, 0x0178}, Case{0xE9, 0x00E9}, Case{0xFF, 0x00FF}}) {
        EXPECT_EQ(ansi::toUnicode(QByteArray(1, char(c.byte))), QString(QChar(c.unicode))) << int(c.byte);
        EXPECT_EQ(ansi::fromUnicode(QString(QChar(c.unicode))), QByteArray(1, char(c.byte))) << int(c.byte);
    }
    EXPECT_EQ(ansi::fromUnicode(QString::fromUtf8("\u0416")), "?"); // not in the code page
}
