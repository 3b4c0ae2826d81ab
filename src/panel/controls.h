#pragma once
// The panel's controls as plain state, addressed by the typed ids of the one
// table in controls.def. The widgets in ui/ only show this state and pass the
// user's input back in by id.

#include "platform/desktop.h"

#include <QString>
#include <QStringList>

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace kurumin {

using Color = std::uint32_t; // &HBBGGRR: &HFF is red

namespace colors {
inline constexpr Color Black = 0x000000;
inline constexpr Color Red = 0x0000FF;
inline constexpr Color DarkRed = 0x000080; // 128
inline constexpr Color DullRed = 0x000070; // 112, a switch that is off
inline constexpr Color Green = 0x008000;
inline constexpr Color BrightGreen = 0x00CC00;
inline constexpr Color PressedGreen = 0x00C000; // REC and TREC once released
inline constexpr Color Yellow = 0x00FFFF;
inline constexpr Color Blue = 0xFF0000;
inline constexpr Color Cyan = 0xFFFF00;
inline constexpr Color White = 0xFFFFFF;
inline constexpr Color Rest = 0x2B485B; // resting colour of command captions
inline constexpr Color PanelBack = 0xB3D7DF;
inline constexpr Color PanelText = 0x404B57;
inline constexpr Color StripGrey = 0x404040;
} // namespace colors

enum class ControlKind {
    Form,     // the window itself, never a widget of its own
    Label,    // a caption; clickable where it carries a command
    Button,   // a push button
    TextBox,  // one line of editable text
    MemoBox,  // several lines of editable text
    ComboBox, // editable text with a drop-down list
    ListBox,  // a list, never shown
    Shape,    // a filled lamp
    Picture,  // a drag area
};

enum class MouseButton { Left, Right, Middle };

// Which way a command steps the number; also which of the two step windows.
enum class Direction { Up, Down };

// The buttons held during a mouse move.
struct HeldButtons {
    bool left = false;
    bool right = false;
    bool middle = false;
    bool leftOnly() const { return left && !right && !middle; }
};

enum class Ctl : std::uint8_t {
#define KURUMIN_CONTROL(id, ...) id,
#include "panel/controls.def"
#undef KURUMIN_CONTROL
};

inline constexpr std::size_t ControlCount = 0
#define KURUMIN_CONTROL(...) +1
#include "panel/controls.def"
#undef KURUMIN_CONTROL
    ;

enum class Tmr : std::uint8_t {
#define KURUMIN_TIMER(id, ms) id,
#include "panel/controls.def"
#undef KURUMIN_TIMER
};

inline constexpr std::size_t TimerCount = 0
#define KURUMIN_TIMER(...) +1
#include "panel/controls.def"
#undef KURUMIN_TIMER
    ;

struct Control {
    Ctl id{};
    ControlKind kind = ControlKind::Label;
    QString caption; // caption of a label or button, text of a text box
    QString toolTip;
    bool enabled = true;
    bool visible = true;
    bool clickable = false; // carries a command a person can press
    Color fore = colors::Rest;
    std::optional<Color> back; // none: the panel's background shows through
    RectTwips geo;
    Align align = Align::Center;
    int selStart = 0; // caret of a text box, 0-based
    int selLength = 0;
    QStringList items;  // combo and list boxes
    int listIndex = -1; // selected item, -1 for none
    friend bool operator==(const Control&, const Control&) = default;
    bool editable() const {
        return kind == ControlKind::TextBox || kind == ControlKind::MemoBox ||
               kind == ControlKind::ComboBox;
    }
};

// The control's own name: "txtNow", "Command6(0)".
QString controlName(Ctl id);
// The one way from a name that came in from outside (a widget, AT-SPI, a test) to an id.
std::optional<Ctl> controlNamed(QStringView name);
QString timerName(Tmr id);
int timerInterval(Tmr id);

// The controls that end the run. Never the keyboard's first stop, and pressed
// from the keyboard only when the user moved the focus onto them.
inline constexpr std::array ExitControls{Ctl::Command6_0, Ctl::Command6_1, Ctl::lblEXIT};
inline bool isExitControl(Ctl id) {
    for (const Ctl e : ExitControls)
        if (e == id) return true;
    return false;
}

class ControlSet {
  public:
    ControlSet();
    Control& operator[](Ctl id) { return all_[static_cast<std::size_t>(id)]; }
    const Control& operator[](Ctl id) const { return all_[static_cast<std::size_t>(id)]; }
    auto begin() { return all_.begin(); }
    auto end() { return all_.end(); }
    auto begin() const { return all_.begin(); }
    auto end() const { return all_.end(); }

  private:
    std::array<Control, ControlCount> all_;
};

// A floating step window's labels: 0 closes it, 1..6 step by StepWindowSteps.
inline constexpr int StepLabelCount = 0
#define KURUMIN_STEP_LABEL(...) +1
#include "panel/controls.def"
#undef KURUMIN_STEP_LABEL
    ;
inline constexpr std::array<int, StepLabelCount> StepWindowSteps = {
#define KURUMIN_STEP_LABEL(index, step, top) step,
#include "panel/controls.def"
#undef KURUMIN_STEP_LABEL
};
using StepLabels = std::array<Control, StepLabelCount>;
StepLabels designStepWindow(Direction d);
QString stepLabelName(int index); // "Label1(3)"

inline constexpr int StepWindowWidth = 600; // client area, twips
inline constexpr int StepWindowHeight = 1755;
inline constexpr int FoldedHeight = 685;
inline constexpr int UnfoldedHeight = 2955;
inline constexpr int PanelWidth = 2730;

} // namespace kurumin
