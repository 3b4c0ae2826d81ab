#pragma once
// The panel's own windows besides the panel itself: the floating step windows
// and the about window. The views in ui/ make them; the tests use doubles.

#include "panel/controls.h"
#include "platform/desktop.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace kurumin {

// A floating step window: its labels as they are to be shown, its input
// passed back by label index.
struct StepLabelLook {
    QString caption;
    std::uint32_t fore = 0; // &HBBGGRR
    std::uint32_t back = 0;
    RectTwips geo;
    Align align = Align::Center;
    friend bool operator==(const StepLabelLook&, const StepLabelLook&) = default;
};

// Presses and moves over a step window's labels.
class StepLabelInput {
  public:
    virtual ~StepLabelInput() = default;
    virtual void stepClick(int index) = 0;
    virtual void stepMouseMove(int index) = 0; // -1: the window's background
};

class StepWindowPort : public WindowPort {
  public:
    virtual void showLabels(const std::vector<StepLabelLook>& labels) = 0;
};

class StepWindowFactoryPort {
  public:
    virtual ~StepWindowFactoryPort() = default;
    // The window reports to input until it is destroyed.
    virtual std::unique_ptr<StepWindowPort> createStepWindow(Direction d,
                                                             StepLabelInput& input) = 0;
};

// The about window Form2: made once, at its first showing, and kept.
class AboutWindowHostPort {
  public:
    virtual ~AboutWindowHostPort() = default;
    // The same window at every call; onLink runs when its help link is clicked.
    virtual WindowPort& aboutWindow(std::function<void()> onLink) = 0;
};

// Where the panel gets its own windows from, beside the desktop's Services.
struct PanelWindowMakers {
    StepWindowFactoryPort& stepWindows;
    AboutWindowHostPort& about;
};

} // namespace kurumin
