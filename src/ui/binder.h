#pragma once
// One binder for each kind of control: it makes the control's widget, shows
// the control's look and content on it, and passes what the user does there
// to the panel. The view keeps what every control shares: its name, tooltip,
// place and mouse events. A new kind of control is one binder more.

#include "panel/panel.h"

#include <QObject>
#include <QWidget>

namespace kurumin::ui {

// What a binder asks of the view it sits in.
class BinderHost {
  public:
    virtual ~BinderHost() = default;
    // While the view shows the model, what a widget reports is no input.
    virtual bool syncing() const = 0;
    virtual Panel& panel() = 0;
    // The panel, for input the widget now shows as the user left it.
    virtual Panel& fromUser(Ctl id) = 0;
    // Input the panel did not take up: the widget shows the model's again.
    virtual void refused(Ctl id) = 0;
    // Mouse and focus events on a part of the widget count as the control's.
    virtual void routeEvents(QWidget* part, Ctl id) = 0;
};

// Lives as long as its widget, being its child.
class Binder : public QObject {
  public:
    QWidget* widget() const { return widget_; }
    // Sets only what differs: the view shows the model after every handler.
    virtual void show(const Control& c) = 0;

  protected:
    Binder(QWidget* widget, Ctl id, BinderHost& host)
        : QObject(widget), id_(id), host_(host), widget_(widget) {}
    const Ctl id_;
    BinderHost& host_;

  private:
    QWidget* widget_;
};

// Labels, buttons, the lamp and the picture areas.
Binder* bindCaption(const Control& c, QWidget* parent, BinderHost& host);
Binder* bindLineEdit(Ctl id, QWidget* parent, BinderHost& host);
Binder* bindMemo(Ctl id, QWidget* parent, BinderHost& host);
Binder* bindComboBox(Ctl id, QWidget* parent, BinderHost& host);

} // namespace kurumin::ui
