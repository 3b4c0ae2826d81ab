#pragma once
// A panel over the test doubles, and readable QStrings (and lists of them) in failures.

#include "app/kurumin.h"
#include "panel/user_texts.h"
#include "platform/fake/fakes.h"

#include <gtest/gtest.h>

#include <ostream>

QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}
QT_END_NAMESPACE

namespace kurumin::testing {

// Tests name controls as a person reads them; a misspelt one fails loudly.
inline Ctl ctl(const char* name) {
    const std::optional<Ctl> id = controlNamed(QString::fromUtf8(name));
    if (!id) {
        ADD_FAILURE() << "no control " << name;
        std::abort();
    }
    return *id;
}

// Real ports a rig puts in the place of the doubles.
struct RealPorts {
    ProfilePort* profile = nullptr;
    TextAppendPort* textAppend = nullptr;
    StepWindowFactoryPort* stepWindows = nullptr;
};

template <typename Port, typename Fake> Port& realOr(Port* real, Fake& fake) {
    return real ? *real : fake;
}

// Not loaded yet, so a test can first lay out what start-up finds.
struct PanelRig {
    explicit PanelRig(RealPorts ports = {}) : real(ports) {
        window.geo = {1000, 100, 2730, 685};
        panel.attachWindow(&window);
    }
    // Another program copies text; the watcher takes it up at once.
    void copy(const QString& text) { d.clipboard.copyFromElsewhere(text); }
    void tick(const char* timer, int times = 1) {
        for (int i = 0; i < times; ++i)
            d.timers[QString::fromLatin1(timer)].fire();
    }
    void click(const char* name) { panel.click(ctl(name)); }
    void down(const char* n, MouseButton b = MouseButton::Left) { panel.mouseDown(ctl(n), b); }
    void up(const char* n, MouseButton b = MouseButton::Left) { panel.mouseUp(ctl(n), b); }
    // The browser's answers arrive.
    void answer() { d.loop.runPending(); }
    QStringList opened() {
        answer();
        return d.browser.opened();
    }
    // A range URL taken up and [SET] pressed: range mode at MIN, nothing shown yet.
    void range(const QString& url) {
        copy(url);
        click("Label1");
        answer();
        d.browser.open.clear();
        d.messageBox.shown.clear();
    }
    // The browser window in front shows these pages; timGETURL looks.
    void front(WindowHandle foreground, std::vector<BrowserPage> pages) {
        d.windows.foreground = foreground;
        d.browser.open = std::move(pages);
        tick("timGETURL");
    }
    void capture(const QString& url, const QString& title) { front(0x5, {{0, url, title, true}}); }
    // Each row: txtNo before (none if empty), the control clicked, txtNo after.
    void walk(std::initializer_list<std::array<const char*, 3>> rows) {
        for (const auto& [before, command, after] : rows) {
            if (*before) setText("txtNo", before);
            click(command);
            EXPECT_EQ(text("txtNo"), after) << before << ' ' << command;
        }
    }

    QString text(const char* name) { return panel.c[ctl(name)].caption; }
    QStringList texts(std::initializer_list<const char*> names) {
        QStringList t;
        for (const char* n : names)
            t << text(n);
        return t;
    }
    void setText(const char* name, const QString& t) { panel.c[ctl(name)].caption = t; }
    bool enabled(const char* name) { return panel.c[ctl(name)].enabled; }
    Color fore(const char* name) { return panel.c[ctl(name)].fore; }
    QStringList titles() const {
        QStringList t;
        for (const auto& m : d.messageBox.shown)
            t << m.title;
        return t;
    }
    QStringList names() const { return panel.c[Ctl::List1].items; }
    void select(int start, int length) { panel.editSelection(Ctl::txtNow, start, length); }

    RealPorts real;
    fake::Desktop d;
    ProfilePort& profileIn = realOr(real.profile, d.profile);
    TextAppendPort& appendIn = realOr(real.textAppend, d.textAppend);
    Services services{d.messageBox, d.beep,  d.clock,   d.windows, d.clipboard,
                      d.fileDialog, d.shell, d.program, profileIn, appendIn,
                      d.timers,     d.loop,  d.browser};
    fake::Window window;
    Kurumin app{services, {realOr(real.stepWindows, d.stepWindows), d.about}};
    Panel& panel = app.panel;
};

class PanelTest : public ::testing::Test, public PanelRig {
  protected:
    PanelTest() { app.load(); }
};

} // namespace kurumin::testing
