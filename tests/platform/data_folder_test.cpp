#include "platform/data_folder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace kurumin {
namespace {

TEST(DataFolder, AWritableCopyKeepsItsDataBesideItself) {
    const ProgramPlace portable{"/media/stick/kurumin", true, false};
    EXPECT_EQ(chooseDataFolder(portable, "/home/u/.data", "/home/u"), "/media/stick/kurumin");
}

TEST(DataFolder, AnInstalledProgramUsesTheUsersDataFolder) {
    const ProgramPlace readOnly{"/usr/bin", false, true};
    EXPECT_EQ(chooseDataFolder(readOnly, "", "/home/u"), "/home/u/.local/share/kurumin");
    EXPECT_EQ(chooseDataFolder(readOnly, "/home/u/.data/", "/home/u"), "/home/u/.data/kurumin");
    // A relative XDG_DATA_HOME is invalid and ignored.
    EXPECT_EQ(chooseDataFolder(readOnly, "data", "/home/u"), "/home/u/.local/share/kurumin");
    // Root may write /usr/bin, and still must not.
    const ProgramPlace asRoot{"/usr/bin", true, true};
    EXPECT_EQ(chooseDataFolder(asRoot, "", "/root"), "/root/.local/share/kurumin");
    // A read-only copy that is not installed still stays out of its folder.
    const ProgramPlace cdrom{"/media/cd", false, false};
    EXPECT_EQ(chooseDataFolder(cdrom, "", "/home/u"), "/home/u/.local/share/kurumin");
}

TEST(DataFolder, AFolderWithoutWriteBitsIsNotWritableEvenForRoot) {
    QTemporaryDir prefix;
    const QString bin = prefix.filePath("bin");
    ASSERT_TRUE(QDir().mkpath(bin));
    EXPECT_TRUE(inspectProgramFolder(bin).writable);
    EXPECT_FALSE(inspectProgramFolder(bin).installed);
    ASSERT_TRUE(QDir().mkpath(prefix.filePath("share/kurumin")));
    EXPECT_TRUE(inspectProgramFolder(bin).installed);
    ASSERT_TRUE(QFile::setPermissions(bin, QFile::ReadOwner | QFile::ExeOwner));
    EXPECT_FALSE(inspectProgramFolder(bin).writable);
    QFile::setPermissions(bin, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

TEST(DataFolder, TheFirstStartMakesThePrivateFolderWithAnEmptyRecAndLaterOnesLeaveIt) {
    QTemporaryDir home;
    const QString data = home.filePath(".local/share/kurumin");
    ASSERT_TRUE(prepareDataFolder(data));
    EXPECT_TRUE(QDir(data + "/REC").isEmpty());
    EXPECT_EQ(QFileInfo(data).permissions() & (QFile::ReadOther | QFile::ReadGroup), 0);
    EXPECT_EQ(QFileInfo(home.filePath(".local")).permissions() & QFile::ReadOther, 0);
    // A REC the user removed is not brought back: REC and TREC report it.
    ASSERT_TRUE(QDir(data + "/REC").removeRecursively());
    ASSERT_TRUE(prepareDataFolder(data));
    EXPECT_FALSE(QFileInfo::exists(data + "/REC"));
}

TEST(HelpPage, BesideTheProgramFirstElseTheInstalledOne) {
    QTemporaryDir prefix;
    const QString bin = prefix.filePath("bin");
    ASSERT_TRUE(QDir().mkpath(bin + "/help"));
    EXPECT_EQ(findHelpPage(bin), prefix.filePath("share/kurumin/help/index.html"));
    QFile page(bin + "/help/index.html");
    ASSERT_TRUE(page.open(QIODevice::WriteOnly));
    page.close();
    EXPECT_EQ(findHelpPage(bin), bin + "/help/index.html");
}

} // namespace
} // namespace kurumin
