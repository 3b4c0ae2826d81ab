#include "platform/data_folder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>
#include <unistd.h>

namespace kurumin {

QString chooseDataFolder(const ProgramPlace& program, const QString& xdgDataHome,
                         const QString& home) {
    if (program.writable && !program.installed) return program.folder;
    // A relative XDG_DATA_HOME is invalid and ignored, like an unset one.
    if (QDir::isAbsolutePath(xdgDataHome))
        return QDir::cleanPath(xdgDataHome + QStringLiteral("/kurumin"));
    if (QDir::isAbsolutePath(home))
        return QDir::cleanPath(home + QStringLiteral("/.local/share/kurumin"));
    // Nowhere else to go; what cannot be written there is reported as usual.
    return program.folder;
}

ProgramPlace inspectProgramFolder(const QString& folder) {
    ProgramPlace place;
    place.folder = folder;
    const QByteArray path = QFile::encodeName(folder);
    struct stat st {};
    if (stat(path.constData(), &st) == 0 && access(path.constData(), W_OK) == 0)
        place.writable = geteuid() != 0 || (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0;
    place.installed = QFileInfo(folder).fileName() == QLatin1String("bin") &&
                      QFileInfo(folder + QStringLiteral("/../share/kurumin")).isDir();
    return place;
}

bool prepareDataFolder(const QString& folder) {
    // Each missing level owner-only, as the XDG rules ask of ~/.local/share.
    const QStringList parts = QDir::cleanPath(folder).split(u'/', Qt::SkipEmptyParts);
    QString at;
    for (const QString& part : parts) {
        at += u'/' + part;
        if (QFileInfo(at).isDir()) continue;
        if (!QDir().mkdir(at, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner)) return false;
    }
    // Also in a folder the user made first, to bring an old URL.ini over.
    const QString rec = folder + QStringLiteral("/REC");
    return QFileInfo(rec).isDir() || QDir().mkdir(rec);
}

QString findHelpPage(const QString& programFolder) {
    const QString beside = programFolder + QStringLiteral("/help/index.html");
    if (QFileInfo::exists(beside)) return QDir::cleanPath(beside);
    return QDir::cleanPath(programFolder + QStringLiteral("/../share/kurumin/help/index.html"));
}

} // namespace kurumin
