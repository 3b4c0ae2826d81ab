#pragma once
// Where the lasting data (URL.ini, REC/, browser-profile/) lives. A copy that
// can write beside itself keeps everything there, as it always did; an
// installed one must leave its folder alone and use the user's data folder.

#include <QString>

namespace kurumin {

struct ProgramPlace {
    QString folder;         // no trailing separator
    bool writable = false;  // this user may write there
    bool installed = false; // <prefix>/bin beside <prefix>/share/kurumin
};

// The one decision; it looks at nothing but its arguments.
QString chooseDataFolder(const ProgramPlace& program, const QString& xdgDataHome,
                         const QString& home);

// The program's folder as the file system sees it. Root may write anywhere,
// so for root only the folder's own write bits count.
ProgramPlace inspectProgramFolder(const QString& folder);

// Makes a missing data folder (owner only, as the XDG rules ask) and a
// missing REC in it; what exists is left as it is.
bool prepareDataFolder(const QString& folder);

// help/index.html beside the program (build tree, portable copy), else the
// installed share/kurumin/help/index.html. Absolute.
QString findHelpPage(const QString& programFolder);

} // namespace kurumin
