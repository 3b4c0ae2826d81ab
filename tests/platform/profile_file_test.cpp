#include "platform/profile_file.h"

#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace kurumin {
namespace {

class ProfileFileTest : public ::testing::Test {
  protected:
    QByteArray bytes() {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    void put(const QByteArray& b) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(b);
    }
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("URL.ini"));
    ProfileFile ini;
};

TEST_F(ProfileFileTest, WritesInPlaceKeepingEveryOtherLineWhereItWas) {
    put("; kept\r\n[KeepCount]\r\nCount=2\r\n\r\n[KeepURL]\r\nName0=a\r\nURL0=http://a/\r\n");
    EXPECT_TRUE(ini.write(path, "KeepCount", "count", "3"));
    EXPECT_TRUE(ini.write(path, "KeepURL", "Name1", "b=c \"q\""));
    EXPECT_TRUE(ini.write(path, "NewOne", "k", "v"));
    EXPECT_EQ(bytes(), "; kept\r\n[KeepCount]\r\ncount=3\r\n\r\n[KeepURL]\r\nName0=a\r\n"
                       "URL0=http://a/\r\nName1=b=c \"q\"\r\n[NewOne]\r\nk=v\r\n");
    EXPECT_EQ(ini.read(path, "keepurl", "NAME1", "-"), "b=c \"q\"");
    EXPECT_EQ(ini.read(path, "KeepURL", "Name9", "-"), "-");
    EXPECT_EQ(ini.read(dir.filePath("none.ini"), "KeepCount", "Count", "0"), "0");
}

TEST_F(ProfileFileTest, DeletesAWholeSection) {
    put("[KeepCount]\r\nCount=1\r\n[KeepURL]\r\nName0=a\r\nURL0=b\r\n[Other]\r\nx=1\r\n");
    EXPECT_TRUE(ini.deleteSection(path, "KeepURL"));
    EXPECT_EQ(bytes(), "[KeepCount]\r\nCount=1\r\n[Other]\r\nx=1\r\n");
    EXPECT_TRUE(ini.deleteSection(dir.filePath("none.ini"), "KeepURL"));
    EXPECT_FALSE(QFile::exists(dir.filePath("none.ini")));
}

TEST_F(ProfileFileTest, ReadsComeBackCutToTheBuffer) {
    const QString longName = QString(400, QChar(0x3042)); // 1200 bytes in UTF-8
    ini.write(path, "KeepURL", "Name0", longName);
    const QString back = ini.read(path, "KeepURL", "Name0", "");
    EXPECT_EQ(back.toUtf8().size(), 1023);
    EXPECT_EQ(back, longName.left(341));
    ini.write(path, "KeepURL", "URL0", QString(2000, u'x'));
    EXPECT_EQ(ini.read(path, "KeepURL", "URL0", "").size(), 1023);
}

TEST_F(ProfileFileTest, AFileFromTheOriginalPlatformReadsAsShiftJis) {
    QStringEncoder sjis("Shift_JIS");
    ASSERT_TRUE(sjis.isValid());
    put(QByteArray(sjis(QStringLiteral("[KeepURL]\r\nName0=連番画像　その１\r\n"))));
    EXPECT_EQ(ini.read(path, "KeepURL", "Name0", ""), QStringLiteral("連番画像　その１"));
    // Rewritten as UTF-8, nothing lost.
    ini.write(path, "KeepURL", "URL0", QStringLiteral("http://例え/"));
    EXPECT_EQ(ini.read(path, "KeepURL", "Name0", ""), QStringLiteral("連番画像　その１"));
    EXPECT_EQ(ini.read(path, "KeepURL", "URL0", ""), QStringLiteral("http://例え/"));
}

} // namespace
} // namespace kurumin
