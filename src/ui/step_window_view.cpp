#include "ui/step_window_view.h"

#include "ui/widgets.h"

#include <QMouseEvent>
#include <QPainter>
#include <QWindow>

#include <algorithm>

namespace kurumin {

using namespace ui;

StepWindowView::StepWindowView(Direction d, StepLabelInput& input)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      input_(&input) {
    setWindowTitle(d == Direction::Up ? QStringLiteral("Kurumin +") : QStringLiteral("Kurumin -"));
    // Opened by a press on the panel; the panel keeps the keyboard.
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFont(panelFont());
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, toQColor(colors::PanelBack));
    setPalette(p);
    setMouseTracking(true);
    for (int i = 0; i < StepLabelCount; ++i) {
        auto* b = new FlatButton(Bevel::None, this);
        b->setObjectName(stepLabelName(i));
        b->setMouseTracking(true);
        b->setAttribute(Qt::WA_NoMousePropagation);
        b->installEventFilter(this);
        connect(b, &QAbstractButton::clicked, this, [this, i] {
            if (input_) input_->stepClick(i);
        });
        labels_.push_back(b);
    }
}

QWidget* StepWindowView::label(int index) const {
    return index >= 0 && index < static_cast<int>(labels_.size()) ? labels_[index] : nullptr;
}

void StepWindowView::showLabels(const std::vector<StepLabelLook>& looks) {
    for (std::size_t i = 0; i < looks.size() && i < labels_.size(); ++i) {
        FlatButton* b = labels_[i];
        const StepLabelLook& l = looks[i];
        if (b->accessibleName() != l.caption) b->setAccessibleName(l.caption);
        b->showLook(l);
        const QRect r = toPixels(l.geo, b);
        if (b->geometry() != r) b->setGeometry(r);
    }
}

bool StepWindowView::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseMove && input_) {
        const auto it = std::find(labels_.begin(), labels_.end(), watched);
        if (it != labels_.end()) input_->stepMouseMove(static_cast<int>(it - labels_.begin()));
    }
    return QWidget::eventFilter(watched, event);
}

void StepWindowView::mouseMoveEvent(QMouseEvent*) {
    if (input_) input_->stepMouseMove(-1);
}

void StepWindowView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setPen(QColor(128, 128, 128));
    const QRect r = rect();
    p.drawLine(r.topRight(), r.bottomRight());
    p.drawLine(r.bottomLeft(), r.bottomRight());
}

namespace {

class StepWindowViewPort : public StepWindowPort {
  public:
    explicit StepWindowViewPort(StepWindowView* view) : view_(view) {}
    ~StepWindowViewPort() override {
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
    int monitorLeft() override { return view_ ? ui::monitorLeft(view_) : 0; }
    void show() override {
        if (view_ && !view_->isVisible()) view_->show();
    }
    void close() override {
        if (view_) view_->hide();
    }
    bool isOpen() override { return view_ && view_->isVisible(); }
    void showLabels(const std::vector<StepLabelLook>& labels) override {
        if (view_) view_->showLabels(labels);
    }

  private:
    QPointer<StepWindowView> view_;
};

} // namespace

StepWindowFactory::~StepWindowFactory() {
    // Widgets whose deleteLater never ran (the event loop has ended) go now.
    for (const QPointer<StepWindowView>& v : views_)
        delete v.data();
}

std::unique_ptr<StepWindowPort> StepWindowFactory::createStepWindow(Direction d,
                                                                    StepLabelInput& input) {
    std::erase_if(views_, [](const QPointer<StepWindowView>& v) { return v.isNull(); });
    auto* view = new StepWindowView(d, input);
    views_.emplace_back(view);
    return std::make_unique<StepWindowViewPort>(view);
}

} // namespace kurumin
