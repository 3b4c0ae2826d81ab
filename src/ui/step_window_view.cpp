#include "ui/step_window_view.h"

#include "ui/widgets.h"

#include <QMouseEvent>
#include <QPainter>
#include <QWindow>

#include <algorithm>

namespace kurumin {

using namespace ui;

StepWindowView::StepWindowView(Panel& panel, StepWindow& model)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      panel_(panel), model_(&model), up_(model.up) {
    setWindowTitle(up_ ? QStringLiteral("Kurumin +") : QStringLiteral("Kurumin -"));
    // Opened by a press on the panel; the panel keeps the keyboard.
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFont(panelFont());
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, toQColor(colors::PanelBack));
    setPalette(p);
    setMouseTracking(true);
    for (int i = 0; i <= 6; ++i) {
        auto* b = new FlatButton(false, this);
        b->setObjectName(stepLabelName(i));
        b->setMouseTracking(true);
        b->setAttribute(Qt::WA_NoMousePropagation);
        b->installEventFilter(this);
        connect(b, &QAbstractButton::clicked, this, [this, i] {
            if (model_) panel_.stepClick(up_, i);
        });
        labels_.push_back(b);
    }
    sync();
    listener_ = panel_.addListener([this] { sync(); });
}

QWidget* StepWindowView::label(int index) const {
    return index >= 0 && index < static_cast<int>(labels_.size()) ? labels_[index] : nullptr;
}

void StepWindowView::sync() {
    if (!model_) return;
    for (int i = 0; i <= 6; ++i) {
        const Control* c = model_->labels.find(stepLabelName(i));
        if (!c) continue;
        FlatButton* b = labels_[i];
        if (b->accessibleName() != c->caption) b->setAccessibleName(c->caption);
        b->showControl(*c);
        place(b, *c);
    }
}

void StepWindowView::detach() {
    if (!model_) return;
    model_ = nullptr;
    panel_.removeListener(listener_);
}

bool StepWindowView::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseMove && model_) {
        const auto it = std::find(labels_.begin(), labels_.end(), watched);
        if (it != labels_.end()) panel_.stepMouseMove(up_, static_cast<int>(it - labels_.begin()));
    }
    return QWidget::eventFilter(watched, event);
}

void StepWindowView::mouseMoveEvent(QMouseEvent*) {
    if (model_) panel_.stepMouseMove(up_, -1);
}

void StepWindowView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setPen(QColor(128, 128, 128));
    const QRect r = rect();
    p.drawLine(r.topRight(), r.bottomRight());
    p.drawLine(r.bottomLeft(), r.bottomRight());
}

namespace {

class StepWindowPort : public WindowPort {
  public:
    explicit StepWindowPort(StepWindowView* view) : view_(view) {}
    ~StepWindowPort() override {
        if (!view_) return;
        view_->detach();
        view_->hide();
        // Often destroyed from inside the window's own click handler.
        view_->deleteLater();
    }
    WindowHandle handle() override { return view_ ? static_cast<WindowHandle>(view_->winId()) : 0; }
    void setTopmost() override {
        if (view_) view_->raise();
    }
    void startSystemMove() override {
        if (view_ && view_->windowHandle()) view_->windowHandle()->startSystemMove();
    }
    RectTwips geometry() override {
        return view_ ? toTwips(view_->geometry(), view_) : RectTwips{};
    }
    void setGeometry(const RectTwips& rect) override {
        if (view_) view_->setGeometry(toPixels(rect, view_));
    }
    void show() override {
        if (view_ && !view_->isVisible()) view_->show();
    }
    void close() override {
        if (view_) view_->hide();
    }
    bool isOpen() override { return view_ && view_->isVisible(); }

  private:
    QPointer<StepWindowView> view_;
};

} // namespace

StepWindowHost::~StepWindowHost() {
    // Widgets whose deleteLater never ran (the event loop has ended) go now.
    for (const QPointer<StepWindowView>& v : views_)
        delete v.data();
}

std::unique_ptr<WindowPort> StepWindowHost::createStepWindow(Panel& panel, StepWindow& model) {
    std::erase_if(views_, [](const QPointer<StepWindowView>& v) { return v.isNull(); });
    auto* view = new StepWindowView(panel, model);
    views_.emplace_back(view);
    return std::make_unique<StepWindowPort>(view);
}

} // namespace kurumin
