#include "panel_fixture.h"

namespace kurumin::testing {
namespace {

class WindowBehaviour : public PanelTest {
  protected:
    void press(const char* name, MouseButton b) {
        panel.mouseDown(ctl(name), b);
        panel.mouseUp(ctl(name), b);
    }
    void openStepWindows() {
        panel.steps.open(true, 0, 0);
        panel.steps.open(false, 0, 0);
    }
    bool stepWindowsOpen() { return panel.frmUP() || panel.frmDWN(); }
    bool blinking() { return d.timers["Timer4"].isActive(); }
    Color lamp() { return *panel.c[Ctl::lnp].back; }
};

TEST_F(WindowBehaviour, ARightPressTucksThePanelAwayAndAPressOnTheStripBringsItBack) {
    openStepWindows();
    press("Form1", MouseButton::Right);
    EXPECT_FALSE(stepWindowsOpen());
    EXPECT_EQ(window.geo, (RectTwips{-2730, 100, 2970, 685}));
    EXPECT_EQ(panel.SavedLeft, 1000);
    EXPECT_FALSE(isOn(panel.PanelInPlace));
    EXPECT_TRUE(blinking());

    // Tucked already: only the floating windows close.
    openStepWindows();
    press("Form1", MouseButton::Right);
    EXPECT_FALSE(stepWindowsOpen());
    EXPECT_EQ(window.geo, (RectTwips{-2730, 100, 2970, 685}));

    std::vector<Color> lamps;
    for (int i = 0; i < 3; ++i) {
        tick("Timer4");
        lamps.push_back(lamp());
    }
    EXPECT_EQ(lamps, (std::vector<Color>{0xFF, 0x80, 0xFF}));

    press("lbl10", MouseButton::Middle);
    EXPECT_EQ(window.geo, (RectTwips{1000, 100, 2730, 685}));
    EXPECT_TRUE(isOn(panel.PanelInPlace));
    EXPECT_FALSE(blinking());
    EXPECT_EQ(lamp(), 0xFFu);

    // The phase carries on where it stopped at the next tuck.
    press("Form1", MouseButton::Right);
    tick("Timer4");
    EXPECT_EQ(lamp(), 0x80u);
    press("lnp", MouseButton::Left); // the lamp is part of the strip
    EXPECT_TRUE(isOn(panel.PanelInPlace));
}

TEST_F(WindowBehaviour, OtherPressesOnTheBackgroundOnlyCloseTheStepWindows) {
    for (const MouseButton b : {MouseButton::Left, MouseButton::Middle}) {
        openStepWindows();
        press("Form1", b);
        EXPECT_FALSE(stepWindowsOpen());
        EXPECT_EQ(window.geo, (RectTwips{1000, 100, 2730, 685}));
    }
    // A strip pressed while the panel is in place must not shrink it.
    press("lbl10", MouseButton::Left);
    EXPECT_EQ(window.geo, (RectTwips{1000, 100, 2730, 685}));
}

TEST_F(WindowBehaviour, FoldingAndTuckingAreIndependent) {
    window.geo.left = 1001; // an odd pixel's worth of twips comes back exactly
    press("Form1", MouseButton::Right);
    click("lblOPEN");
    EXPECT_EQ(window.geo, (RectTwips{-2730, 100, 2970, 2955}));
    press("lbl10", MouseButton::Right);
    EXPECT_EQ(window.geo, (RectTwips{1001, 100, 2730, 2955}));
    EXPECT_EQ(text("lblOPEN"), QStringLiteral("▲"));
    EXPECT_EQ(panel.c[Ctl::lbl10].geo.height, 2895);
    openStepWindows();
    click("lblOPEN");
    EXPECT_FALSE(stepWindowsOpen());
    EXPECT_EQ(window.geo.height, 685);
    EXPECT_EQ(panel.c[Ctl::lbl10].geo.height, 630);
}

TEST_F(WindowBehaviour, TheBackgroundAndBothPicturesDragWithTheLeftButtonAlone) {
    const HeldButtons left{true, false, false};
    for (const char* area : {"Form1", "Pic1", "Picture1"})
        panel.mouseMove(ctl(area), left);
    EXPECT_EQ(window.moves, 3);
    panel.mouseMove(Ctl::Form1, {true, true, false});
    panel.mouseMove(Ctl::Pic1, {});
    panel.enable(Ctl::txtNo);
    panel.mouseMove(Ctl::txtNo, left);
    EXPECT_EQ(window.moves, 3);
}

// The eight hover labels in this order, as each move leaves them:
// g lit green, b lit blue, r painted back to rest, . left alone.
const char* const kHoverLabels[] = {"lblKeep", "lblAccess", "lblCUT",  "lblEDIT",
                                    "lblUP",   "lblDWN",    "lblOPEN", "Label1"};
struct HoverCase {
    const char* over;
    const char* after;
};
const HoverCase kHover[] = {
    {"Label1", ".rrrrrrg"},  {"lblAccess", ".grrrrrr"}, {"lblCUT", ".rgrrrrr"},
    {"lblKeep", "grrrrrrr"}, {"lblOPEN", ".rrrrrgr"},   {"lblEDIT", ".rrbrrrr"},
    {"lblUP", ".rrr.rrr"},   {"lblDWN", ".rrrr.rr"},    {"lblAuto", ".rrrrrrr"},
    {"Label2", ".rrrrrrr"},  {"Label3", ".rrrrrrr"},    {"txtNo", ".rrrrrrr"},
    {"txtNow", "rrrrrrrr"},  {"Pic1", ".rrrrrrr"},      {"Picture1", "........"},
    {"Form1", "rrrrrrrr"},
};

class Hover : public PanelTest, public ::testing::WithParamInterface<HoverCase> {};

TEST_P(Hover, EachControlLightsItsOwnLabelAndPaintsItsListBack) {
    constexpr Color untouched = 0x123456;
    for (const char* name : kHoverLabels)
        panel.c[ctl(name)].fore = untouched;
    for (Control& c : panel.c)
        c.enabled = true;
    const Color lblAuto = panel.c[Ctl::lblAuto].fore;
    panel.mouseMove(ctl(GetParam().over));
    QString after;
    for (const char* name : kHoverLabels) {
        const Color c = panel.c[ctl(name)].fore;
        after += c == colors::Green  ? 'g'
                 : c == colors::Blue ? 'b'
                 : c == colors::Rest ? 'r'
                 : c == untouched    ? '.'
                                     : '?';
    }
    EXPECT_EQ(after, QString::fromLatin1(GetParam().after));
    EXPECT_EQ(panel.c[Ctl::lblAuto].fore, lblAuto); // it shows the AUTO switch
    EXPECT_EQ(window.moves, 0);
}

INSTANTIATE_TEST_SUITE_P(Rows, Hover, ::testing::ValuesIn(kHover),
                         [](const auto& row) { return std::string(row.param.over); });

TEST_F(WindowBehaviour, TheUrlBoxTakesItsWholeTextAsTooltip) {
    setText("txtNow", QStringLiteral("http://example.com/a/very/long/001.jpg"));
    panel.c[Ctl::txtNow].enabled = true;
    panel.mouseMove(Ctl::txtNow);
    EXPECT_EQ(panel.c[Ctl::txtNow].toolTip,
              QStringLiteral("http://example.com/a/very/long/001.jpg"));
}

TEST_F(WindowBehaviour, HelpShowsOneAboutWindowWhoseLinkOpensTheHelpPageAndClosesIt) {
    click("lblEDIT");
    click("lblEDIT");
    EXPECT_EQ(d.about.asked, 1);
    EXPECT_TRUE(d.about.window.isOpen());

    d.browser.failWith = OpenFailure::NoBrowser;
    d.about.link();
    answer();
    EXPECT_EQ(titles(), QStringList{kAccessTitle});
    EXPECT_EQ(d.messageBox.shown[0].text,
              QStringLiteral("アクセスできませんでした。\r\n"
                             "ブラウザ もしくは Net環境の設定を確認してください。"));
    EXPECT_TRUE(d.about.window.isOpen());

    d.browser.failWith = OpenFailure::None;
    d.about.link();
    EXPECT_TRUE(d.about.window.isOpen()); // until the browser has the page
    answer();
    EXPECT_EQ(d.browser.requested.back(), QStringLiteral("file:///opt/kurumin/help/index.html"));
    EXPECT_FALSE(d.about.window.isOpen());
}

} // namespace
} // namespace kurumin::testing
