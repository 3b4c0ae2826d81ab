#include "platform/profile_file.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <cstdio>
#include <optional>
#include <random>

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

// The reader as it was before it kept an index: every read scans the file
// from the top. The index must answer exactly as this does.
QString scanningRead(const QString& path, const QString& section, const QString& key,
                     const QString& defaultValue) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return cutToReadBuffer(defaultValue);
    QString text = decodeProfileText(f.readAll());
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QStringList lines = text.split(u'\n');
    if (!lines.isEmpty() && lines.back().isEmpty()) lines.removeLast();
    auto header = [](const QString& line) -> std::optional<QString> {
        const QString t = line.trimmed();
        const qsizetype close = t.indexOf(u']');
        if (!t.startsWith(u'[') || close < 0) return std::nullopt;
        return t.mid(1, close - 1).trimmed();
    };
    auto same = [](const QString& a, const QString& b) {
        return a.compare(b, Qt::CaseInsensitive) == 0;
    };
    qsizetype i = 0;
    for (; i < lines.size(); ++i)
        if (auto name = header(lines[i]); name && same(*name, section)) break;
    for (++i; i < lines.size() && !header(lines[i]); ++i) {
        const qsizetype eq = lines[i].indexOf(u'=');
        if (!same(eq < 0 ? QString() : lines[i].left(eq).trimmed(), key)) continue;
        QString v = lines[i].mid(eq + 1).trimmed();
        if (v.size() >= 2 && (v.front() == u'"' || v.front() == u'\'') && v.back() == v.front())
            v = v.mid(1, v.size() - 2);
        return cutToReadBuffer(v);
    }
    return cutToReadBuffer(defaultValue);
}

// Names that fold alike or nearly so (Kelvin sign, sharp s, final sigma,
// dotless i, a Deseret pair, a lone surrogate), blanks that trim, quotes.
TEST_F(ProfileFileTest, TheIndexAnswersEveryReadAsAScanFromTheTopWould) {
    const QStringList names = {"KeepURL",
                               "keepurl",
                               " KEEPURL\t",
                               "Name0",
                               "NAME0",
                               QStringLiteral("\u3000name0"),
                               "k",
                               QStringLiteral("\u212A"),
                               QStringLiteral("\u00DF"),
                               QStringLiteral("\u1E9E"),
                               "ss",
                               QStringLiteral("\u03A3"),
                               QStringLiteral("\u03C3"),
                               QStringLiteral("\u03C2"),
                               QStringLiteral("\u0130"),
                               "i",
                               QStringLiteral("\u0131"),
                               QStringLiteral("\U00010400"),
                               QStringLiteral("\U00010428"),
                               QString(QChar(0xD801)),
                               "",
                               " ",
                               "a=b",
                               "[x"};
    const QStringList values = {"v",
                                " spaced ",
                                "\"q\"",
                                "'s'",
                                "\"mixed'",
                                "\"",
                                "=",
                                "a\rb",
                                QString(700, QChar(0x3042)),
                                QString(1100, u'x')};
    std::mt19937 random(1311);
    auto pick = [&](const QStringList& from) {
        return from[std::uniform_int_distribution<qsizetype>(0, from.size() - 1)(random)];
    };
    QStringList paths;
    for (int f = 0; f < 80; ++f) {
        QString text;
        const int lines = std::uniform_int_distribution(0, 24)(random);
        for (int l = 0; l < lines; ++l) {
            switch (std::uniform_int_distribution(0, 9)(random)) {
            case 0:
            case 1:
                text += u'[' + pick(names) + u']' + (l % 3 ? "" : " tail");
                break;
            case 2:
                text += pick(names);
                break; // no "=": all value, empty key
            case 3:
                text += "; " + pick(values);
                break;
            default:
                text += pick(names) + (l % 2 ? " = " : "=") + pick(values);
            }
            text += std::uniform_int_distribution(0, 3)(random) ? "\r\n" : "\n";
        }
        if (f % 4 == 0 && !text.isEmpty()) text.chop(1); // a last line with no end, or a lone CR
        paths << dir.filePath(QStringLiteral("f%1.ini").arg(f));
        QFile out(paths.back());
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(text.toUtf8());
    }
    QThread::msleep(150); // old enough for the index to be kept between reads
    int reads = 0;
    for (const QString& p : paths)
        for (const QString& section : names)
            for (const QString& key : names) {
                ASSERT_EQ(ini.read(p, section, key, "-"), scanningRead(p, section, key, "-"))
                    << qPrintable(p) << " [" << qPrintable(section) << "] " << qPrintable(key);
                ++reads;
            }
    EXPECT_EQ(reads, 80 * names.size() * names.size());
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
