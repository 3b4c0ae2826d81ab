#include "capture/page_capture.h"

#include "panel/panel.h"

namespace kurumin {

// Reads what the browser port has cached; it never waits on the browser.
void captureTick(Panel& p) {
    trap([&] {
        const WindowHandle front = p.svc.windows.foregroundWindow();
        p.s.lAWH = QStringLiteral("&H") + QString::number(front, 16).toUpper();
        const std::optional<BrowserPage> page = p.svc.browser.frontPage();
        if (!page) return;
        if (!page->url.startsWith(QLatin1String("http"))) return p.page.forget();
        // The page's own title, whole: the browser's suffix is not part of it here.
        p.page.capture(page->url, page->title);
    });
}

void foregroundTick(Panel& p) {
    trap([&] {
        const bool inFront = p.window() && p.svc.windows.foregroundWindow() == p.window()->handle();
        const Color back = inFront ? colors::Red : colors::DarkRed;
        for (const Ctl exit : ExitControls)
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
