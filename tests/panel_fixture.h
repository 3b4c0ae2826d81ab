#pragma once
// A started panel over the test doubles.

#include "app/kurumin.h"
#include "platform/fake/fakes.h"
#include "qt_print.h"

#include <gtest/gtest.h>

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

class PanelTest : public ::testing::Test {
  protected:
    PanelTest() {
        window.geo = {1000, 100, 2730, 685};
        panel.attachWindow(&window);
        app.load();
    }

    // Another program copies text; the watcher takes it up at once.
    void copy(const QString& text) { d.clipboard.copyFromElsewhere(text); }
    void tick(const char* timer) { d.timers[QString::fromLatin1(timer)].fire(); }
    void click(const char* name) { panel.click(ctl(name)); }
    // The browser's answers arrive.
    void answer() { d.loop.runPending(); }

    QString text(const char* name) { return panel.c[ctl(name)].caption; }
    void setText(const char* name, const QString& t) { panel.c[ctl(name)].caption = t; }
    bool enabled(const char* name) { return panel.c[ctl(name)].enabled; }
    QStringList titles() const {
        QStringList t;
        for (const auto& m : d.messageBox.shown)
            t << m.title;
        return t;
    }
    void select(int start, int length) { panel.editSelection(Ctl::txtNow, start, length); }

    fake::Desktop d;
    fake::Window window;
    Kurumin app{d.services};
    Panel& panel = app.panel;
};

inline const QString kLimiterTitle = QStringLiteral("Kurumin　Erroｒ_02");
inline const QString kStepFailedTitle = QStringLiteral("Kurumin　Error_06");
inline const QString kAccessTitle = QStringLiteral("Kurumin　Error_08");
inline const QString kRangeTitle = QStringLiteral("Kurumin Error_04");

} // namespace kurumin::testing
