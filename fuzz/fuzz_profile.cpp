// Any URL.ini, then any run of reads, writes and section deletes through the
// profile port: never a crash, a written value reads back, and the lines of
// the rest of the file stay as they were.

#include "platform/profile_file.h"

#include "fuzz_support.h"

#include <QFile>
#include <QTemporaryDir>

#include <fuzzer/FuzzedDataProvider.h>

#include <map>
#include <utility>

using namespace kurumin;

namespace {

QStringList linesOf(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? profileLines(f.readAll()) : QStringList{};
}

// The names the program itself uses, in any case: the ones whose values are followed.
const char* const kSections[] = {"URL", "url", "Setting", "MEMO", "x"};
const char* const kKeys[] = {"Count", "count", "URL1", "Url1", "TTL1", "No", "k"};

QString pick(FuzzedDataProvider& in, bool known, const char* const* names, size_t count) {
    if (known) return QString::fromLatin1(names[in.ConsumeIntegralInRange<size_t>(0, count - 1)]);
    return QString::fromStdString(in.ConsumeRandomLengthString(40));
}

// What a read gives back for a value just written.
QString asRead(const QString& value) {
    QString v = oneLine(value).trimmed();
    if (v.size() >= 2 && (v.front() == u'"' || v.front() == u'\'') && v.back() == v.front())
        v = v.mid(1, v.size() - 2);
    return cutToReadBuffer(v);
}

// One line replaced or one or two added, nothing else moved.
bool onlyOneLineWritten(const QStringList& before, const QStringList& after) {
    const qsizetype grown = after.size() - before.size();
    if (grown < 0 || grown > 2) return false;
    qsizetype i = 0;
    while (i < before.size() && before[i] == after[i])
        ++i;
    if (grown == 0) return before.mid(i + 1) == after.mid(i + 1);
    if (grown == 2) return i == before.size(); // a new section at the end
    return before.mid(i) == after.mid(i + 1);
}

// One run of lines, starting at a header, taken out.
bool oneSectionTakenOut(const QStringList& before, const QStringList& after) {
    const qsizetype gone = before.size() - after.size();
    if (gone == 0) return before == after;
    if (gone < 0) return false;
    // The run may start at any header the two agree up to: a section followed
    // by one of the same name matches at more than one place.
    for (qsizetype i = 0; i <= after.size(); ++i) {
        if (before[i].trimmed().startsWith(u'[') && before.mid(i + gone) == after.mid(i))
            return true;
        if (i == after.size() || before[i] != after[i]) break;
    }
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static QTemporaryDir dir;
    const QString path = dir.path() + QStringLiteral("/URL.ini");
    FuzzedDataProvider in(data, size);

    QFile::remove(path);
    if (in.ConsumeBool()) {
        QFile f(path);
        check(f.open(QIODevice::WriteOnly), "cannot seed the file");
        const std::string bytes = in.ConsumeRandomLengthString(16384);
        f.write(bytes.data(), qint64(bytes.size()));
    }

    ProfileFile profile;
    // (section, key) -> the value last written, for the followed names.
    std::map<std::pair<QString, QString>, QString> written;
    for (int op = 0; op < 64 && in.remaining_bytes() > 0; ++op) {
        const int kind = in.ConsumeIntegralInRange(0, 3);
        const bool known = in.ConsumeBool();
        const QString section = pick(in, known, kSections, std::size(kSections));
        const QString key = pick(in, known, kKeys, std::size(kKeys));
        // the followed names are ASCII
        const auto name = std::pair{section.toLower(), key.toLower()};
        if (kind == 0) {
            const QString value = profile.read(path, section, key, QStringLiteral("\x01"));
            const auto it = written.find(name);
            if (known && it != written.end())
                check(value == it->second, "a written value read back");
            check(value.toUtf8().size() < ProfilePort::BufferSize, "a read longer than its buffer");
        } else if (kind == 1 || kind == 2) {
            const std::string raw = in.ConsumeRandomLengthString(kind == 1 ? 64 : 3000);
            const QString value = QString::fromUtf8(raw.data(), qsizetype(raw.size()));
            const QStringList before = linesOf(path);
            profile.apply(path, {{ProfileEdit::Write, section, key, value}});
            if (known) {
                check(onlyOneLineWritten(before, linesOf(path)), "a write moved other lines");
                written[name] = asRead(value);
                check(profile.read(path, section, key, {}) == written[name],
                      "a written value read back at once");
            }
        } else {
            const bool existed = QFile::exists(path);
            const QStringList before = linesOf(path);
            profile.apply(path, {{ProfileEdit::DeleteSection, section, {}, {}}});
            check(QFile::exists(path) == existed, "a delete made or removed the file");
            if (known) {
                check(oneSectionTakenOut(before, linesOf(path)), "a delete took other lines");
                // A later copy of the section may now be the one read.
                std::erase_if(written, [&](const auto& w) { return w.first.first == name.first; });
            } else {
                written.clear();
            }
        }
        // A write of other names can still land in a followed section.
        if (!known && kind != 0) written.clear();
    }
    return 0;
}
