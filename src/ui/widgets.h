#pragma once
// Small widgets and conversions the panel and the step windows share.

#include "panel/controls.h"
#include "panel/panel_windows.h"

#include <QAbstractButton>
#include <QColor>
#include <QFont>
#include <QRect>

#include <optional>

namespace kurumin::ui {

inline QColor toQColor(Color c) {
    return QColor(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF),
                  static_cast<int>((c >> 16) & 0xFF));
}

// Twips to pixels at the screen's logical DPI: 15 twips to a pixel at 96 DPI.
int toPixels(int twips, qreal dpi);
int toTwips(int pixels, qreal dpi);
QRect toPixels(const RectTwips& r, const QWidget* w);
RectTwips toTwips(const QRect& r, const QWidget* w);

// The left edge, in twips, of the monitor the window mostly lies on.
int monitorLeft(const QWidget* w);

Qt::Alignment toQtAlign(Align a);

// Where a control stands, and whether it is enabled and shown; each is set
// only when it differs, as the views sync after every handler. A control
// wholly outside `seen`, what its window shows, is hidden.
void place(QWidget* w, const Control& c, QPoint shift = {},
           const std::optional<QRect>& seen = std::nullopt);

// One colour of the widget's palette, active and inactive alike; a palette
// set anew repaints even when unchanged.
void setColor(QWidget* w, QPalette::ColorRole role, const QColor& c);
// A text box's text in the control's fore colour, on its back colour if it has one.
void setTextColors(QWidget* w, const Control& c);

// The small Japanese-capable face every caption is drawn in.
QFont panelFont();

// Raised: drawn as a push button.
enum class Bevel { None, Raised };

// A caption that carries a command: flat text in its own colour, focusable
// from the keyboard and pressable by Space, Enter and the accessibility
// "press" action. With a bevel it is drawn as a push button.
class FlatButton : public QAbstractButton {
    Q_OBJECT
  public:
    explicit FlatButton(Bevel bevel, QWidget* parent = nullptr);
    void setColors(QColor fore, std::optional<QColor> back);
    void setAlignment(Qt::Alignment a);
    // Caption, colours and alignment as the control has them.
    void showControl(const Control& c);
    void showLook(const StepLabelLook& look);
    // Keys press it only once the user moved the focus onto it (Tab, Backtab),
    // never when the focus lands on it otherwise (a closed box, the window's
    // activation): for the controls that end the run.
    void setKeysOnlyAfterTab(bool on) { keysOnlyAfterTab_ = on; }
    QSize sizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void keyReleaseEvent(QKeyEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    // A label acts once on a double click, a command button twice: the
    // panel decides, from the press it is given.
    void mouseDoubleClickEvent(QMouseEvent* e) override;

  private:
    bool keysRefused(const QKeyEvent* e) const;
    bool raised_;
    bool keysOnlyAfterTab_ = false;
    bool tabbedTo_ = false;
    QColor fore_;
    std::optional<QColor> back_;
    Qt::Alignment align_ = Qt::AlignCenter;
};

// A picture area the panel is dragged by: a field of grip dots.
class GripWidget : public QWidget {
    Q_OBJECT
  public:
    explicit GripWidget(QWidget* parent = nullptr);

  protected:
    void paintEvent(QPaintEvent* e) override;
};

// A filled lamp with a one-pixel border in the fore colour.
class ShapeWidget : public QWidget {
    Q_OBJECT
  public:
    explicit ShapeWidget(QWidget* parent = nullptr) : QWidget(parent) {}
    void setColors(QColor border, QColor fill);

  protected:
    void paintEvent(QPaintEvent* e) override;

  private:
    QColor border_;
    QColor fill_;
};

} // namespace kurumin::ui

namespace kurumin::ui {
inline std::optional<MouseButton> toMouseButton(Qt::MouseButton b) {
    switch (b) {
    case Qt::LeftButton:
        return MouseButton::Left;
    case Qt::RightButton:
        return MouseButton::Right;
    case Qt::MiddleButton:
        return MouseButton::Middle;
    default:
        return std::nullopt;
    }
}
inline HeldButtons heldButtons(Qt::MouseButtons b) {
    return {b.testFlag(Qt::LeftButton), b.testFlag(Qt::RightButton), b.testFlag(Qt::MiddleButton)};
}
} // namespace kurumin::ui
