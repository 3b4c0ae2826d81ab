// Random sessions: seeded sequences of everything a person and the platform
// can do to the panel, with the rules that must hold after every step. A
// failing seed is cut down to the shortest sequence that still fails.
#include "panel_fixture.h"

#include <QRegularExpression>

#include <cstdlib>
#include <random>

namespace kurumin::testing {
namespace {

class CountingBrowser : public BrowserPort {
  public:
    explicit CountingBrowser(fake::Browser& inner) : inner_(inner) {}
    void openPage(const QString& url, OpenCallback done) override {
        const std::size_t id = answers.size();
        answers.push_back(0);
        inner_.openPage(url, [this, id, done](const OpenResult& r) {
            ++answers[id];
            done(r);
        });
    }
    std::vector<BrowserPage> pages() override { return inner_.pages(); }
    std::vector<int> answers; // per request, how often it was answered

  private:
    fake::Browser& inner_;
};

struct World {
    World() {
        window.geo = {1000, 100, 2730, 685};
        panel.attachWindow(&window);
        panel.scheduler().setOnBug(OnBug::Report);
        // While a box is open, ticks and answers fall due as the box's own loop runs.
        d.messageBox.whileOpen = [this] {
            if (++boxes % 2) d.timers["timCrip"].fire();
            d.timers["Timer3"].fire();
            d.loop.runPending();
        };
        app.load();
    }
    int boxes = 0;
    fake::Desktop d;
    fake::Window window;
    CountingBrowser browser{d.browser};
    Services svc{d.messageBox, d.beep,  d.clock,   d.windows,     d.clipboard,
                 d.fileDialog, d.shell, d.program, d.profile,     d.textAppend,
                 d.timers,     d.loop,  browser,   d.stepWindows, d.about};
    Kurumin app{svc};
    Panel& panel = app.panel;
};

const QStringList& texts() {
    static const QStringList pool{"http://site/img[001-120].jpg",
                                  "http://a/p[01-20].html",
                                  "http://example.com/page/5",
                                  "https://b/x/0099/y",
                                  "not a url",
                                  "",
                                  "http://x/[5-1]",
                                  "://",
                                  "http://a/[abc]",
                                  "http://a/1[",
                                  "ftp://h/[0-99999999999]",
                                  "http://a/b[001-009]c[1-2]",
                                  "javascript:alert(1)",
                                  "http://日本/[01-10]",
                                  "\r\n",
                                  "[",
                                  "]",
                                  "001",
                                  "-5",
                                  "1e9",
                                  "http://a/" + QString(3000, u'9'),
                                  "http://a/[" + QString(40, u'1') + "-2]"};
    return pool;
}

constexpr Ctl kTextBoxes[] = {Ctl::txtNow, Ctl::txtNo, Ctl::txtLimL,    Ctl::txtLimH,
                              Ctl::Text1,  Ctl::Text2, Ctl::txtKeyWord, Ctl::txtMemo};

struct Action {
    int kind, a, b, c;
};

// Presses go mostly to what takes them, as a person's do.
Ctl target(const Action& x) {
    static const std::vector<Ctl> pressable = [] {
        std::vector<Ctl> ids;
        for (const Control& c : ControlSet())
            if (c.clickable || c.kind == ControlKind::Form) ids.push_back(c.id);
        return ids;
    }();
    if (x.c % 4 == 0) return static_cast<Ctl>(x.a % ControlCount);
    return pressable[std::size_t(x.a) % pressable.size()];
}

// Enough to read a failing sequence; KURUMIN_SEED replays it exactly.
QString describe(const Action& x) {
    static const char* const kinds[] = {
        "click",         "press", "release",         "move",       "tick", "copy",   "answers",
        "browser fails", "files", "clipboard fails", "box answer", "type", "select", "choose",
        "step window",   "page"};
    const QString on = x.kind <= 3   ? " " + controlName(target(x))
                       : x.kind == 4 ? " " + timerName(static_cast<Tmr>(x.a % TimerCount))
                                     : QString();
    return QStringLiteral("%1%2 (%3, %4, %5)")
        .arg(kinds[x.kind])
        .arg(on)
        .arg(x.a)
        .arg(x.b)
        .arg(x.c);
}

bool exits(Ctl c) {
    return c == Ctl::Command6_0 || c == Ctl::Command6_1 || c == Ctl::lblEXIT;
}

void perform(World& w, const Action& x) {
    Panel& p = w.panel;
    const Ctl ctl = target(x);
    const MouseButton button = static_cast<MouseButton>(x.b % 3);
    const QString& text = texts()[x.b % texts().size()];
    switch (x.kind) {
    case 0:
        if (!exits(ctl)) p.click(ctl);
        break;
    case 1:
        p.mouseDown(ctl, button);
        break;
    case 2:
        p.mouseUp(ctl, button);
        break;
    case 3:
        p.mouseMove(ctl, {bool(x.b & 1), bool(x.b & 2), bool(x.b & 4)});
        break;
    case 4:
        w.d.timers[timerName(static_cast<Tmr>(x.a % TimerCount))].fire();
        break;
    case 5:
        if (x.c % 5 == 0) { // the everyday start: a fresh range, then [SET]
            w.d.clipboard.copyFromElsewhere(
                QStringLiteral("http://site/%1/img[001-120].jpg").arg(x.a));
            p.click(Ctl::Label1);
            break;
        }
        w.d.clipboard.copyFromElsewhere(x.c % 10 ? std::optional(text) : std::nullopt);
        break;
    case 6:
        w.d.loop.runPending();
        break;
    case 7:
        w.d.browser.failWith = static_cast<OpenFailure>(x.a % 8 < 6 ? 0 : x.c % 7);
        break;
    case 8:
        w.d.profile.fail = x.a % 2;
        w.d.textAppend.fail = x.b % 2;
        break;
    case 9:
        w.d.clipboard.failReads = 1;
        w.d.clipboard.refuseWrites = x.b % 2;
        break;
    case 10:
        w.d.messageBox.answers.push_back(x.a % 2 ? MsgResult::Cancel : MsgResult::Ok);
        break;
    case 11:
        p.editText(kTextBoxes[x.a % 8], text);
        break;
    case 12:
        p.editSelection(Ctl::txtNow, x.a % 60, x.b % 20);
        break;
    case 13:
        p.selectItem(Ctl::List1, x.a % 60 - 1);
        break;
    case 14:
        if (x.c % 2)
            p.stepClick(x.a % 2, x.b % 8 - 1);
        else
            p.stepMouseMove(x.a % 2, x.b % 8 - 1);
        break;
    default:
        w.d.windows.foreground = 0x5;
        w.d.browser.open = {{x.c % 2 ? 0x5u : 0x6u, text, text.left(20), true}};
        break;
    }
}

// Empty when every rule holds after x.
QString broken(World& w, const Action& x, bool written) {
    Panel& p = w.panel;
    if (p.scheduler().bugsReported() > 0) return "a failure escaped a handler";
    if (p.inHandler()) return "a handler did not end";
    const QStringList& names = p.c[Ctl::List1].items;
    if (names.size() != p.c[Ctl::List2].items.size()) return "List1 and List2 differ in length";
    // A list that could not be written stays changed in memory (Error_14).
    if (written) {
        const QString ini = w.d.program.dataFolder() + "/URL.ini";
        const QString count = w.d.profile.read(ini, "KeepCount", "Count", "0");
        if (count.toInt() != names.size()) return "URL.ini holds another count than List1";
        for (int i = 0; i < names.size(); ++i)
            if (w.d.profile.read(ini, "KeepURL", QStringLiteral("Name%1").arg(i), "") != names[i])
                return "URL.ini holds another name than List1";
    }
    const QString& no = p.text(Ctl::txtNo);
    static const QRegularExpression digits(QStringLiteral("^[0-9]+$"));
    // A disabled txtNo shows the "0" of a text without the keyword, no number
    // in use. The limiter stops at MAX as written: with bounds of other widths
    // (warned of with Error_04) or typed by hand, no rule on the width holds.
    const QString& min = p.text(Ctl::txtLimL);
    const QString& max = p.text(Ctl::txtLimH);
    const bool bounds =
        digits.match(min).hasMatch() && digits.match(max).hasMatch() && min.size() == max.size();
    if (x.kind != 11 && bounds && p.c[Ctl::txtNo].enabled && digits.match(no).hasMatch() &&
        no.size() < p.s.DigitCount)
        return QStringLiteral("txtNo \"%1\" has fewer than %2 digits").arg(no).arg(p.s.DigitCount);
    for (const int n : w.browser.answers)
        if (n > 1) return "an open request was answered twice";
    return {};
}

// The index of the first action after which a rule breaks, and the rule.
std::pair<int, QString> replay(const std::vector<Action>& actions) {
    World w;
    for (std::size_t i = 0; i < actions.size(); ++i) {
        const int commits = w.d.profile.commits;
        perform(w, actions[i]);
        const bool written = w.d.profile.commits > commits;
        if (QString why = broken(w, actions[i], written); !why.isEmpty()) return {int(i), why};
    }
    w.d.browser.failWith = OpenFailure::None;
    w.d.messageBox.answers.clear();
    w.d.loop.runPending();
    for (const int n : w.browser.answers)
        if (n != 1) return {int(actions.size()) - 1, "an open request was never answered"};
    return {-1, {}};
}

std::vector<Action> shortest(std::vector<Action> failing) {
    for (std::size_t chunk = failing.size() / 2; chunk >= 1; chunk /= 2) {
        for (std::size_t at = 0; at + chunk <= failing.size();) {
            std::vector<Action> shorter = failing;
            shorter.erase(shorter.begin() + at, shorter.begin() + at + chunk);
            if (replay(shorter).first >= 0)
                failing = std::move(shorter);
            else
                at += chunk;
        }
    }
    return failing;
}

TEST(RandomSession, EveryRuleHoldsAfterEveryAction) {
    const char* seedText = std::getenv("KURUMIN_SEED");
    const unsigned first = seedText ? unsigned(std::strtoul(seedText, nullptr, 10)) : 20261207u;
    const int sessions = seedText ? 1 : 100;
    constexpr int kActions = 1000;
    for (int s = 0; s < sessions; ++s) {
        const unsigned seed = first + unsigned(s);
        std::mt19937 rng(seed);
        std::vector<Action> actions(kActions);
        for (Action& x : actions)
            x = {int(rng() % 16), int(rng() % 1000), int(rng() % 1000), int(rng() % 1000)};
        for (Action& x : actions)
            if (x.kind == 12 || x.kind == 13)
                x.kind = int(rng() % 3) * 5 / 2; // more presses and copies
        auto [at, why] = replay(actions);
        if (at < 0) continue;
        actions.resize(std::size_t(at) + 1);
        const std::vector<Action> cut = shortest(actions);
        QString steps;
        for (const Action& x : cut)
            steps += "\n  " + describe(x);
        FAIL() << "seed " << seed << " (KURUMIN_SEED=" << seed << "): " << why.toStdString()
               << " after" << steps.toStdString() << "\n  -> " << replay(cut).second.toStdString();
    }
}

} // namespace
} // namespace kurumin::testing
