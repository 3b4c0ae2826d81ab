#include "platform/chromium/page_tracker.h"

#include <QJsonArray>
#include <QJsonValue>
#include <QPointer>
#include <QStringList>
#include <QTimer>

#include <utility>

namespace kurumin {

namespace {

const QString kBinding = QStringLiteral("__kuruminShown");

// Installed once per document; answers the state at once and reports each change.
const QString kListener = QStringLiteral(
    "(() => {"
    " const state = () => document.visibilityState + (document.hasFocus() ? ' focus' : '');"
    " if (!window.__kuruminShownWatch) {"
    "  window.__kuruminShownWatch = true;"
    "  const tell = () => { try { __kuruminShown(state()); } catch (e) {} };"
    "  document.addEventListener('visibilitychange', tell);"
    "  addEventListener('focus', tell);"
    "  addEventListener('blur', tell);"
    " }"
    " return state();"
    "})()");

// The browser names its window after the front tab: "<title> - <browser>".
// A window title read cut short matches every page title it begins.
bool showsTitle(const QString& windowTitle, bool windowTitleCut, const QString& pageTitle) {
    if (pageTitle.isEmpty()) return false;
    if (windowTitle.startsWith(pageTitle + QStringLiteral(" - "))) return true;
    return windowTitleCut && pageTitle.startsWith(windowTitle);
}

constexpr int kTitleBytes = 1024;
constexpr int kRelists = 5; // per front window and title
constexpr int kRelistPauseMs = 100;

} // namespace

PageTracker::PageTracker(BrowserConnection& connection, WindowSystemPort* desktop, int refreshMs)
    : connection_(connection), desktop_(desktop), refreshMs_(refreshMs) {
    connect(&connection_, &BrowserConnection::opened, this, &PageTracker::onOpened);
    connect(&connection_, &BrowserConnection::lost, this, &PageTracker::onLost);
    connect(&connection_, &BrowserConnection::event, this, &PageTracker::onEvent);
    if (desktop_) desktop_->setFrontChangeHandler([this] { placeFront(); });
    if (connection_.isOpen()) onOpened();
}

PageTracker::~PageTracker() {
    if (desktop_) desktop_->setFrontChangeHandler(nullptr);
}

std::vector<BrowserPage> PageTracker::pages() const {
    std::vector<BrowserPage> list;
    list.reserve(targets_.size());
    for (const Target& t : targets_) {
        const bool inFront = t.id == frontId_;
        list.push_back({inFront ? frontWindow_ : 0, t.url, t.title, inFront});
    }
    return list;
}

std::optional<BrowserPage> PageTracker::frontPage() const {
    for (const BrowserPage& page : pages())
        if (page.inFront) return page;
    return std::nullopt;
}

void PageTracker::addOpened(const QString& targetId, const QString& url) {
    if (targetId.isEmpty() || find(targetId) || !connection_.isOpen()) return;
    track(targetId).url = url;
}

void PageTracker::onOpened() {
    targets_.clear();
    frontId_.clear();
    lastRefresh_.invalidate();
    placedFor_ = relistedFor_ = 0;
    connection_.send(QStringLiteral("Target.setDiscoverTargets"),
                     {{QStringLiteral("discover"), true}}, nullptr);
}

void PageTracker::onLost() {
    targets_.clear();
    frontId_.clear();
}

void PageTracker::onEvent(const QString& method, const QJsonObject& params,
                          const QString& sessionId) {
    if (!sessionId.isEmpty()) {
        if (method != u"Runtime.bindingCalled" ||
            params.value(QStringLiteral("name")).toString() != kBinding)
            return;
        if (Target* t = findSession(sessionId))
            told(*t, params.value(QStringLiteral("payload")).toString());
        return;
    }
    if (method == u"Target.targetCreated" || method == u"Target.targetInfoChanged") {
        updateTarget(params.value(QStringLiteral("targetInfo")).toObject());
    } else if (method == u"Target.targetDestroyed") {
        forget(params.value(QStringLiteral("targetId")).toString());
    } else if (method == u"Target.detachedFromTarget") {
        if (Target* t = findSession(params.value(QStringLiteral("sessionId")).toString())) {
            t->sessionId.clear(); // followed again at the next refresh
            t->visible = t->focused = false;
            placeFront();
        }
    }
}

PageTracker::Target& PageTracker::track(const QString& targetId) {
    if (Target* known = find(targetId)) return *known;
    Target t;
    t.id = targetId;
    targets_.push_back(std::move(t));
    follow(targets_.back());
    return targets_.back();
}

void PageTracker::forget(const QString& targetId) {
    std::erase_if(targets_, [&](const Target& t) { return t.id == targetId; });
    if (targetId == frontId_) placeFront();
}

void PageTracker::updateTarget(const QJsonObject& info) {
    const QString id = info.value(QStringLiteral("targetId")).toString();
    if (id.isEmpty()) return;
    if (info.value(QStringLiteral("type")).toString() != u"page") return forget(id);
    Target& target = track(id);
    const QString url = info.value(QStringLiteral("url")).toString();
    target.url = url;
    target.title = info.value(QStringLiteral("title")).toString();
    // A new document (a navigation, a reload) has none of the old one's
    // listener; the listener in a document that has one stays single.
    if (!target.sessionId.isEmpty()) listen(id);
    placeFront();
}

// Once attached, the page's session reports the page's visibility.
void PageTracker::follow(Target& target) {
    if (target.attaching || !target.sessionId.isEmpty() || !connection_.isOpen()) return;
    target.attaching = true;
    // The connection may outlive this tracker; its answers must not reach a tracker gone.
    connection_.send(QStringLiteral("Target.attachToTarget"),
                     {{QStringLiteral("targetId"), target.id}, {QStringLiteral("flatten"), true}},
                     [self = QPointer(this), id = target.id](const BrowserReply& reply) {
                         Target* t = self ? self->find(id) : nullptr;
                         if (!t) return;
                         t->attaching = false;
                         const QString session =
                             reply.result.value(QStringLiteral("sessionId")).toString();
                         if (!reply.ok() || session.isEmpty())
                             return; // tried again at a later refresh
                         t->sessionId = session;
                         self->listen(id);
                     });
}

void PageTracker::listen(const QString& targetId) {
    const Target* target = find(targetId);
    if (!target || target->sessionId.isEmpty()) return;
    const QString session = target->sessionId;
    connection_.send(QStringLiteral("Runtime.addBinding"), {{QStringLiteral("name"), kBinding}},
                     nullptr, session);
    connection_.send(
        QStringLiteral("Runtime.evaluate"),
        {{QStringLiteral("expression"), kListener}, {QStringLiteral("returnByValue"), true}},
        [self = QPointer(this), targetId, session](const BrowserReply& reply) {
            Target* t = self ? self->find(targetId) : nullptr;
            if (!t || t->sessionId != session || !reply.ok()) return;
            const QJsonValue value = reply.result.value(QStringLiteral("result"))
                                         .toObject()
                                         .value(QStringLiteral("value"));
            if (value.isString()) self->told(*t, value.toString());
        },
        session);
}

void PageTracker::told(Target& target, const QString& state) {
    // Only the listener's own words: anything else leaves the page as it was.
    const QStringList words = state.split(u' ');
    if (words.size() > 2 || (words.size() == 2 && words[1] != u"focus")) return;
    target.visible = words[0] == u"visible";
    target.focused = words.size() == 2;
    target.told = ++reports_;
    placeFront();
}

// The page in front is the visible page whose title the desktop's front
// window shows. Two windows may show the same title: the one whose page has
// the focus wins, else the one that told last.
void PageTracker::placeFront() {
    const WindowHandle front = desktop_ ? desktop_->foregroundWindow() : 0;
    const QByteArray raw = front ? desktop_->windowTitle(front, kTitleBytes) : QByteArray();
    const QString title = QString::fromUtf8(raw);
    const bool cut = raw.size() >= kTitleBytes - 4;
    placedFor_ = qHashMulti(1, front, title);
    const Target* best = nullptr;
    bool anyVisible = false;
    for (const Target& t : targets_) {
        if (!t.visible) continue;
        anyVisible = true;
        if (desktop_ ? !showsTitle(title, cut, t.title) : !t.focused) continue;
        if (!best || std::pair(t.focused, t.told) > std::pair(best->focused, best->told)) best = &t;
    }
    frontId_ = best ? best->id : QString();
    frontWindow_ = best ? front : 0;
    if (best || !anyVisible || !front || title.isEmpty()) return;
    // Titles a page sets itself are not always announced: the browser's own
    // listing may know the title the window shows, or will a moment later.
    if (relistedFor_ != placedFor_) {
        relistedFor_ = placedFor_;
        relists_ = 0;
    }
    if (listing_ || relists_ >= kRelists) return;
    relist(relists_++ == 0 ? 0 : kRelistPauseMs);
}

void PageTracker::refresh() {
    if (!connection_.isOpen()) return;
    if (desktop_) {
        const WindowHandle front = desktop_->foregroundWindow();
        const QString title =
            front ? QString::fromUtf8(desktop_->windowTitle(front, kTitleBytes)) : QString();
        if (qHashMulti(1, front, title) != placedFor_) placeFront();
    }
    if (lastRefresh_.isValid() && lastRefresh_.elapsed() < refreshMs_) return;
    lastRefresh_.start();
    for (Target& t : targets_)
        follow(t);
}

void PageTracker::relist(int afterMs) {
    listing_ = true;
    // The connection may outlive this tracker; its answers must not reach a tracker gone.
    QTimer::singleShot(afterMs, this, [this] {
        if (!connection_.isOpen()) {
            listing_ = false;
            return;
        }
        connection_.send(QStringLiteral("Target.getTargets"), {},
                         [self = QPointer(this)](const BrowserReply& reply) {
                             if (!self) return;
                             self->listing_ = false;
                             if (!reply.ok() || !self->connection_.isOpen()) return;
                             self->reconcile(reply.result);
                             self->placeFront();
                         });
    });
}

void PageTracker::reconcile(const QJsonObject& listing) {
    std::vector<Target> now;
    for (const QJsonValue& v : listing.value(QStringLiteral("targetInfos")).toArray()) {
        const QJsonObject info = v.toObject();
        if (info.value(QStringLiteral("type")).toString() != u"page") continue;
        const QString id = info.value(QStringLiteral("targetId")).toString();
        Target t;
        if (const Target* known = find(id)) t = *known;
        t.id = id;
        t.url = info.value(QStringLiteral("url")).toString();
        t.title = info.value(QStringLiteral("title")).toString();
        now.push_back(std::move(t));
    }
    targets_ = std::move(now);
    for (Target& t : targets_)
        follow(t);
}

PageTracker::Target* PageTracker::find(const QString& targetId) {
    for (Target& t : targets_)
        if (t.id == targetId) return &t;
    return nullptr;
}

PageTracker::Target* PageTracker::findSession(const QString& sessionId) {
    if (sessionId.isEmpty()) return nullptr;
    for (Target& t : targets_)
        if (t.sessionId == sessionId) return &t;
    return nullptr;
}

} // namespace kurumin
