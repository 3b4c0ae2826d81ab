#pragma once
// Floating step windows: seven labels, shown as the panel says, their
// clicks and moves passed back by index.

#include "panel/panel_windows.h"

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
    StepWindowView(Direction d, StepLabelInput& input);
    void showLabels(const std::vector<StepLabelLook>& labels);
    // The panel has let the window go; nothing may reach it from here on.
    void detach() { input_ = nullptr; }
    QWidget* label(int index) const;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void paintEvent(QPaintEvent* e) override;

  private:
    StepLabelInput* input_;
    std::vector<ui::FlatButton*> labels_;
};

class StepWindowFactory : public StepWindowFactoryPort {
  public:
    StepWindowFactory() = default;
    ~StepWindowFactory() override;
    StepWindowFactory(const StepWindowFactory&) = delete;
    StepWindowFactory& operator=(const StepWindowFactory&) = delete;

    // The window port hides its widget when destroyed and deletes it later.
    std::unique_ptr<StepWindowPort> createStepWindow(Direction d, StepLabelInput& input) override;

  private:
    std::vector<QPointer<StepWindowView>> views_;
};

} // namespace kurumin
