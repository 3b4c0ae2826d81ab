#include "real_files.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

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

} // namespace
} // namespace kurumin::testing
