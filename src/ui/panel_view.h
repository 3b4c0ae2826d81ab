#pragma once
// The panel window: one child widget per control of the model, re-synced
// from it after every handler. Input goes back to the panel by control name.

#include "app/panel.h"

#include <QHash>
#include <QWidget>

#include <memory>

namespace kurumin {

class PanelView : public QWidget, public WindowPort {
    Q_OBJECT
  public:
    explicit PanelView(Panel& panel, QWidget* parent = nullptr);
    ~PanelView() override;

    // The widget showing a control; null for controls never shown (List2).
    QWidget* widget(const QString& name) const;
    // Shows the model's state now; the panel's listener calls it.
    void sync();

    // WindowPort, in twips of the screen.
    WindowHandle handle() override;
    void setTopmost() override;
    void startSystemMove() override;
    RectTwips geometry() override;
    void setGeometry(const RectTwips& rect) override;
    void show() override;
    void close() override;
    bool isOpen() override;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

  private:
    void build();
    void syncControl(const Control& c, QWidget* w);
    void syncTextBox(const Control& c, QWidget* w);
    void userSelection(const QString& name);

    Panel& panel_;
    QHash<QObject*, QString> names_;   // every widget (and inner widget) to its control
    QHash<QString, QWidget*> widgets_; // each shown control's widget
    bool syncing_ = false;
    QString lastFocus_;
    int listener_ = 0;
};

} // namespace kurumin
