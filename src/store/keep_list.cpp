#include "store/keep_list.h"

#include "browse/numbers.h"
#include "panel/panel.h"
#include "panel/user_texts.h"
#include "platform/browser.h"

#include <cmath>

namespace kurumin {

namespace {
// A hand-edited count far beyond the 50 the panel keeps must not stall
// start-up on thousands of reads, nor fill the list with empty entries.
constexpr int kMostEntriesRead = 1000;
} // namespace

QString keepListPath(Panel& panel) {
    return panel.svc.program.dataFolder() + QStringLiteral("/URL.ini");
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
    // No value read from a line holds a line end: this one says "no such key".
    const QString absent = QStringLiteral("\n");
    for (int i = 0; i <= last; ++i) {
        const QString k = QString::number(i);
        QString name =
            ini.read(path, QStringLiteral("KeepURL"), QStringLiteral("Name") + k, absent);
        QString url = ini.read(path, QStringLiteral("KeepURL"), QStringLiteral("URL") + k, absent);
        // Past what the panel writes, a count bigger than the file is not believed.
        if (i >= KeepListFull && name == absent && url == absent) break;
        names.items << (name == absent ? QString() : name);
        urls.items << (url == absent ? QString() : url);
    }
    if (names.items.isEmpty()) return;
    names.listIndex = 0;
    names.caption = names.items.front();
    if (names.items.size() >= KeepListFull) p.enable(Ctl::Command3, false);
}

std::vector<ProfileEdit> keepListEdits(const QStringList& names, const QStringList& urls,
                                       bool clearFirst) {
    const QString count = QStringLiteral("KeepCount"), list = QStringLiteral("KeepURL");
    std::vector<ProfileEdit> edits;
    if (clearFirst) {
        edits.push_back({ProfileEdit::DeleteSection, count, {}, {}});
        edits.push_back({ProfileEdit::DeleteSection, list, {}, {}});
    }
    edits.push_back(
        {ProfileEdit::Write, count, QStringLiteral("Count"), QString::number(names.size())});
    for (qsizetype i = 0; i < names.size(); ++i) {
        const QString k = QString::number(i);
        edits.push_back({ProfileEdit::Write, list, QStringLiteral("Name") + k, names[i]});
        edits.push_back({ProfileEdit::Write, list, QStringLiteral("URL") + k, urls.value(i)});
    }
    return edits;
}

bool isWebAddress(const QString& url) {
    const QString address = normaliseBrowserAddress(url);
    for (const char* scheme : {"http://", "https://", "ftp://"})
        if (address.startsWith(QLatin1String(scheme), Qt::CaseInsensitive)) return true;
    return false;
}

namespace {

void saveList(Panel& p, bool clearFirst) {
    trap(
        [&] {
            p.svc.profile.apply(keepListPath(p), keepListEdits(p.c[Ctl::List1].items,
                                                               p.c[Ctl::List2].items, clearFirst));
        },
        [&] { p.message(msg::keepFileText(), msg::keepFileTitle()); });
}

void keep(Panel& p) {
    if (p.page.lURL().isEmpty()) {
        p.message(msg::noPageToKeepText(), msg::noPageToKeepTitle());
        return;
    }
    trap([&] {
        const QString& typed = p.text(Ctl::Text1);
        p.c[Ctl::List1].items << (typed.isEmpty() ? p.page.lTTL() : typed);
        p.c[Ctl::List2].items << p.page.lURL();
        const qsizetype n = p.c[Ctl::List1].items.size();
        p.text(Ctl::lblCNT) = QString::number(n);
        if (n >= KeepListFull) p.enable(Ctl::Command3, false);
        p.setText(Ctl::Text1, {});
        saveList(p, false);
    });
}

void remove(Panel& p) {
    if (p.message(msg::deleteEntryText(), msg::deleteEntryTitle(), MsgButtons::OkCancel,
                  MsgIcon::None) != MsgResult::Ok)
        return;
    Control& names = p.c[Ctl::List1];
    Control& urls = p.c[Ctl::List2];
    const int k = names.listIndex;
    // Nothing selected: nothing to remove, and nothing is lost.
    if (k < 0 || k >= names.items.size()) return;
    names.items.removeAt(k);
    if (k < urls.items.size()) urls.items.removeAt(k);
    names.listIndex = -1;
    names.caption.clear();
    const qsizetype n = names.items.size();
    p.text(Ctl::lblCNT) = QString::number(n);
    if (n < KeepListFull) p.enable(Ctl::Command3);
    saveList(p, true);
}

void browse(Panel& p) {
    const Control& names = p.c[Ctl::List1];
    const QStringList& urls = p.c[Ctl::List2].items;
    const int k = names.listIndex;
    if (k < 0 || k >= urls.size() || !isWebAddress(urls[k])) return;
    p.openPage(urls[k], ReportFailure::No, nullptr);
}

} // namespace

void wireKeepList(Panel& p) {
    p.onClick(Ctl::Command3, [&p] { keep(p); });
    p.onClick(Ctl::Command4, [&p] { remove(p); });
    p.onClick(Ctl::Command2, [&p] { browse(p); });
}

} // namespace kurumin
