#include "platform/profile_file.h"

#include <QFile>
#include <QHash>
#include <QSaveFile>
#include <QStringDecoder>

#include <sys/stat.h>
#include <time.h>

#include <algorithm>
#include <optional>
#include <vector>

namespace kurumin {

QString decodeProfileText(const QByteArray& bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(bytes);
    if (!utf8.hasError()) return text;
    QStringDecoder sjis("Shift_JIS");
    if (sjis.isValid()) return sjis(bytes);
    return QString::fromUtf8(bytes); // no codec: replacement characters, nothing dropped
}

QStringList profileLines(const QByteArray& bytes) {
    QString text = decodeProfileText(bytes);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QStringList lines = text.split(u'\n');
    if (!lines.isEmpty() && lines.back().isEmpty()) lines.removeLast();
    return lines;
}

QString cutToReadBuffer(const QString& value) {
    constexpr int maxBytes = ProfilePort::BufferSize - 1;
    if (value.size() * 3 <= maxBytes) return value; // cannot be longer in UTF-8
    int bytes = 0;
    qsizetype i = 0;
    while (i < value.size()) {
        const bool pair = value[i].isHighSurrogate() && i + 1 < value.size();
        const int len = pair                         ? 4
                        : value[i].unicode() < 0x80  ? 1
                        : value[i].unicode() < 0x800 ? 2
                                                     : 3;
        if (bytes + len > maxBytes) break;
        bytes += len;
        i += pair ? 2 : 1;
    }
    return value.left(i);
}

namespace {

struct Lines {
    QStringList lines;
    bool existed = false;
};

Lines load(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return {profileLines(f.readAll()), true};
}

bool save(const QString& path, const QStringList& lines) {
    QSaveFile f(path); // a crash mid-write leaves the old file, never half of it
    if (!f.open(QIODevice::WriteOnly)) return false;
    QByteArray out;
    for (const QString& l : lines)
        out += l.toUtf8() + "\r\n";
    // A full disk may fail only the flush of the buffered bytes, which
    // commit() does not report: it would put an empty file in place.
    if (f.write(out) != out.size() || !f.flush()) {
        f.cancelWriting();
        return false;
    }
    return f.commit();
}

std::optional<QStringView> sectionName(QStringView line) {
    const QStringView t = line.trimmed();
    if (!t.startsWith(u'[')) return std::nullopt;
    const qsizetype close = t.indexOf(u']');
    if (close < 0) return std::nullopt;
    return t.mid(1, close - 1).trimmed();
}

bool sameName(QStringView a, QStringView b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// [first, end) lines of a section's body; first is -1 when it is missing.
struct Range {
    qsizetype header = -1;
    qsizetype end = 0;
};

Range findSection(const QStringList& lines, const QString& section) {
    Range r;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        auto name = sectionName(lines[i]);
        if (!name) continue;
        if (r.header >= 0) {
            r.end = i;
            return r;
        }
        if (sameName(*name, section)) r.header = i;
    }
    r.end = lines.size();
    return r;
}

// The key of a "key=value" line; empty for any other line.
QStringView keyOf(QStringView line) {
    const qsizetype eq = line.indexOf(u'=');
    return eq < 0 ? QStringView() : line.left(eq).trimmed();
}

// A line without "=" is all value (its key being empty).
QStringView valueOf(QStringView line) {
    QStringView v = line.mid(line.indexOf(u'=') + 1).trimmed();
    if (v.size() >= 2 && (v.front() == u'"' || v.front() == u'\'') && v.back() == v.front())
        v = v.mid(1, v.size() - 2);
    return v;
}

// Equal for two names exactly when sameName() holds: the case folding that
// comparison applies, one code point at a time.
QString foldedName(QStringView name) {
    QString out(name.size(), Qt::Uninitialized);
    char16_t* o = reinterpret_cast<char16_t*>(out.data());
    bool ascii = true;
    for (qsizetype i = 0; i < name.size() && ascii; ++i) {
        const char16_t u = name[i].unicode();
        ascii = u < 0x80;
        o[i] = u >= u'A' && u <= u'Z' ? char16_t(u + 0x20) : u;
    }
    if (ascii) return out;
    out.clear();
    for (qsizetype i = 0; i < name.size(); ++i) {
        char32_t c = name[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < name.size() && name[i + 1].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(name[i].unicode(), name[i + 1].unicode());
            ++i;
        }
        const char32_t f = QChar::toCaseFolded(c);
        if (QChar::requiresSurrogates(f)) {
            out += QChar(QChar::highSurrogate(f));
            out += QChar(QChar::lowSurrogate(f));
        } else {
            out += QChar(char16_t(f));
        }
    }
    return out;
}

// What identifies one state of a file on disk. ctime moves with every change
// of content or stamps, even one that puts mtime back.
struct Stamp {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified{};
    timespec changed{};
    bool operator==(const Stamp& o) const {
        return device == o.device && inode == o.inode && size == o.size &&
               modified.tv_sec == o.modified.tv_sec && modified.tv_nsec == o.modified.tv_nsec &&
               changed.tv_sec == o.changed.tv_sec && changed.tv_nsec == o.changed.tv_nsec;
    }
};

std::optional<Stamp> stampOf(const QString& path) {
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0) return std::nullopt;
    return Stamp{st.st_dev, st.st_ino, st.st_size, st.st_mtim, st.st_ctim};
}

qint64 nanoseconds(const timespec& t) {
    return qint64(t.tv_sec) * 1000000000 + t.tv_nsec;
}

qint64 clockNow() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return nanoseconds(now);
}

