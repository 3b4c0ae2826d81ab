#pragma once
// The profile file (URL.ini): "[section]" headers and "key=value" lines,
// CR LF. A write changes one line in place and leaves every other line where
// it was, which QSettings does not.

#include "platform/desktop.h"

#include <QHash>

namespace kurumin {

class ProfileFile : public ProfilePort {
  public:
    // Answered from the file as first read, or as last written here. A file
    // that cannot be read answers every default, as a missing one does.
    QString read(const QString& file, const QString& section, const QString& key,
                 const QString& defaultValue) override;
    void apply(const QString& file, const std::vector<ProfileEdit>& edits) override;

  private:
    void hold(const QString& file, const QStringList& lines);

    QString file_; // the file held; empty: none
    // "section\nkey" folded -> the value a read returns; lines hold no '\n'.
    QHash<QString, QString> values_;
};

// A value as one line holds it: CR, LF and NUL, which would end the line
// and start a key of their own, become spaces.
QString oneLine(const QString& value);

// Text of a file written here or on the original platform: UTF-8 when the
// bytes are valid UTF-8, else Shift-JIS.
QString decodeProfileText(const QByteArray& bytes);
// The file's lines: CR LF or LF ends one, a lone CR stays in it, and nothing
// after the last line end is no line.
QStringList profileLines(const QByteArray& bytes);

// The value as the 1024-character read buffer returns it: at most 1023 bytes
// in the file's encoding, cut at a character boundary.
QString cutToReadBuffer(const QString& value);

} // namespace kurumin
