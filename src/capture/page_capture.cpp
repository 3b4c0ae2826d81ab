#include "capture/page_capture.h"

#include "panel/panel.h"
#include "panel/user_texts.h"

namespace kurumin {

namespace {

void forgetPage(Panel& p) {
    p.s.lURL.clear();
    p.s.lTTL.clear();
    p.c[Ctl::Label6].toolTip = msg::noTitleTip();
}

} // namespace

// Reads what the browser port has cached; it never waits on the browser.
void captureTick(Panel& p) {
    trap([&] {
        const WindowHandle front = p.svc.windows.foregroundWindow();
        p.s.lAWH = QStringLiteral("&H") + QString::number(front, 16).toUpper();
        const std::optional<BrowserPage> page = p.svc.browser.frontPage();
        if (!page) return;
        if (!page->url.startsWith(QLatin1String("http"))) return forgetPage(p);
        // The page's own title, whole: the browser's suffix is not part of it here.
        p.s.lTTL = page->title;
        p.c[Ctl::Label6].toolTip = msg::titleTip(p.s.lTTL);
        p.s.lURL = page->url;
    });
}

void foregroundTick(Panel& p) {
    trap([&] {
        const bool inFront = p.window() && p.svc.windows.foregroundWindow() == p.window()->handle();
        const Color back = inFront ? colors::Red : colors::DarkRed;
        for (const Ctl exit : {Ctl::Command6_0, Ctl::Command6_1, Ctl::lblEXIT})
            p.c[exit].back = back;
        p.enable(Ctl::lblCripDirect, inFront);
    });
}

void wireCapture(Panel& p) {
    // The tick stays as the safety net; the port tells as soon as the front page changes.
    p.onTick(Tmr::timGETURL, [&p] { captureTick(p); });
    p.svc.browser.setFrontPageHandler([&p] { captureTick(p); });
    p.onTick(Tmr::Timer3, [&p] { foregroundTick(p); });
}

} // namespace kurumin
