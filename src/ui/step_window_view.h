#pragma once
// Floating step windows: seven labels over a StepWindow of the panel.

#include "app/panel.h"

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
    StepWindowView(Panel& panel, StepWindow& model);
    void sync();
    // The model is going away; nothing may reach it from here on.
    void detach();
    QWidget* label(int index) const;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void paintEvent(QPaintEvent* e) override;

  private:
    Panel& panel_;
    StepWindow* model_;
    bool up_;
    std::vector<ui::FlatButton*> labels_;
    int listener_ = 0;
};

class StepWindowHost : public StepWindowHostPort {
  public:
    StepWindowHost() = default;
    ~StepWindowHost() override;
    StepWindowHost(const StepWindowHost&) = delete;
    StepWindowHost& operator=(const StepWindowHost&) = delete;

    // The window port hides its widget when destroyed and deletes it later.
    std::unique_ptr<WindowPort> createStepWindow(Panel& panel, StepWindow& model) override;

  private:
    std::vector<QPointer<StepWindowView>> views_;
};

} // namespace kurumin
