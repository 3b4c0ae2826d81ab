#pragma once
// The panel window: one child widget per control of the model, each shown
// and read by the binder of its kind (binder.h), re-synced from the model
// after every handler. Input goes back to the panel by control id.

#include "panel/panel.h"
#include "ui/binder.h"

#include <QHash>
#include <QWidget>

#include <array>
#include <optional>

namespace kurumin {

class PanelView : public QWidget, public WindowPort, private ui::BinderHost {
    Q_OBJECT
  public:
    explicit PanelView(Panel& panel, QWidget* parent = nullptr);
    ~PanelView() override;

    // The widget showing a control; null for controls never shown (List2).
    QWidget* widget(Ctl id) const {
        const ui::Binder* b = binders_[static_cast<std::size_t>(id)];
        return b ? b->widget() : nullptr;
    }
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
    void showEvent(QShowEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

  private:
    void build();
    void syncControl(const Control& c, ui::Binder& b);
    // BinderHost
    bool syncing() const override { return syncing_; }
    Panel& panel() override { return panel_; }
    Panel& fromUser(Ctl id) override;
    void refused(Ctl id) override;
    void routeEvents(QWidget* part, Ctl id) override;
    bool seenChanged();
    void pressed(const QMouseEvent* e);
    bool followPointer(const QMouseEvent* e);

    Panel& panel_;
    QHash<QObject*, Ctl> ids_;                        // every widget (and part) to its control
    std::array<ui::Binder*, ControlCount> binders_{}; // each shown control's, its widget's child
    // What each widget was last made to show: most syncs (every timer tick)
    // change nothing, and comparing a control costs little while the texts
    // still share their data.
    std::array<std::optional<Control>, ControlCount> shown_;
    bool syncing_ = false;
    QRect tuckedAt_; // where the model placed the panel while it is tucked away
    int shift_ = 0;  // how far its controls are drawn left of the window
    QRect seen_;     // what the window shows of itself
    std::uint64_t focusApplied_ = 0;
    struct Press {
        QPoint pointer; // global
        QPoint window;
    } press_;
    bool movingByHand_ = false; // no window manager took the move
};

} // namespace kurumin
