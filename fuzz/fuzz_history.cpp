// REC and TREC: any page address and title, written by the real appender,
// come back as the records they were, one field to a line.

#include "app/kurumin.h"
#include "platform/fake/fakes.h"
#include "platform/qt/qt_services.h"
#include "store/history.h"

#include "fuzz_support.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <fuzzer/FuzzedDataProvider.h>

using namespace kurumin;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static QTemporaryDir dir;
    check(QDir().mkpath(dir.path() + QStringLiteral("/REC")), "no REC folder");
    FuzzedDataProvider in(data, size);

    fake::Desktop d;
    Utf8TextAppend append;
    Services services{d.messageBox, d.beep,  d.clock,   d.windows, d.clipboard,
                      d.fileDialog, d.shell, d.program, d.profile, append,
                      d.timers,     d.loop,  d.browser};
    d.program.folder = dir.path();
    d.clock.date = QDate(2026, in.ConsumeIntegralInRange(1, 12), in.ConsumeIntegralInRange(1, 28));
    fake::Window window;
    Kurumin app{services, d.ownWindows};
    Panel& panel = app.panel;
    panel.attachWindow(&window);
    app.load();

    const QString path = historyPath(dir.path(), d.clock.date);
    QFile::remove(path);
    QByteArray expected;
    while (in.remaining_bytes() > 0) {
        const QString url = textFrom(in, 200);
        panel.page.capture(url, textFrom(in, 200));
        const bool titled = in.ConsumeBool();
        const std::size_t boxes = d.messageBox.shown.size();
        panel.click(titled ? Ctl::Label6 : Ctl::Label9);
        if (url.isEmpty()) {
            check(d.messageBox.shown.size() == boxes + 1, "nothing to record, and no word of it");
            continue;
        }
        check(d.messageBox.shown.size() == boxes, "a record failed");
        if (titled) expected += "\r\n" + quoted(panel.page.lTTL()).toUtf8() + "\r\n";
        expected += quoted(url).toUtf8() + "\r\n";
    }
    QFile f(path);
    if (expected.isEmpty()) {
        check(!f.exists(), "a file with no record");
        return 0;
    }
    check(f.open(QIODevice::ReadOnly), "no history file");
    check(f.readAll() == expected, "the records differ from what was recorded");
    return 0;
}
