#pragma once
// Floating step windows: seven labels, shown as the panel says, their
// clicks and moves passed back by index.

#include "platform/desktop.h"

#include <QPointer>
#include <QWidget>

#include <memory>
#include <vector>

namespace kurumin {

namespace ui {
class FlatButton;
}

class StepWindowView : public QWidget {
    Q_OBJECT
  public:
    StepWindowView(bool up, StepWindowInput& input);
    void showLabels(const std::vector<StepLabelLook>& labels);
    // The panel has let the window go; nothing may reach it from here on.
    void detach() { input_ = nullptr; }
    QWidget* label(int index) const;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void paintEvent(QPaintEvent* e) override;

  private:
    StepWindowInput* input_;
    std::vector<ui::FlatButton*> labels_;
};

class StepWindowHost : public StepWindowHostPort {
  public:
    StepWindowHost() = default;
    ~StepWindowHost() override;
    StepWindowHost(const StepWindowHost&) = delete;
    StepWindowHost& operator=(const StepWindowHost&) = delete;

    // The window port hides its widget when destroyed and deletes it later.
    std::unique_ptr<StepWindowPort> createStepWindow(bool up, StepWindowInput& input) override;

  private:
    std::vector<QPointer<StepWindowView>> views_;
};

} // namespace kurumin
