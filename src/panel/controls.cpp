#include "panel/controls.h"

namespace kurumin {

namespace {

// The layout is drawn on a 96-dpi grid of pixels; a pixel there is 15 twips.
constexpr int px(int pixels) {
    return pixels * 15;
}

struct Row {
    const char* name;
    ControlKind kind;
    const char* caption;
    const char* toolTip;
    int x, y, w, h;
    bool clickable, enabled, visible;
    Color fore;
    std::optional<Color> back;
    Align align;
};

// The table names colours bare; "None" is a control without a back colour of its own.
namespace look {
using namespace colors;
inline constexpr std::optional<Color> None = std::nullopt;
} // namespace look

const Row kRows[] = {
#define KURUMIN_CONTROL(id, name, kind, caption, tip, x, y, w, h, click, on, shown, fore, back,    \
                        align)                                                                     \
    {name,                                                                                         \
     ControlKind::kind,                                                                            \
     caption,                                                                                      \
     tip,                                                                                          \
     x,                                                                                            \
     y,                                                                                            \
     w,                                                                                            \
     h,                                                                                            \
     click,                                                                                        \
     on,                                                                                           \
     shown,                                                                                        \
     look::fore,                                                                                   \
     std::optional<Color>(look::back),                                                             \
     Align::align},
#include "panel/controls.def"
#undef KURUMIN_CONTROL
};

struct TimerRow {
    const char* name;
    int interval;
};
const TimerRow kTimers[] = {
#define KURUMIN_TIMER(id, ms) {#id, ms},
#include "panel/controls.def"
#undef KURUMIN_TIMER
};

constexpr int kStepTops[] = {
#define KURUMIN_STEP_LABEL(index, step, top) top,
#include "panel/controls.def"
#undef KURUMIN_STEP_LABEL
};

} // namespace

QString controlName(Ctl id) {
    return QString::fromUtf8(kRows[static_cast<std::size_t>(id)].name);
}

std::optional<Ctl> controlNamed(QStringView name) {
    for (std::size_t i = 0; i < ControlCount; ++i)
        if (QAnyStringView::equal(name, QUtf8StringView(kRows[i].name))) return static_cast<Ctl>(i);
    return std::nullopt;
}

QString timerName(Tmr id) {
    return QString::fromLatin1(kTimers[static_cast<std::size_t>(id)].name);
}

int timerInterval(Tmr id) {
    return kTimers[static_cast<std::size_t>(id)].interval;
}

ControlSet::ControlSet() {
    for (std::size_t i = 0; i < ControlCount; ++i) {
        const Row& r = kRows[i];
        Control& ctl = all_[i];
        ctl.id = static_cast<Ctl>(i);
        ctl.kind = r.kind;
        ctl.caption = QString::fromUtf8(r.caption);
        ctl.toolTip = QString::fromUtf8(r.toolTip);
        ctl.geo = {px(r.x), px(r.y), px(r.w), px(r.h)};
        ctl.clickable = r.clickable;
        ctl.enabled = r.enabled;
        ctl.visible = r.visible;
        ctl.fore = r.fore;
        ctl.back = r.back;
        ctl.align = r.align;
    }
}

StepLabels designStepWindow(Direction d) {
    StepLabels labels;
    for (int i = 0; i < StepLabelCount; ++i) {
        Control& l = labels[static_cast<std::size_t>(i)];
        l.kind = ControlKind::Label;
        l.clickable = true;
        const int step = StepWindowSteps[static_cast<std::size_t>(i)];
        l.caption = step == 0 ? QStringLiteral("Close")
                              : QString(d == Direction::Up ? u'+' : u'-') + QString::number(step);
        l.fore = colors::PanelText;
        l.back = colors::PanelBack;
        l.geo = {45, kStepTops[i], 495, 195};
        l.align = step == 0 ? Align::Center : Align::Right;
    }
    return labels;
}

QString stepLabelName(int index) {
    return QStringLiteral("Label1(%1)").arg(index);
}

} // namespace kurumin
