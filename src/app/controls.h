#pragma once
// The panel's controls as plain state. The widgets in ui/ only show this and
// pass the user's input back in by control name.

#include "platform/desktop.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <map>
#include <optional>
#include <vector>

namespace kurumin {

using Color = std::uint32_t; // &HBBGGRR: &HFF is red

namespace colors {
inline constexpr Color Black = 0x000000;
inline constexpr Color Red = 0x0000FF;
inline constexpr Color DarkRed = 0x000080; // 128
inline constexpr Color DullRed = 0x000070; // 112, a switch that is off
inline constexpr Color Green = 0x008000;
inline constexpr Color BrightGreen = 0x00CC00;
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
    Label,    // a caption; clickable where it carries a command
    Button,   // a push button
    TextBox,  // one line of editable text
    MemoBox,  // several lines of editable text
    ComboBox, // editable text with a drop-down list
    ListBox,  // a list, never shown
    Shape,    // a filled lamp
    Picture,  // a drag area
    Hidden,   // a field held as a control but never shown
};

enum class Align { Left, Center, Right };

enum class MouseButton { Left, Right, Middle };

struct Control {
    QString name; // the control's name; arrays carry "(i)", e.g. "Command6(1)"
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
};

class ControlSet {
  public:
    Control& add(Control c);
    Control& operator[](const QString& name);
    const Control& operator[](const QString& name) const;
    Control* find(const QString& name);
    const Control* find(const QString& name) const;
    const std::vector<QString>& order() const { return order_; }

  private:
    std::map<QString, Control> byName_;
    std::vector<QString> order_;
};

// The design of the panel: every control with its caption, tooltip, colours,
// enabled state and geometry in twips, before the load step runs.
ControlSet designPanel();

// A floating step window: "Label1(0)" (Close) and "Label1(1)".."Label1(6)"
// (+2 .. +100, or -2 .. -100).
ControlSet designStepWindow(bool up);
QString stepLabelName(int index);
inline constexpr int StepWindowWidth = 600; // client area, twips
// The step of each label of a floating window; label 0 closes it.
inline constexpr int StepWindowSteps[] = {0, 2, 5, 10, 20, 50, 100};
inline constexpr int StepWindowHeight = 1755;

inline constexpr int FoldedHeight = 685;
inline constexpr int UnfoldedHeight = 2955;
inline constexpr int PanelWidth = 2730;

} // namespace kurumin
