#include "PortCatalog.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(SystemPortCatalog, MapsComNumbersToDevices)
{
    const SystemPortCatalog catalog{QString()};
    struct Case {
        int com;
        const char* path;
    };
    for (const Case c : {Case{0, ""}, Case{1, "/dev/ttyUSB0"}, Case{10, "/dev/ttyUSB9"}, Case{11, "/dev/ttyACM0"},
                         Case{20, "/dev/ttyACM9"}, Case{21, "/dev/ttyS0"}, Case{50, "/dev/ttyS29"}, Case{51, ""}})
        EXPECT_EQ(catalog.devicePath(c.com), QString(c.path)) << c.com;
    EXPECT_FALSE(catalog.isAvailable(0));
    EXPECT_FALSE(catalog.isAvailable(51));
}

TEST(SystemPortCatalog, LinksInTheDataFolderWinAndAreAvailableOnlyWhileTheirTargetExists)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QDir(dir.path()).mkpath("ports");
    const QString target = dir.filePath("device");
    QFile(target).open(QIODevice::WriteOnly);
    ASSERT_TRUE(QFile::link(target, dir.filePath("ports/COM7")));
    ASSERT_TRUE(QFile::link(dir.filePath("gone"), dir.filePath("ports/COM8")));

    const SystemPortCatalog catalog{dir.path() + "/"};
    EXPECT_EQ(catalog.devicePath(7), dir.filePath("ports/COM7"));
    EXPECT_TRUE(catalog.isAvailable(7));
    EXPECT_EQ(catalog.devicePath(8), dir.filePath("ports/COM8"));
    EXPECT_FALSE(catalog.isAvailable(8));
    EXPECT_EQ(catalog.devicePath(9), "/dev/ttyUSB8");
}
