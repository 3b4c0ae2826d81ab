// The clipboard watcher's tick: any clipboard text and keyword, over a browse
// state reached by a few earlier copies, ticks and browser answers.

#include "app/kurumin.h"
#include "capture/clipboard_watcher.h"
#include "platform/fake/fakes.h"

#include "fuzz_support.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <functional>

using namespace kurumin;

namespace {

// Texts a person copies, so that short inputs reach the range and URL paths.
QString copiedText(FuzzedDataProvider& in) {
    static const QStringList kinds =
        QStringLiteral("http://site/img[001-120].jpg|https://a.b/c[1-9]|http://x/p[|http://x/]p[|"
                       "ftp://h/[0-0]|")
            .split(u'|');
    QString t = kinds[in.ConsumeIntegralInRange<qsizetype>(0, kinds.size() - 1)];
    if (in.ConsumeBool())
        t = textFrom(in, 200);
    else if (in.ConsumeBool())
        t.insert(in.ConsumeIntegralInRange<qsizetype>(0, t.size()), textFrom(in, 12));
    return t;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    fake::Desktop d;
    fake::Window window;
    window.geo = {1000, 100, 2730, 685};
    Kurumin app{d.services, d.ownWindows};
    Panel& panel = app.panel;
    panel.attachWindow(&window);
    app.load();

    // Copies, ticks, browser answers and failures, the keyword, pick mode and the number.
    const std::function<void()> steps[] = {
        [&] { d.clipboard.copyFromElsewhere(copiedText(in)); },
        [&] { d.clipboard.copyFromElsewhere(std::nullopt); },
        [&] { d.timers[QStringLiteral("timCrip")].fire(); },
        [&] { d.loop.runPending(); },
        [&] { panel.text(Ctl::txtKeyWord) = in.ConsumeBool() ? "://" : textFrom(in, 8); },
        [&] {
            d.browser.failWith =
                OpenFailure(in.ConsumeIntegralInRange(0, int(OpenFailure::Timeout)));
        },
        [&] { panel.s.PickMode = in.ConsumeBool() ? True : False; },
        [&] { panel.text(Ctl::txtNo) = textFrom(in, 10); },
    };
    for (int step = 0; step < 12 && in.remaining_bytes() > 8; ++step)
        steps[in.ConsumeIntegralInRange<size_t>(0, std::size(steps) - 1)]();

    panel.text(Ctl::txtKeyWord) = textFrom(in, 8);
    const QString text = copiedText(in);
    d.clipboard.content = text;
    const bool news = panel.copied.takenUp() != text;
    watcherTick(panel);
    check(panel.copied.takenUp() == text, "the tick did not take up the text");
    // A plain URL opened may be shown as it was opened; anything else as copied.
    const bool plainUrl = panel.s.KeywordPos != 0 && panel.s.lbl1.isEmpty();
    if (news && !plainUrl) check(panel.text(Ctl::txtNow) == text, "new text not shown");
    d.loop.runPending();
    check(!panel.inHandler(), "a handler left running");
    return 0;
}
