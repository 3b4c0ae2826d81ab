#include "app/panel.h"
#include "auto/auto_browse.h"
#include "browse/commands.h"
#include "capture/clipboard_watcher.h"

namespace kurumin {

void wirePanel(Panel& p) {
    for (const char* exit : {"Command6(0)", "Command6(1)", "lblEXIT"})
        p.onClick(QString::fromUtf8(exit), [&p] { p.close(); });
    wireBrowse(p);
    wireAuto(p);
    wireWatcher(p);
}

} // namespace kurumin