// File times tick with the kernel's coarse clock, or in whole seconds on
// some file systems (FAT: two): a second write within the same tick can
// leave every stamp as it was. Stamps a tick older than `at` are sure to
// change with any write after `at`.
bool settled(const Stamp& s, qint64 at) {
    const bool wholeSeconds = s.modified.tv_nsec == 0 && s.changed.tv_nsec == 0;
    const qint64 tick = wholeSeconds ? 3'000'000'000 : 100'000'000; // ns, with room
    return at - std::max(nanoseconds(s.modified), nanoseconds(s.changed)) > tick;
}

} // namespace

// Each section's first occurrence, and in it each key's first line: what a
// scan from the top would find. A section's keys are indexed when it is
// first asked for, so the lines of sections nobody reads cost one look.
struct ProfileFile::Index {
    struct Entry {
        QString name;
        QString value; // as a read returns it
    };
    // Names of one bucket share a folded form but differ by sameName(); in
    // practice a bucket holds one name.
    using Bucket = std::vector<Entry>;
    struct Section {
        QString name;
        qsizetype body = 0, end = 0; // of the text: the lines after the header
        std::optional<QHash<QString, Bucket>> keys;
    };

    QString path;
    Stamp stamp;
    // Until the stamps can tell the next version from this one, the bytes do.
    bool trusted = false;
    QByteArray bytes;
    QString text;
    std::vector<Section> sections; // in file order
    QHash<QString, std::vector<qsizetype>> sectionsByName;

    static const Entry* find(const Bucket& bucket, QStringView name) {
        for (const Entry& e : bucket)
            if (sameName(e.name, name)) return &e;
        return nullptr;
    }

    const Entry* entry(QStringView sectionName, QStringView key) {
        const auto same = sectionsByName.constFind(foldedName(sectionName));
        if (same == sectionsByName.cend()) return nullptr;
        for (qsizetype i : *same) {
            Section& s = sections[i];
            if (!sameName(s.name, sectionName)) continue;
            if (!s.keys) s.keys = keysOf(QStringView(text).sliced(s.body, s.end - s.body));
            const auto bucket = s.keys->constFind(foldedName(key));
            return bucket == s.keys->cend() ? nullptr : find(*bucket, key);
        }
        return nullptr;
    }

    // The lines as profileLines() splits them, walked in place.
    template <typename Each> static void eachLine(QStringView all, Each each) {
        qsizetype pos = 0;
        while (pos < all.size()) {
            qsizetype end = all.indexOf(u'\n', pos);
            const bool last = end < 0;
            if (last) end = all.size();
            qsizetype stop = end;
            if (!last && stop > pos && all[stop - 1] == u'\r') --stop;
            each(all.sliced(pos, stop - pos), pos, end + 1);
            pos = end + 1;
        }
    }

