#include "ui/window_behaviour.h"

#include "panel/panel.h"

namespace kurumin {

void toggleFold(Panel& p) {
    p.steps.closeAll();
    const bool fold = isOn(p.PanelOpen);
    if (WindowPort* w = p.window()) {
        RectTwips g = w->geometry();
        g.height = fold ? FoldedHeight : UnfoldedHeight;
        w->setGeometry(g);
    }
    p.c[Ctl::lbl10].geo.height = fold ? StripFoldedHeight : StripUnfoldedHeight;
    p.text(Ctl::lblOPEN) = fold ? QStringLiteral("▼") : QStringLiteral("▲");
    p.PanelOpen = complement(p.PanelOpen);
}

void wireWindowBehaviour(Panel& p) {
    p.onClick(Ctl::lblOPEN, [&p] { toggleFold(p); });
}

} // namespace kurumin
