#include "platform/profile_file.h"

#include <QFile>
#include <QHash>
#include <QSaveFile>
#include <QStringDecoder>

#include <QSet>

#include <optional>

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

QByteArray encode(const QStringList& lines) {
    QByteArray out;
    for (const QString& l : lines)
        out += l.toUtf8() + "\r\n";
    return out;
}

bool save(const QString& path, const QByteArray& out) {
    QSaveFile f(path); // a crash mid-write leaves the old file, never half of it
    if (!f.open(QIODevice::WriteOnly)) return false;
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

// Names compare as sameName() does, one code point folded at a time.
QString folded(QStringView section, QStringView key) {
    return section.toString().toCaseFolded() + u'\n' + key.toString().toCaseFolded();
}

} // namespace

// Only a section's first occurrence is read, and in it each key's first line.
void ProfileFile::hold(const QString& file, const QStringList& lines) {
    file_ = file;
    values_.clear();
    QSet<QString> seen;
    std::optional<QString> section; // folded; none before the first header, or in a later copy
    for (const QString& line : lines) {
        if (const auto name = sectionName(line)) {
            const QString f = name->toString().toCaseFolded();
            section = seen.contains(f) ? std::nullopt : std::optional(f);
            seen.insert(f);
        } else if (section) {
            const QString k = folded(*section, keyOf(line));
            if (!values_.contains(k)) values_.insert(k, cutToReadBuffer(valueOf(line).toString()));
        }
    }
}

QString ProfileFile::read(const QString& file, const QString& section, const QString& key,
                          const QString& defaultValue) {
    if (file_ != file) hold(file, load(file).lines);
    const auto it = values_.constFind(folded(section, key));
    return it == values_.cend() ? cutToReadBuffer(defaultValue) : *it;
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

void ProfileFile::apply(const QString& file, const std::vector<ProfileEdit>& edits) {
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
    if (!changed) return;
    file_.clear(); // a failed save may still have touched the file
    const QByteArray bytes = encode(f.lines);
    if (!save(file, bytes)) throw PlatformFailure("cannot write " + file.toStdString());
    hold(file, profileLines(bytes));
}

} // namespace kurumin
