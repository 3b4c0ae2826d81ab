#include "platform/chromium/page_tracker.h"

#include <QJsonArray>
#include <QJsonValue>
#include <QPointer>

namespace kurumin {

PageTracker::PageTracker(CdpConnection& connection, WindowSystemPort* desktop, int refreshMs)
    : connection_(connection), desktop_(desktop), refreshMs_(refreshMs) {
    connect(&connection_, &CdpConnection::opened, this, &PageTracker::onOpened);
    connect(&connection_, &CdpConnection::lost, this, &PageTracker::onLost);
    connect(&connection_, &CdpConnection::event, this, &PageTracker::onEvent);
    if (connection_.isOpen()) onOpened();
}

PageTracker::~PageTracker() = default;

std::vector<BrowserPage> PageTracker::pages() const {
    std::vector<BrowserPage> list;
    list.reserve(targets_.size());
    for (const Target& t : targets_)
        list.push_back({t.window, t.url, t.title, t.inFront});
    return list;
}

std::optional<BrowserPage> PageTracker::frontPage() const {
    for (const Target& t : targets_)
        if (t.inFront) return BrowserPage{t.window, t.url, t.title, true};
    return std::nullopt;
}

void PageTracker::addOpened(const QString& targetId, const QString& url) {
    if (targetId.isEmpty() || find(targetId) || !connection_.isOpen()) return;
    targets_.push_back({targetId, url, {}, {}, 0, false, false});
}

void PageTracker::onOpened() {
    targets_.clear();
    lastRefresh_.invalidate();
    connection_.send(QStringLiteral("Target.setDiscoverTargets"),
                     {{QStringLiteral("discover"), true}}, nullptr);
}

void PageTracker::onLost() {
    targets_.clear();
    askedFor_ = 0; // the pages of the next connection are asked afresh
}

void PageTracker::onEvent(const QString& method, const QJsonObject& params,
                          const QString& sessionId) {
    if (!sessionId.isEmpty()) return; // page sessions only answer focus questions
    if (method == u"Target.targetCreated" || method == u"Target.targetInfoChanged") {
        updateTarget(params.value(QStringLiteral("targetInfo")).toObject());
    } else if (method == u"Target.targetDestroyed") {
        forget(params.value(QStringLiteral("targetId")).toString());
    } else if (method == u"Target.detachedFromTarget") {
        const QString session = params.value(QStringLiteral("sessionId")).toString();
        for (Target& t : targets_)
            if (t.sessionId == session) t.sessionId.clear();
    }
}

void PageTracker::forget(const QString& targetId) {
    std::erase_if(targets_, [&](const Target& t) { return t.id == targetId; });
}

void PageTracker::updateTarget(const QJsonObject& info) {
    const QString id = info.value(QStringLiteral("targetId")).toString();
    if (id.isEmpty()) return;
    if (info.value(QStringLiteral("type")).toString() != u"page") return forget(id);
    Target* target = find(id);
    if (!target) {
        targets_.push_back({id, {}, {}, {}, 0, false, false});
        target = &targets_.back();
    }
    target->url = info.value(QStringLiteral("url")).toString();
    target->title = info.value(QStringLiteral("title")).toString();
}

// Titles set by the page are not always announced as events, so the list is
// also brought up to date from the browser's own listing before pages are asked.
void PageTracker::refresh() {
    if (!connection_.isOpen()) return;
    if (lastRefresh_.isValid() && lastRefresh_.elapsed() < refreshMs_) return;
    lastRefresh_.start();
    if (!desktop_) {
        relist([this] {
            for (const Target& t : targets_)
                if (!t.asking) askFocus(t.id, 0);
        });
        return;
    }
    // Listing and asking a hundred pages costs far more than asking the
    // desktop which window is in front: both wait until that window, its
    // title or the set of pages has changed since the pages were last asked.
    const WindowHandle front = desktop_->foregroundWindow();
    const QString frontTitle =
        front ? QString::fromUtf8(desktop_->windowTitle(front, 1024)) : QString();
    if (desktopKey(front, frontTitle) == askedFor_) return;
    relist([this, front, frontTitle] {
        askedFor_ = desktopKey(front, frontTitle);
        // The browser's window title starts with its front tab's title; only
        // such pages can be in front. The title may come back cut.
        const auto couldBeInFront = [&](const Target& t) {
            return !frontTitle.isEmpty() && !t.title.isEmpty() &&
                   (frontTitle.startsWith(t.title) || t.title.startsWith(frontTitle));
        };
        for (Target& t : targets_) {
            if (!couldBeInFront(t)) {
                t.inFront = false;
                t.window = 0;
            } else if (t.asking) {
                askedFor_ = 0; // its answer may be about the desktop as it was: ask again
            } else {
                askFocus(t.id, front);
            }
        }
    });
}

std::size_t PageTracker::desktopKey(WindowHandle front, const QString& frontTitle) const {
    std::size_t key = qHashMulti(0, front, frontTitle);
    for (const Target& t : targets_)
        key = qHashMulti(key, t.id, t.title);
    return key;
}

// The connection may outlive this tracker; its answers must not reach a tracker gone.
void PageTracker::relist(std::function<void()> then) {
    if (listing_) return; // the answer on its way will do
    listing_ = true;
    connection_.send(QStringLiteral("Target.getTargets"), {},
                     [self = QPointer(this), then = std::move(then)](const CdpReply& reply) {
                         if (!self) return;
                         self->listing_ = false;
                         if (!reply.ok() || !self->connection_.isOpen()) return;
                         self->reconcile(reply.result);
                         then();
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
}

// One question at a time per page, so a page that hangs costs one pending
// command, not a pile. `front` is the desktop's front window as asked.
void PageTracker::askFocus(const QString& targetId, WindowHandle front) {
    Target* target = find(targetId);
    if (!target) return;
    target->asking = true;
    if (target->sessionId.isEmpty()) {
        connection_.send(
            QStringLiteral("Target.attachToTarget"),
            {{QStringLiteral("targetId"), targetId}, {QStringLiteral("flatten"), true}},
            [self = QPointer(this), targetId, front](const CdpReply& reply) {
                Target* t = self ? self->find(targetId) : nullptr;
                if (!t) return;
                const QString session = reply.result.value(QStringLiteral("sessionId")).toString();
                if (!reply.ok() || session.isEmpty()) {
                    t->asking = false;
                    return;
                }
                t->sessionId = session;
                self->askFocus(targetId, front);
            });
        return;
    }
    connection_.send(
        QStringLiteral("Runtime.evaluate"),
        {{QStringLiteral("expression"), QStringLiteral("document.hasFocus()")},
         {QStringLiteral("returnByValue"), true}},
        [self = QPointer(this), targetId, front](const CdpReply& reply) {
            Target* t = self ? self->find(targetId) : nullptr;
            if (!t) return;
            t->asking = false;
            const QJsonValue value = reply.result.value(QStringLiteral("result"))
                                         .toObject()
                                         .value(QStringLiteral("value"));
            if (reply.ok() && value.isBool()) {
                t->inFront = value.toBool();
                t->window = t->inFront ? front : 0;
            } else if (reply.failure == OpenFailure::BrowserError) {
                t->sessionId.clear(); // most likely the session went; attach again next time
            }
        },
        target->sessionId);
}

PageTracker::Target* PageTracker::find(const QString& targetId) {
    for (Target& t : targets_)
        if (t.id == targetId) return &t;
    return nullptr;
}

} // namespace kurumin
