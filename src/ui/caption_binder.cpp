// Labels, buttons, the lamp and the picture areas: a caption or colours, and
// a click for those that carry a command.
#include "ui/binder.h"
#include "ui/widgets.h"

#include <QLabel>

namespace kurumin::ui {

namespace {

class ButtonBinder final : public Binder {
  public:
    ButtonBinder(const Control& c, QWidget* parent, BinderHost& host)
        : Binder(
              new FlatButton(c.kind == ControlKind::Button ? Bevel::Raised : Bevel::None, parent),
              c.id, host) {
        connect(button(), &QAbstractButton::clicked, this, [this] {
            if (!host_.syncing()) host_.panel().click(id_);
        });
    }
    void show(const Control& c) override { button()->showControl(c); }

  private:
    FlatButton* button() const { return static_cast<FlatButton*>(widget()); }
};

class LabelBinder final : public Binder {
  public:
    LabelBinder(const Control& c, QWidget* parent, BinderHost& host)
        : Binder(new QLabel(parent), c.id, host) {
        label()->setTextFormat(Qt::PlainText);
    }
    void show(const Control& c) override {
        QLabel* l = label();
        if (l->text() != c.caption) l->setText(c.caption);
        l->setAlignment(toQtAlign(c.align));
        setColor(l, QPalette::WindowText, toQColor(c.fore));
        l->setAutoFillBackground(c.back.has_value());
        if (c.back) setColor(l, QPalette::Window, toQColor(*c.back));
    }

  private:
    QLabel* label() const { return static_cast<QLabel*>(widget()); }
};

class ShapeBinder final : public Binder {
  public:
    ShapeBinder(const Control& c, QWidget* parent, BinderHost& host)
        : Binder(new ShapeWidget(parent), c.id, host) {}
    void show(const Control& c) override {
        static_cast<ShapeWidget*>(widget())->setColors(
            toQColor(c.fore), toQColor(c.back.value_or(colors::PanelBack)));
    }
};

class PictureBinder final : public Binder {
  public:
    PictureBinder(const Control& c, QWidget* parent, BinderHost& host)
        : Binder(new GripWidget(parent), c.id, host) {}
    void show(const Control& c) override {
        if (!c.back) return; // a colour of its own, else the panel's shows through
        widget()->setAutoFillBackground(true);
        setColor(widget(), QPalette::Window, toQColor(*c.back));
    }
};

} // namespace

Binder* bindCaption(const Control& c, QWidget* parent, BinderHost& host) {
    switch (c.kind) {
    case ControlKind::Button:
        return new ButtonBinder(c, parent, host);
    case ControlKind::Shape:
        return new ShapeBinder(c, parent, host);
    case ControlKind::Picture:
        return new PictureBinder(c, parent, host);
    default:
        if (c.clickable) return new ButtonBinder(c, parent, host);
        return new LabelBinder(c, parent, host);
    }
}

} // namespace kurumin::ui
