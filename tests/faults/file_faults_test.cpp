// The real file writers under faults: a writer killed mid-write, a full file system, files no
// one may write.
#include "real_files.h"
#include "store/history.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/mount.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <random>

namespace kurumin::testing {
namespace {

TEST(TornWrites, AWriterKilledAtAnyMomentLeavesTheOldListOrTheNewOneWhole) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString ini = dir.filePath("URL.ini");
    ProfileFile().apply(ini, keepListEdits(kOldList.names, kOldList.urls, true));
    std::mt19937 random(20131);
    std::uniform_int_distribution<int> delayUs(0, 15000);
    int old = 0, fresh = 0;
    // Both outcomes must come up, or the kills all fell at one point of the
    // writes; a loaded machine may need more runs, and later kills, for that.
    for (int run = 0; run < 200 || (run < 1000 && (old == 0 || fresh == 0)); ++run) {
        QProcess writer;
        writer.start(QStringLiteral(PROFILE_WRITER), {ini});
        ASSERT_TRUE(writer.waitForStarted(5000));
        ASSERT_TRUE(writer.waitForReadyRead(5000)) << "the writer never started writing";
        usleep(useconds_t(delayUs(random) * (1 + run / 200)));
        ::kill(pid_t(writer.processId()), SIGKILL);
        ASSERT_TRUE(writer.waitForFinished(5000));
        // A temporary file a killed writer leaves is no URL.ini; the panel never reads it.
        for (const QString& f : QDir(dir.path()).entryList(QDir::Files).filter("URL.ini."))
            QFile::remove(dir.filePath(f));

        const KeepLists l = RealFiles(dir.path()).loaded();
        old += l == kOldList;
        fresh += l == kNewList;
        ASSERT_TRUE(l == kOldList || l == kNewList)
            << "run " << run << ": a list of " << l.names.size() << " names and " << l.urls.size()
            << " URLs, neither the old list nor the new one";
    }
    EXPECT_GT(old, 0);
    EXPECT_GT(fresh, 0);
}

QByteArray bytesOf(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class SmallFileSystem : public ::testing::Test {
  protected:
    void SetUp() override {
        if (geteuid() != 0) GTEST_SKIP() << "mounting a small tmpfs needs root";
        ASSERT_TRUE(dir.isValid());
        if (mount("tmpfs", QFile::encodeName(dir.path()).constData(), "tmpfs", 0, "size=64k") != 0)
            GTEST_SKIP() << "cannot mount a small tmpfs here: " << std::strerror(errno);
        mounted = true;
        ASSERT_TRUE(QDir(dir.path()).mkdir("REC"));
    }
    void TearDown() override {
        if (mounted) umount2(QFile::encodeName(dir.path()).constData(), MNT_DETACH);
    }
    // Every block taken, a byte at a time; false if the file system never filled.
    bool fill() {
        const int fd = ::open(QFile::encodeName(filler()).constData(), O_WRONLY | O_CREAT, 0600);
        int bytes = 0;
        while (fd >= 0 && bytes < (1 << 20) && ::write(fd, "f", 1) == 1)
            ++bytes;
        return fd >= 0 && ::close(fd) == 0 && bytes < (1 << 20);
    }
    QString filler() const { return dir.path() + "/filler"; }

    QTemporaryDir dir;
    bool mounted = false;
};

TEST_F(SmallFileSystem, AFullFileSystemGivesTheClearMessagesAndLosesNothing) {
    const QString ini = dir.filePath("URL.ini");
    ProfileFile().apply(ini, keepListEdits({"a"}, {"http://a/"}, true));
    RealFiles rig(dir.path());
    const QString history = historyPath(dir.path(), rig.d.clock.today());
    ASSERT_EQ(rig.loaded().names, QStringList{"a"});
    // A history file ending a few bytes short of a block: the next record
    // would fit only in part.
    {
        QFile h(history);
        ASSERT_TRUE(h.open(QIODevice::WriteOnly));
        h.write(QByteArray(4096 - 5, 'h'));
    }
    const QByteArray listBefore = bytesOf(ini), historyBefore = bytesOf(history);
    ASSERT_TRUE(fill());

    rig.capture("http://b/", "b");
    for (const char* c : {"Command3", "Label9", "Label6"})
        rig.click(c);
    EXPECT_EQ(rig.titles(),
              (QStringList{"Kurumin Error_14", "Kurumin Error_13", "Kurumin Error_13"}));
    EXPECT_EQ(rig.names(), (QStringList{"a", "b"}));
    EXPECT_EQ(bytesOf(ini), listBefore);
    EXPECT_EQ(bytesOf(history), historyBefore);

    ASSERT_TRUE(QFile::remove(filler()));
    rig.capture("http://c/", "c");
    rig.click("Command3");
    rig.click("Label9");
    EXPECT_EQ(rig.titles().size(), 3); // nothing more
    // The entry kept while the disk was full is written with the next one.
    EXPECT_EQ(RealFiles(dir.path()).loaded().names, (QStringList{"a", "b", "c"}));
    EXPECT_EQ(bytesOf(history), historyBefore + "\"http://c/\"\r\n");
}

// No REC folder, and a URL.ini that is a folder: no user, root included, can
// write either.
TEST(UnwritableFiles, KeepAndRecordTellTheUserAndKeepTheListInMemory) {
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkdir("URL.ini"));
    RealFiles rig(dir.path());
    rig.capture("http://b/", "b");
    rig.click("Command3");
    rig.click("Label6");
    EXPECT_EQ(rig.titles(), (QStringList{"Kurumin Error_14", "Kurumin Error_13"}));
    EXPECT_EQ(rig.names(), QStringList{"b"});
    EXPECT_FALSE(QFileInfo::exists(historyPath(dir.path(), rig.d.clock.today())));
}

} // namespace
} // namespace kurumin::testing
