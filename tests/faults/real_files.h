#pragma once
// The panel over the test doubles, but with the real URL.ini and history
// file writers, on a folder of the test's choosing.

#include "panel_fixture.h"
#include "platform/profile_file.h"
#include "platform/qt/qt_services.h"
#include "store/keep_list.h"

#include <QStringList>

namespace kurumin::testing {

// Two lists of different lengths, every entry long enough that a write takes
// a while (yet within the 1023 bytes a read returns): the file must always
// hold one of them whole.
struct KeepLists {
    QStringList names, urls;
    bool operator==(const KeepLists&) const = default;
};

inline KeepLists keepList(const QString& tag, int entries) {
    KeepLists l;
    for (int i = 0; i < entries; ++i) {
        l.names << QStringLiteral("%1 page %2 ").arg(tag).arg(i) + QString(300, QChar(0x3042));
        l.urls << QStringLiteral("http://%1.example/%2/").arg(tag).arg(i) + QString(600, u'u');
    }
    return l;
}
inline const KeepLists kOldList = keepList(QStringLiteral("old"), 50);
inline const KeepLists kNewList = keepList(QStringLiteral("new"), 37);

struct RealWriters {
    ProfileFile profile;
    Utf8TextAppend textAppend;
};

struct RealFiles : RealWriters, PanelRig {
    explicit RealFiles(const QString& folder) : PanelRig({&profile, &textAppend}) {
        d.program.folder = folder;
    }
    // The panel's start: the list as it loads from the file.
    KeepLists loaded() {
        app.load();
        return {names(), panel.c[Ctl::List2].items};
    }
};

} // namespace kurumin::testing
