#include "store/history.h"

#include "panel/panel.h"
#include "panel/user_texts.h"

namespace kurumin {

QString historyPath(const QString& dataFolder, const QDate& day) {
    return dataFolder + QStringLiteral("/REC/URL-") + day.toString(QStringLiteral("MMdd")) +
           QStringLiteral(".txt");
}

QString quoted(const QString& text) {
    return u'"' + text + u'"';
}

namespace {

void record(Panel& p, bool withTitle) {
    if (p.page.lURL().isEmpty()) {
        p.message(msg::noPageToRecordText(), msg::noPageToRecordTitle());
        return;
    }
    // The date of this press: a record after midnight goes to the new day's file.
    const QString path = historyPath(p.svc.program.dataFolder(), p.svc.clock.today());
    const QStringList lines =
        withTitle ? QStringList{QString(), quoted(p.page.lTTL()), quoted(p.page.lURL())}
                  : QStringList{quoted(p.page.lURL())};
    trap([&] { p.svc.textAppend.append(path, lines); },
         [&] { p.message(msg::historyWriteText(withTitle), msg::historyWriteTitle()); });
}

} // namespace

void wireHistory(Panel& p) {
    for (const auto& [label, withTitle] : {std::pair{Ctl::Label9, false}, {Ctl::Label6, true}}) {
        const Ctl n = label;
        const bool titled = withTitle;
        p.onMouseDown(n, [&p, n](MouseButton) { p.c[n].fore = colors::Yellow; });
        p.onMouseUp(n, [&p, n](MouseButton) { p.c[n].fore = colors::PressedGreen; });
        p.onClick(n, [&p, titled] { record(p, titled); });
    }
    // What the desktop says to the open is its own business.
    p.onClick(Ctl::Label8, [&p] {
        const QString folder = p.svc.program.dataFolder();
        trap([&] { p.svc.shell.open(historyPath(folder, p.svc.clock.today()), folder); });
    });
    p.onClick(Ctl::Command11, [&p] {
        trap([&] {
            const QString folder = p.svc.program.dataFolder();
            const QString file = p.svc.fileDialog.openFile(msg::historyPickerTitle(),
                                                           msg::historyPickerFilter(), folder);
            if (file.isEmpty()) return; // cancelled
            p.svc.shell.open(file, folder);
        });
    });
}

} // namespace kurumin
