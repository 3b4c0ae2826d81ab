#include "ui/panel_view.h"

#include "ui/widgets.h"

#include <QMouseEvent>
#include <QTextDocument>

namespace kurumin {

using namespace ui;

namespace {

// A tooltip window renders any text that looks like markup as rich text; the
// titles and addresses shown in them are the pages' and the user's, and are
// shown as they are.
QString plainToolTip(const QString& tip) {
    if (!Qt::mightBeRichText(tip)) return tip;
    return QStringLiteral("<p style='white-space:pre'>") + tip.toHtmlEscaped() +
           QStringLiteral("</p>");
}

constexpr qsizetype MaxShownTip = 4096;

// Null for the controls never shown: the form itself, List2.
Binder* makeBinder(const Control& c, QWidget* parent, BinderHost& host) {
    switch (c.kind) {
    case ControlKind::TextBox:
        return bindLineEdit(c.id, parent, host);
    case ControlKind::MemoBox:
        return bindMemo(c.id, parent, host);
    case ControlKind::ComboBox:
        return bindComboBox(c.id, parent, host);
    case ControlKind::Label:
    case ControlKind::Button:
    case ControlKind::Shape:
    case ControlKind::Picture:
        return bindCaption(c, parent, host);
    case ControlKind::Form:
    case ControlKind::ListBox:
        break;
    }
    return nullptr;
}

} // namespace

PanelView::PanelView(Panel& panel, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      panel_(panel) {
    setWindowTitle(QStringLiteral("Kurumin"));
    setAccessibleName(QStringLiteral("Kurumin"));
    setFont(panelFont());
    setAutoFillBackground(true);
    setColor(this, QPalette::Window, toQColor(colors::PanelBack));
    setMouseTracking(true);
    QWidget::resize(toPixels({0, 0, PanelWidth, FoldedHeight}, this).size());
    seenChanged(); // a hidden window has its resize told only once shown
    build();
    sync();
    connect(&panel_.changes(), &PanelChanges::changed, this, &PanelView::sync);
}

PanelView::~PanelView() {
    // The widgets go before the QObject does: no sync may reach them half gone.
    disconnect(&panel_.changes(), nullptr, this, nullptr);
    panel_.attachWindow(nullptr);
}

QWidget* PanelView::widget(const QString& name) const {
    const std::optional<Ctl> id = controlNamed(name);
    return id ? widget(*id) : nullptr;
}

void PanelView::routeEvents(QWidget* part, Ctl id) {
    part->setMouseTracking(true);
    part->installEventFilter(this);
    ids_.insert(part, id);
}

void PanelView::build() {
    for (const Control& c : panel_.c) {
        Binder* b = makeBinder(c, this, *this);
        if (!b) continue;
        QWidget* w = b->widget();
        w->setObjectName(controlName(c.id));
        // A move or press over a control is that control's, never also the background's.
        w->setAttribute(Qt::WA_NoMousePropagation);
        routeEvents(w, c.id);
        binders_[static_cast<std::size_t>(c.id)] = b;
    }
    // The exit controls close the tab chain: the first stop is where the focus
    // goes when nothing holds it, and a key there must not end the run.
    QWidget* last = nullptr;
    auto chain = [&last](QWidget* w) {
        if (!w || w->focusPolicy() == Qt::NoFocus) return;
        if (last) setTabOrder(last, w);
        last = w;
    };
    for (const Control& c : panel_.c)
        if (!isExitControl(c.id)) chain(widget(c.id));
    for (const Ctl id : ExitControls) {
        if (auto* b = qobject_cast<FlatButton*>(widget(id))) b->setKeysOnlyAfterTab(true);
        chain(widget(id));
    }
}

void PanelView::sync() {
    syncing_ = true;
    for (const Control& c : panel_.c) {
        Binder* b = binders_[static_cast<std::size_t>(c.id)];
        std::optional<Control>& shown = shown_[static_cast<std::size_t>(c.id)];
        if (!b || (shown && *shown == c)) continue;
        syncControl(c, *b);
        shown = c;
    }
    if (panel_.focusAsked() != focusApplied_) {
        focusApplied_ = panel_.focusAsked();
        // A hidden control (folded away, past the edge) cannot hold it.
        QWidget* w = panel_.focus() ? widget(*panel_.focus()) : nullptr;
        if (w && w->isVisibleTo(this)) w->setFocus(Qt::OtherFocusReason);
    }
    syncing_ = false;
}

void PanelView::syncControl(const Control& c, Binder& b) {
    QWidget* w = b.widget();
    // txtNow's tooltip is its text, which may be megabytes copied: a tooltip
    // window or a screen reader shows no more than a screenful of it anyway.
    const QString tip = c.toolTip.left(MaxShownTip);
    const QString shownTip = plainToolTip(tip);
    if (w->toolTip() != shownTip) w->setToolTip(shownTip);
    // A screen reader reads the text, not the markup around it.
    if (w->accessibleDescription() != tip) w->setAccessibleDescription(tip);
    // A text box's caption is its content; it is known by its tooltip, else its name.
    const QString accessible = c.editable() ? (tip.isEmpty() ? controlName(c.id) : tip)
                                            : (c.caption.isEmpty() ? tip : c.caption);
    if (w->accessibleName() != accessible) w->setAccessibleName(accessible);
    b.show(c);
    place(w, c, QPoint(shift_, 0), seen_);
}

// The widget now shows what the user did, which the model may not take up as it is.
Panel& PanelView::fromUser(Ctl id) {
    shown_[static_cast<std::size_t>(id)].reset();
    return panel_;
}

// The model did not take it up: the widget shows the model's again at once.
void PanelView::refused(Ctl id) {
    fromUser(id);
    sync();
}

bool PanelView::eventFilter(QObject* watched, QEvent* event) {
    const auto it = ids_.constFind(watched);
    if (it == ids_.constEnd() || syncing_) return QWidget::eventFilter(watched, event);
    const Ctl id = *it;
    switch (event->type()) {
    case QEvent::MouseMove:
        if (followPointer(static_cast<QMouseEvent*>(event))) break;
        panel_.mouseMove(id, heldButtons(static_cast<QMouseEvent*>(event)->buttons()));
        break;
    case QEvent::MouseButtonPress:
        pressed(static_cast<QMouseEvent*>(event));
        if (auto b = toMouseButton(static_cast<QMouseEvent*>(event)->button()))
            panel_.mouseDown(id, *b);
        break;
    case QEvent::MouseButtonDblClick:
        pressed(static_cast<QMouseEvent*>(event));
        if (auto b = toMouseButton(static_cast<QMouseEvent*>(event)->button()))
            panel_.doubleClick(id, *b);
        break;
    case QEvent::MouseButtonRelease:
        followPointer(static_cast<QMouseEvent*>(event));
        if (auto b = toMouseButton(static_cast<QMouseEvent*>(event)->button()))
            panel_.mouseUp(id, *b);
        break;
    case QEvent::FocusIn:
        panel_.focusChanged(id);
        break;

    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

void PanelView::mousePressEvent(QMouseEvent* e) {
    pressed(e);
    if (auto b = toMouseButton(e->button())) panel_.mouseDown(Ctl::Form1, *b);
}

void PanelView::mouseDoubleClickEvent(QMouseEvent* e) {
    pressed(e);
    if (auto b = toMouseButton(e->button())) panel_.doubleClick(Ctl::Form1, *b);
}

void PanelView::mouseReleaseEvent(QMouseEvent* e) {
    followPointer(e);
    if (auto b = toMouseButton(e->button())) panel_.mouseUp(Ctl::Form1, *b);
}

void PanelView::mouseMoveEvent(QMouseEvent* e) {
    if (followPointer(e)) return;
    panel_.mouseMove(Ctl::Form1, heldButtons(e->buttons()));
}

void PanelView::pressed(const QMouseEvent* e) {
    press_ = {e->globalPosition().toPoint(), pos()};
}

} // namespace kurumin
