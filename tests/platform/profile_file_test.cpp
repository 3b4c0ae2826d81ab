#include "platform/profile_file.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <cstdio>

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

// What the index must answer as the old scan did: the first section and key
// of a name in any case, blanks trimmed, one pair of quotes taken off.
TEST_F(ProfileFileTest, TheFirstMatchAnswersTrimmedAndUnquoted) {
    put("[keepurl]\nName0 = \"q\" \nname0=second\nName2='s'\nnoequals\n[KeepURL]\nName1=later\n");
    EXPECT_EQ(ini.read(path, "KeepURL", "NAME0", "-"), "q");
    EXPECT_EQ(ini.read(path, "KeepURL", "Name1", "-"), "-"); // a second [KeepURL] is not read
    EXPECT_EQ(ini.read(path, "KeepURL", "Name2", "-"), "s");
    EXPECT_EQ(ini.read(path, "KeepURL", "", "-"), "noequals");
}

TEST_F(ProfileFileTest, AFileChangedOnDiskIsReadAgainHoweverItWasChanged) {
    put("[KeepURL]\r\nName0=first\r\n");
    EXPECT_EQ(ini.read(path, "KeepURL", "Name0", ""), "first");
    // Rewritten at once, in place, to the same size: within the same tick of
    // the file clock its stamps may not move.
    put("[KeepURL]\r\nName0=again\r\n");
    EXPECT_EQ(ini.read(path, "KeepURL", "Name0", ""), "again");

    QThread::msleep(150);
    EXPECT_EQ(ini.read(path, "KeepURL", "Name0", ""), "again");
    QFile f(path);
    const QDateTime stamp = QFileInfo(path).lastModified();
    put("[KeepURL]\r\nName0=third\r\n");
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    ASSERT_TRUE(f.setFileTime(stamp, QFileDevice::FileModificationTime)); // mtime put back
    f.close();
    QThread::msleep(150);
    EXPECT_EQ(ini.read(path, "KeepURL", "Name0", ""), "third");

    // Replaced by another file of the same size and time.
    const QString other = dir.filePath("other.ini");
    {
        QFile o(other);
        ASSERT_TRUE(o.open(QIODevice::WriteOnly));
        o.write("[KeepURL]\r\nName0=swapd\r\n");
        ASSERT_TRUE(o.setFileTime(stamp, QFileDevice::FileModificationTime));
    }
    QThread::msleep(150);
    EXPECT_EQ(ini.read(path, "KeepURL", "Name0", ""), "third");
    ASSERT_EQ(::rename(QFile::encodeName(other).constData(), QFile::encodeName(path).constData()),
              0);
    EXPECT_EQ(ini.read(path, "KeepURL", "Name0", ""), "swapd");

    // Written through the port, and gone.
    EXPECT_TRUE(ini.write(path, "KeepURL", "Name0", "fourth"));
    EXPECT_EQ(ini.read(path, "KeepURL", "Name0", ""), "fourth");
    EXPECT_TRUE(ini.apply(path, {{ProfileEdit::DeleteSection, "KeepURL", {}, {}}}));
    EXPECT_EQ(ini.read(path, "KeepURL", "Name0", "-"), "-");
    ASSERT_TRUE(QFile::remove(path));
    EXPECT_EQ(ini.read(path, "KeepURL", "Name0", "gone"), "gone");
}

} // namespace
} // namespace kurumin
