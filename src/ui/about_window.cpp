#include "ui/about_window.h"

#include "ui/widgets.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QScreen>
#include <QVBoxLayout>

namespace kurumin {

using namespace ui;

namespace {

// The tool's own picture: a numbered page between the step arrows.
class AboutPicture : public QWidget {
  public:
    explicit AboutPicture(QWidget* parent) : QWidget(parent) { setFixedSize(64, 80); }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter g(this);
        g.setRenderHint(QPainter::Antialiasing);
        const QRectF page(8, 14, 48, 52);
        g.setPen(QPen(toQColor(colors::Rest), 1.5));
        g.setBrush(Qt::white);
        g.drawRoundedRect(page, 4, 4);
        QFont f = panelFont();
        f.setPixelSize(15);
        f.setBold(true);
        g.setFont(f);
        g.setPen(toQColor(colors::Green));
        g.drawText(page, Qt::AlignCenter, QStringLiteral("007"));
        g.setPen(Qt::NoPen);
        g.setBrush(toQColor(colors::Red));
        g.drawPolygon(QPolygonF({{32, 0}, {22, 10}, {42, 10}}));
        g.setBrush(toQColor(colors::Blue));
        g.drawPolygon(QPolygonF({{32, 80}, {22, 70}, {42, 70}}));
    }
};

} // namespace

class AboutWindow : public QWidget, public WindowPort {
  public:
    AboutWindow()
        : QWidget(nullptr, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                               Qt::WindowCloseButtonHint) {
        setObjectName(QStringLiteral("Form2"));
        setWindowTitle(QStringLiteral("Kuruminについて..."));
        setFont(panelFont());
        auto* row = new QHBoxLayout(this);
        row->setContentsMargins(12, 10, 12, 10);
        row->setSpacing(12);
        row->addWidget(new AboutPicture(this), 0, Qt::AlignTop);
        auto* lines = new QVBoxLayout;
        lines->setSpacing(2);
        row->addLayout(lines, 1);
        for (const char* line : {"■ご利用いただきましてありがとうございます。", "「Kurumin」",
                                 "インターネットツール", "Version " KURUMIN_VERSION,
                                 "このツールの詳しい説明は、ヘルプページでご覧いただけます。"}) {
            auto* l = new QLabel(QString::fromUtf8(line), this);
            l->setWordWrap(true);
            lines->addWidget(l);
        }
        lines->addStretch(1);
        link_ = new FlatButton(Bevel::None, this);
        link_->setObjectName(QStringLiteral("Label2"));
        link_->setText(QStringLiteral("オンラインヘルプの閲覧はココをクリック"));
        link_->setAccessibleName(link_->text());
        link_->setColors(toQColor(colors::Blue), std::nullopt);
        link_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        link_->setCursor(Qt::PointingHandCursor);
        lines->addWidget(link_);
        connect(link_, &QAbstractButton::clicked, this, [this] {
            if (onLink_) onLink_();
        });
        setFixedSize(toPixels({0, 0, 4680, 2610}, this).size());
    }
    void setOnLink(std::function<void()> onLink) { onLink_ = std::move(onLink); }

    WindowHandle handle() override { return static_cast<WindowHandle>(winId()); }
    void setTopmost() override { raise(); }
    void startSystemMove() override {}
    RectTwips geometry() override { return toTwips(QWidget::geometry(), this); }
    void setGeometry(const RectTwips& rect) override { QWidget::setGeometry(toPixels(rect, this)); }
    int monitorLeft() override { return ui::monitorLeft(this); }
    void show() override {
        if (!shownOnce_) {
            shownOnce_ = true;
            const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
            move(screen.center() - rect().center());
        }
        QWidget::show();
        raise();
        activateWindow();
    }
    void close() override { hide(); }
    bool isOpen() override { return isVisible(); }

  private:
    FlatButton* link_ = nullptr;
    std::function<void()> onLink_;
    bool shownOnce_ = false;
};

AboutWindowHost::AboutWindowHost() = default;
AboutWindowHost::~AboutWindowHost() = default;

WindowPort& AboutWindowHost::aboutWindow(std::function<void()> onLink) {
    if (!window_) window_ = std::make_unique<AboutWindow>();
    window_->setOnLink(std::move(onLink));
    return *window_;
}

QWidget* AboutWindowHost::widget() const {
    return window_.get();
}

} // namespace kurumin
