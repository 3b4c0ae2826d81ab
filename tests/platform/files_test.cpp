// The data folder and the profile file on a real file system.
#include "platform/data_folder.h"
#include "platform/profile_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringEncoder>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace kurumin {
namespace {

TEST(DataFolder, OnlyACopyThatMayWriteBesideItselfAndIsNotInstalledKeepsItsDataThere) {
    const QString u = "/home/u", local = u + "/.local/share/kurumin";
    // A relative data home counts as none; root may write /usr/bin, and still must not.
    EXPECT_EQ((QStringList{chooseDataFolder({"/media/stick/kurumin", true, false}, u + "/.data", u),
                           chooseDataFolder({"/usr/bin", false, true}, "", u),
                           chooseDataFolder({"/usr/bin", false, true}, u + "/.data/", u),
                           chooseDataFolder({"/usr/bin", false, true}, "data", u),
                           chooseDataFolder({"/usr/bin", true, true}, "", "/root"),
                           chooseDataFolder({"/media/cd", false, false}, "", u)}),
              (QStringList{"/media/stick/kurumin", local, u + "/.data/kurumin", local,
                           "/root/.local/share/kurumin", local}));
}

TEST(DataFolder, WriteBitsAndTheShareFolderAreWhatCountsAndTheFirstStartMakesAPrivateFolder) {
    QTemporaryDir prefix;
    const QString bin = prefix.filePath("bin");
    ASSERT_TRUE(QDir().mkpath(bin + "/help"));
    EXPECT_TRUE(inspectProgramFolder(bin).writable && !inspectProgramFolder(bin).installed);
    EXPECT_EQ(findHelpPage(bin), prefix.filePath("share/kurumin/help/index.html"));
    ASSERT_TRUE(QDir().mkpath(prefix.filePath("share/kurumin")));
    EXPECT_TRUE(inspectProgramFolder(bin).installed);
    QFile page(bin + "/help/index.html");
    ASSERT_TRUE(page.open(QIODevice::WriteOnly));
    EXPECT_EQ(findHelpPage(bin), bin + "/help/index.html"); // beside the program first
    ASSERT_TRUE(QFile::setPermissions(bin, QFile::ReadOwner | QFile::ExeOwner));
    EXPECT_FALSE(inspectProgramFolder(bin).writable); // even for root
    QFile::setPermissions(bin, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    const QString data = prefix.filePath("home/.local/share/kurumin");
    ASSERT_TRUE(prepareDataFolder(data));
    EXPECT_TRUE(QDir(data + "/REC").isEmpty());
    EXPECT_FALSE(QFileInfo(data).permissions() & (QFile::ReadOther | QFile::ReadGroup) ||
                 QFileInfo(prefix.filePath("home/.local")).permissions() & QFile::ReadOther);
    // A folder the user made first (to bring an old URL.ini over) gets its REC
    // at the next start; what is in it stays.
    ASSERT_TRUE(QDir(data + "/REC").removeRecursively());
    ASSERT_TRUE(QFile(data + "/URL.ini").open(QIODevice::WriteOnly));
    ASSERT_TRUE(prepareDataFolder(data));
    EXPECT_TRUE(QFileInfo(data + "/REC").isDir() && QFileInfo::exists(data + "/URL.ini"));
}

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
    void set(const char* section, const QString& key, const QString& value) {
        ini.apply(path, {{ProfileEdit::Write, section, key, value}});
    }
    QString read(const char* section, const char* key) { return ini.read(path, section, key, "-"); }
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("URL.ini"));
    ProfileFile ini;
};

// The profile fuzzer reads back what it writes; here is the layout of the lines.
TEST_F(ProfileFileTest, WritesInPlaceKeepingEveryOtherLineAndDeletesWholeSections) {
    put("; kept\r\n[KeepCount]\r\nCount=2\r\n\r\n[KeepURL]\r\nName0=a\r\nURL0=http://a/\r\n");
    EXPECT_EQ(read("KeepCount", "Count"), "2");
    set("KeepCount", "count", "3");
    set("KeepURL", "Name1", "b=c \"q\"");
    set("NewOne", "k", "v");
    EXPECT_EQ(bytes(), "; kept\r\n[KeepCount]\r\ncount=3\r\n\r\n[KeepURL]\r\nName0=a\r\n"
                       "URL0=http://a/\r\nName1=b=c \"q\"\r\n[NewOne]\r\nk=v\r\n");
    EXPECT_EQ(read("KeepCount", "Count"), "3");
    ini.apply(path, {{ProfileEdit::DeleteSection, "KeepURL", {}, {}}});
    EXPECT_EQ(bytes(), "; kept\r\n[KeepCount]\r\ncount=3\r\n\r\n[NewOne]\r\nk=v\r\n");
    EXPECT_EQ(read("KeepURL", "Name0"), "-");
    const QString none = dir.filePath("none.ini");
    EXPECT_EQ(ini.read(none, "KeepCount", "Count", "0"), "0");
    ini.apply(none, {{ProfileEdit::DeleteSection, "KeepURL", {}, {}}});
    EXPECT_FALSE(QFile::exists(none));
    // A folder that is not there: nothing written, and the failure told.
    const QString lost = dir.filePath("gone/URL.ini");
    EXPECT_THROW(ini.apply(lost, {{ProfileEdit::Write, "KeepCount", "Count", "1"}}),
                 PlatformFailure);
    EXPECT_EQ(ini.read(lost, "KeepCount", "Count", "0"), "0");
}

// The first section and key of a name in any case, blanks trimmed, one pair
// of quotes taken off, cut to the 1023 bytes of the old buffer.
TEST_F(ProfileFileTest, ReadsAnswerTheFirstMatchTrimmedUnquotedAndCutToTheBuffer) {
    put("k=before any section\n[keepurl]\nName0 = \"q\" \nname0=second\nName2='s'\nnoequals\n"
        "[KeepURL]\nName1=later\n[ÄRGER]\nK=v\n");
    // A second [KeepURL] is not read.
    EXPECT_EQ((QStringList{read("KeepURL", "NAME0"), read("KeepURL", "Name1"),
                           read("KeepURL", "Name2"), read("KeepURL", ""), read("", "k"),
                           ini.read(path, QStringLiteral("ärger"), "k", "-")}),
              (QStringList{"q", "-", "s", "noequals", "-", "v"}));
    const QString longName = QString(400, QChar(0x3042)); // 1200 bytes in UTF-8
    set("KeepURL", "Name3", longName);
    EXPECT_EQ(read("KeepURL", "Name3"), longName.left(341));
    EXPECT_EQ(ini.read(path, "KeepURL", "Name4", longName), longName.left(341));
}

TEST_F(ProfileFileTest, AFileFromTheOriginalPlatformReadsAsShiftJisAndIsRewrittenAsUtf8) {
    QStringEncoder sjis("Shift_JIS");
    ASSERT_TRUE(sjis.isValid());
    put(QByteArray(sjis(QStringLiteral("[KeepURL]\r\nName0=連番画像　その１\r\n"))));
    EXPECT_EQ(read("KeepURL", "Name0"), QStringLiteral("連番画像　その１"));
    set("KeepURL", "URL0", QStringLiteral("http://例え/"));
    EXPECT_EQ((QStringList{ProfileFile().read(path, "KeepURL", "Name0", "-"),
                           ProfileFile().read(path, "KeepURL", "URL0", "-")}),
              (QStringList{QStringLiteral("連番画像　その１"), QStringLiteral("http://例え/")}));
}

} // namespace
} // namespace kurumin
