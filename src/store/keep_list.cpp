#include "store/keep_list.h"

#include "browse/numbers.h"
#include "panel/panel.h"

#include <cmath>

namespace kurumin {

namespace {
// A hand-edited count far beyond the 50 the panel keeps must not stall
// start-up on thousands of reads.
constexpr int kMostEntriesRead = 1000;
} // namespace

QString keepListPath(Panel& panel) {
    return panel.svc.program.programFolder() + QStringLiteral("/URL.ini");
}

void loadKeepList(Panel& p) {
    ProfilePort& ini = p.svc.profile;
    const QString path = keepListPath(p);
    const QString count =
        ini.read(path, QStringLiteral("KeepCount"), QStringLiteral("Count"), QStringLiteral("0"));
    p.c[Ctl::lblCNT].caption = count;
    const double n = numberOf(count);

    Control& names = p.c[Ctl::List1];
    Control& urls = p.c[Ctl::List2];
    const double last = std::min<double>(n - 1, kMostEntriesRead - 1);
    for (int i = 0; i <= last; ++i) {
        const QString k = QString::number(i);
        names.items << ini.read(path, QStringLiteral("KeepURL"), QStringLiteral("Name") + k,
                                QString());
        urls.items << ini.read(path, QStringLiteral("KeepURL"), QStringLiteral("URL") + k,
                               QString());
    }
    if (names.items.isEmpty()) return;
    names.listIndex = 0;
    names.caption = names.items.front();
    if (names.items.size() >= KeepListFull) p.enable(Ctl::Command3, false);
}

} // namespace kurumin
