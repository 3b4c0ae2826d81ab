#include "app/startup.h"

#include "app/kurumin.h"
#include "browse/commands.h"
#include "browse/count_controls.h"
#include "browse/modes.h"
#include "capture/clipboard_tools.h"
#include "capture/clipboard_watcher.h"
#include "capture/page_capture.h"
#include "panel/user_texts.h"
#include "store/history.h"
#include "store/keep_list.h"
#include "window/window_behaviour.h"

namespace kurumin {

bool refuseSecondInstance(SingleInstancePort& instance, MessageBoxPort& messageBox) {
    if (!instance.anotherInstanceRuns()) return false;
    messageBox.show(msg::secondInstanceText(), msg::secondInstanceTitle(), MsgButtons::Ok,
                    MsgIcon::Exclamation);
    return true;
}

Kurumin::Kurumin(Services& services, PanelWindowMakers ownWindows) : panel(services, ownWindows) {
    for (const Ctl exit : ExitControls)
        panel.onClick(exit, [this] { panel.close(); });
    wireBrowseCommands(panel);
    wireCountControls(panel);
    wireWatcher(panel);
    wireClipboardTools(panel);
    wireCapture(panel);
    wireKeepList(panel);
    wireHistory(panel);
    wireWindowBehaviour(panel);
}

namespace {

void initialState(Panel& p) {
    p.PanelInPlace = True;
    p.BlinkPhase = False;
    p.timer(Tmr::Timer4).stop();
    if (WindowPort* w = p.window()) {
        w->setTopmost();
        RectTwips g = w->geometry();
        g.height = FoldedHeight;
        g.width = PanelWidth;
        w->setGeometry(g);
    }
    for (const Tmr t : {Tmr::Timer1, Tmr::Timer2, Tmr::Cup, Tmr::Cdwn})
        p.timer(t).stop();
    p.s.AutoBrowse = True;
    p.PanelOpen = False;
    p.c[Ctl::lblAuto].fore = colors::Red;
    p.c[Ctl::Sh1].back = colors::Black;
    p.c[Ctl::lblLIMIT].fore = colors::Red;
    p.s.LimitOn = True;
    enterStartUp(p);
    p.page.forget();
}

} // namespace

void Kurumin::load() {
    panel.run("Form1.Load", [this] {
        // Start-up goes on whatever failed: the watcher starts regardless.
        trap([this] {
            initialState(panel);
            loadKeepList(panel);
        });
        panel.timer(Tmr::timCrip).start();
    });
}

} // namespace kurumin
