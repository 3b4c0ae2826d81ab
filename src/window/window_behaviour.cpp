#include "window/window_behaviour.h"

#include "panel/panel.h"

#include <QUrl>

#include <optional>
#include <vector>

namespace kurumin {

namespace {

// One row per control that reacts to the pointer passing over it. A label
// stays lit until the pointer passes something whose list holds it.
struct HoverRow {
    Ctl over;
    std::optional<Ctl> lit;
    Color litColor = colors::Green;
    std::vector<Ctl> reset;
    bool drags = false;
};

const std::vector<HoverRow>& hoverTable() {
    using enum Ctl;
    const std::vector<Ctl> all{lblKeep, lblAccess, lblCUT, lblEDIT, lblUP, lblDWN, lblOPEN, Label1};
    const std::vector<Ctl> allButKeep{lblAccess, lblCUT, lblEDIT, lblUP, lblDWN, lblOPEN, Label1};
    static const std::vector<HoverRow> table{
        {Label1, Label1, colors::Green, {lblUP, lblAccess, lblCUT, lblEDIT, lblDWN, lblOPEN}},
        {lblAccess, lblAccess, colors::Green, {lblCUT, lblEDIT, lblUP, lblDWN, lblOPEN, Label1}},
        {lblCUT, lblCUT, colors::Green, {lblAccess, lblEDIT, lblUP, lblDWN, lblOPEN, Label1}},
        {lblKeep, lblKeep, colors::Green, allButKeep},
        {lblOPEN, lblOPEN, colors::Green, {lblAccess, lblCUT, lblEDIT, lblUP, lblDWN, Label1}},
        {lblEDIT, lblEDIT, colors::Blue, {lblAccess, lblCUT, lblUP, lblDWN, lblOPEN, Label1}},
        {lblUP, {}, {}, {lblAccess, lblCUT, lblEDIT, lblDWN, lblOPEN, Label1}},
        {lblDWN, {}, {}, {lblAccess, lblCUT, lblEDIT, lblUP, lblOPEN, Label1}},
        {lblAuto, {}, {}, allButKeep},
        {Label2, {}, {}, allButKeep},
        {Label3, {}, {}, allButKeep},
        {txtNo, {}, {}, allButKeep},
        {txtNow, {}, {}, all},
        {Pic1, {}, {}, allButKeep, true},
        {Picture1, {}, {}, {}, true},
        {Form1, {}, {}, all, true},
    };
    return table;
}

const HoverRow* rowOf(Ctl over) {
    for (const HoverRow& row : hoverTable())
        if (row.over == over) return &row;
    return nullptr;
}

} // namespace

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

void pressBackground(Panel& p, MouseButton button) {
    p.steps.closeAll();
    WindowPort* w = p.window();
    if (button != MouseButton::Right || !isOn(p.PanelInPlace) || !w) return;
    RectTwips g = w->geometry();
    p.SavedLeft = g.left;
    // Past the left edge of the monitor it is on, not of the whole desktop:
    // on a monitor right of another the strip would land on that one.
    g.left = w->monitorLeft() - g.width;
    g.width += StripWidth;
    p.PanelInPlace = False; // the view shows a tucked panel as its strip alone
    w->setGeometry(g);
    p.timer(Tmr::Timer4).start();
}

void bringBack(Panel& p) {
    // Only a tucked panel has the strip on screen; shrinking an untucked one
    // would cut its right edge off.
    WindowPort* w = p.window();
    if (isOn(p.PanelInPlace) || !w) return;
    RectTwips g = w->geometry();
    g.width -= StripWidth;
    g.left = p.SavedLeft;
    p.PanelInPlace = True;
    w->setGeometry(g);
    p.timer(Tmr::Timer4).stop();
}

void blinkLamp(Panel& p) {
    p.c[Ctl::lnp].back = isOn(p.BlinkPhase) ? colors::DarkRed : colors::Red;
    p.BlinkPhase = complement(p.BlinkPhase);
}

void hover(Panel& p, Ctl over, const HeldButtons& held) {
    const HoverRow* row = rowOf(over);
    if (!row) return;
    // One system move per press on a drag area: the window manager ends it
    // at the release, and a move asked again after that (Qt sends a last
    // stale move then) would start one with no button held. A press that
    // only closed a popup is not the panel's, nor are the moves after it.
    const HoverRow* pressed = p.pressedOn() ? rowOf(*p.pressedOn()) : nullptr;
    if (row->drags && held.leftOnly() && pressed && pressed->drags && p.takeMoveOfPress()) {
        if (WindowPort* w = p.window()) w->startSystemMove();
    }
    if (row->lit) p.c[*row->lit].fore = row->litColor;
    for (const Ctl n : row->reset)
        p.c[n].fore = colors::Rest;
    if (over == Ctl::txtNow) p.c[Ctl::txtNow].toolTip = p.text(Ctl::txtNow);
}

void showAbout(Panel& p) {
    if (!p.form2)
        p.form2 = &p.ownWindows.about.aboutWindow(
            [&p] { p.run("Form2.Label2.Click", [&p] { openHelp(p); }); });
    p.form2->show();
}

void openHelp(Panel& p) {
    const QString url = QUrl::fromLocalFile(p.svc.program.helpPage()).toString(QUrl::FullyEncoded);
    p.openPage(url, ReportFailure::Yes, [&p](bool ok) {
        if (ok && p.form2) p.form2->close();
    });
}

void wireWindowBehaviour(Panel& p) {
    p.onClick(Ctl::lblOPEN, [&p] { toggleFold(p); });
    p.onMouseDown(Ctl::Form1, [&p](MouseButton b) { pressBackground(p, b); });
    // The lamp sits on the strip; a press on it is one on the strip.
    for (const Ctl strip : {Ctl::lbl10, Ctl::lnp})
        p.onMouseDown(strip, [&p](MouseButton) { bringBack(p); });
    p.onTick(Tmr::Timer4, [&p] { blinkLamp(p); });
    for (const HoverRow& row : hoverTable())
        p.onMouseMove(row.over, [&p, id = row.over](HeldButtons held) { hover(p, id, held); });
    p.onClick(Ctl::lblEDIT, [&p] { showAbout(p); });
}

} // namespace kurumin
