#pragma once
// The panel window: one child widget per control of the model, re-synced
// from it after every handler. Input goes back to the panel by control id.

#include "panel/panel.h"

#include <QHash>
#include <QWidget>

#include <array>
#include <optional>

namespace kurumin {

class PanelView : public QWidget, public WindowPort {
    Q_OBJECT
  public:
    explicit PanelView(Panel& panel, QWidget* parent = nullptr);
    ~PanelView() override;

    // The widget showing a control; null for controls never shown (List2).
    QWidget* widget(Ctl id) const { return widgets_[static_cast<std::size_t>(id)]; }
    QWidget* widget(const QString& name) const;
    // Shows the model's state now; the panel's changed() calls it.
    void sync();

    // WindowPort, in twips of the screen.
    WindowHandle handle() override;
    void setTopmost() override;
    void startSystemMove() override;
    RectTwips geometry() override;
    void setGeometry(const RectTwips& rect) override;
    int monitorLeft() override;
    void show() override;
    void close() override;
    bool isOpen() override;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

  private:
    void build();
    QWidget* makeWidget(const Control& c);
    QWidget* makeLineEdit(Ctl id);
    QWidget* makeMemo(Ctl id);
    QWidget* makeComboBox(Ctl id);
    void syncControl(const Control& c, QWidget* w);
    void syncTextBox(const Control& c, QWidget* w);
    void userSelection(Ctl id);
    Panel& fromUser(Ctl id);
    void pressed(const QMouseEvent* e);
    void released();
    bool followPointer(const QMouseEvent* e);

    Panel& panel_;
    QHash<QObject*, Ctl> ids_;                     // every widget (and inner widget) to its control
    std::array<QWidget*, ControlCount> widgets_{}; // each shown control's widget
    // What each widget was last made to show: most syncs (every timer tick)
    // change nothing, and comparing a control costs little while the texts
    // still share their data.
    std::array<std::optional<Control>, ControlCount> shown_;
    bool syncing_ = false;
    QRect tuckedAt_; // where the model placed the panel while it is tucked away
    int shift_ = 0;  // how far its controls are drawn left of the window
    std::uint64_t focusApplied_ = 0;
    struct Press {
        QPoint pointer; // global
        QPoint window;
    } press_;
    bool movingByHand_ = false; // no window manager took the move
};

} // namespace kurumin