    static QHash<QString, Bucket> keysOf(QStringView body) {
        QHash<QString, Bucket> keys;
        eachLine(body, [&](QStringView line, qsizetype, qsizetype) {
            const QStringView key = keyOf(line);
            Bucket& bucket = keys[foldedName(key)];
            if (!find(bucket, key))
                bucket.push_back({key.toString(), cutToReadBuffer(valueOf(line).toString())});
        });
        return keys;
    }

    void build(QString decoded) {
        text = std::move(decoded);
        qsizetype open = -1; // the section whose body is being passed
        eachLine(text, [&](QStringView line, qsizetype start, qsizetype next) {
            const auto name = sectionName(line);
            if (!name) return;
            if (open >= 0) sections[open].end = start;
            open = -1;
            std::vector<qsizetype>& same = sectionsByName[foldedName(*name)];
            for (qsizetype i : same)
                if (sameName(sections[i].name, *name)) return; // a later copy: never reached
            same.push_back(qsizetype(sections.size()));
            open = qsizetype(sections.size());
            sections.push_back({name->toString(), std::min(next, text.size()), text.size(), {}});
        });
    }
};

ProfileFile::ProfileFile() = default;
ProfileFile::~ProfileFile() = default;

QString ProfileFile::read(const QString& file, const QString& section, const QString& key,
                          const QString& defaultValue) {
    const qint64 asked = clockNow();
    const std::optional<Stamp> before = stampOf(file);
    if (!before) return cutToReadBuffer(defaultValue);
    const bool same = index_ && index_->path == file && index_->stamp == *before;
    if (!same || !index_->trusted) {
        QByteArray bytes;
        QFile f(file);
        if (f.open(QIODevice::ReadOnly)) bytes = f.readAll();
        if (!same || bytes != index_->bytes) {
            index_ = std::make_unique<Index>();
            index_->path = file;
            index_->stamp = *before;
            index_->build(decodeProfileText(bytes));
        }
        const std::optional<Stamp> after = stampOf(file);
        const bool steady = after && *after == *before;
        index_->trusted = steady && settled(*before, asked);
        index_->bytes = index_->trusted ? QByteArray() : bytes;
        if (!steady) index_->path.clear(); // changed while read: this read only
    }
    if (const Index::Entry* e = index_->entry(section, key)) return e->value;
    return cutToReadBuffer(defaultValue);
}

QString oneLine(const QString& value) {
    QString v = value;
    for (QChar& ch : v)
        if (ch == u'\r' || ch == u'\n' || ch == QChar(0)) ch = u' ';
    return v;
}

namespace {

void writeLine(QStringList& lines, const QString& section, const QString& key,
               const QString& value) {
    const QString line = oneLine(key) + u'=' + oneLine(value);
    const Range r = findSection(lines, section);
    if (r.header < 0) {
        lines << u'[' + oneLine(section) + u']' << line;
        return;
    }
    qsizetype lastEntry = r.header;
    for (qsizetype i = r.header + 1; i < r.end; ++i) {
        if (sameName(keyOf(lines[i]), key)) {
            lines[i] = line;
            return;
        }
        if (!lines[i].trimmed().isEmpty()) lastEntry = i;
    }
    lines.insert(lastEntry + 1, line);
}

bool removeSection(QStringList& lines, const QString& section) {
    const Range r = findSection(lines, section);
    if (r.header < 0) return false;
    lines.remove(r.header, r.end - r.header);
    return true;
}

} // namespace

bool ProfileFile::write(const QString& file, const QString& section, const QString& key,
                        const QString& value) {
    return apply(file, {{ProfileEdit::Write, section, key, value}});
}

bool ProfileFile::deleteSection(const QString& file, const QString& section) {
    return apply(file, {{ProfileEdit::DeleteSection, section, {}, {}}});
}

bool ProfileFile::apply(const QString& file, const std::vector<ProfileEdit>& edits) {
    // Even a failed save may have touched the file; the next read looks again.
    index_.reset();
    Lines f = load(file);
    bool changed = false;
    for (const ProfileEdit& e : edits) {
        if (e.kind == ProfileEdit::Write) {
            writeLine(f.lines, e.section, e.key, e.value);
            changed = true;
        } else if (f.existed) {
            changed = removeSection(f.lines, e.section) || changed;
        }
    }
    // Deleting from a file that is not there leaves it not there.
    if (!changed) return true;
    return save(file, f.lines);
}

} // namespace kurumin
