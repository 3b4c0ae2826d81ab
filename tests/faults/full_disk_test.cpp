#include "real_files.h"
#include "store/history.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/mount.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace kurumin::testing {
namespace {

QByteArray bytesOf(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// KEEP, REC and TREC with the file system full, then with room again.
struct FullDisk : RealFiles {
    explicit FullDisk(const QString& folder) : RealFiles(folder) {
        app.panel.attachWindow(&window);
    }
    void capture(const QString& url, const QString& title) {
        d.windows.foreground = 0x5;
        d.browser.open = {{0, url, title, true}};
        d.timers["timGETURL"].fire();
    }
    void click(Ctl c) { app.panel.click(c); }
    QStringList titles() {
        QStringList t;
        for (const auto& m : std::exchange(d.messageBox.shown, {}))
            t << m.title;
        return t;
    }
    QStringList names() { return app.panel.c[Ctl::List1].items; }
    QString history() { return historyPath(d.program.folder, d.clock.today()); }

    fake::Window window;
    Kurumin app{services, d.ownWindows};
};

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
    // Every block taken; returns false if the file system never filled.
    bool fill() {
        const int fd = ::open(QFile::encodeName(filler()).constData(), O_WRONLY | O_CREAT, 0600);
        if (fd < 0) return false;
        const QByteArray block(4096, 'f');
        bool full = false;
        for (int i = 0; i < 1000 && !full; ++i)
            full = ::write(fd, block.constData(), size_t(block.size())) < block.size();
        for (int i = 0; i < 4096 && full; ++i) // what is left of a block
            if (::write(fd, "f", 1) != 1) break;
        ::close(fd);
        return full;
    }
    QString filler() const { return dir.path() + "/filler"; }

    QTemporaryDir dir;
    bool mounted = false;
};

TEST_F(SmallFileSystem, AFullFileSystemGivesTheClearMessagesAndLosesNothing) {
    const QString ini = dir.filePath("URL.ini");
    ProfileFile().apply(ini, keepListEdits({"a"}, {"http://a/"}, true));
    FullDisk panel(dir.path());
    panel.app.load();
    ASSERT_EQ(panel.names(), QStringList{"a"});
    // A history file ending a few bytes short of a block: the next record
    // would fit only in part.
    {
        QFile h(panel.history());
        ASSERT_TRUE(h.open(QIODevice::WriteOnly));
        h.write(QByteArray(4096 - 5, 'h'));
    }
    const QByteArray listBefore = bytesOf(ini), historyBefore = bytesOf(panel.history());
    ASSERT_TRUE(fill());

    panel.capture("http://b/", "b");
    panel.click(Ctl::Command3);
    panel.click(Ctl::Label9);
    panel.click(Ctl::Label6);
    EXPECT_EQ(panel.titles(),
              (QStringList{"Kurumin Error_14", "Kurumin Error_13", "Kurumin Error_13"}));
    EXPECT_EQ(panel.names(), (QStringList{"a", "b"}));
    EXPECT_EQ(bytesOf(ini), listBefore);
    EXPECT_EQ(bytesOf(panel.history()), historyBefore);

    ASSERT_TRUE(QFile::remove(filler()));
    panel.capture("http://c/", "c");
    panel.click(Ctl::Command3);
    panel.click(Ctl::Label9);
    EXPECT_EQ(panel.titles(), QStringList{});
    // The entry kept while the disk was full is written with the next one.
    EXPECT_EQ(RealFiles(dir.path()).loaded().names, (QStringList{"a", "b", "c"}));
    EXPECT_EQ(bytesOf(panel.history()), historyBefore + "\"http://c/\"\r\n");
}

// No REC folder, and a URL.ini that is a folder: no user, root included, can
// write either.
TEST(UnwritableFiles, KeepAndRecordTellTheUserAndKeepTheListInMemory) {
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkdir("URL.ini"));
    FullDisk panel(dir.path());
    panel.capture("http://b/", "b");
    panel.click(Ctl::Command3);
    panel.click(Ctl::Label6);
    EXPECT_EQ(panel.titles(), (QStringList{"Kurumin Error_14", "Kurumin Error_13"}));
    EXPECT_EQ(panel.names(), QStringList{"b"});
    EXPECT_FALSE(QFileInfo::exists(panel.history()));
}

} // namespace
} // namespace kurumin::testing
