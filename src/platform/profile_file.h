#pragma once
// The profile file (URL.ini): "[section]" headers and "key=value" lines,
// CR LF. A write changes one line in place and leaves every other line where
// it was, which QSettings does not.

#include "platform/desktop.h"

#include <memory>

namespace kurumin {

class ProfileFile : public ProfilePort {
  public:
    ProfileFile();
    ~ProfileFile() override;
    ProfileFile(const ProfileFile&) = delete;
    ProfileFile& operator=(const ProfileFile&) = delete;

    // Answered from an index of the file, built once and built again only
    // when the file on disk is no longer the one indexed.
    QString read(const QString& file, const QString& section, const QString& key,
                 const QString& defaultValue) override;
    bool write(const QString& file, const QString& section, const QString& key,
               const QString& value) override;
    bool deleteSection(const QString& file, const QString& section) override;
    bool apply(const QString& file, const std::vector<ProfileEdit>& edits) override;

  private:
    struct Index;
    std::unique_ptr<Index> index_; // of the file read last
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
