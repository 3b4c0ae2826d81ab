#include "platform/chromium/page_tracker.h"

#include <QJsonArray>
#include <QJsonValue>
#include <QPointer>
#include <QRegularExpression>
#include <QStringList>
#include <QTimer>

namespace kurumin {

namespace {

// A world of our own in each page: the page's scripts can neither see nor call into it.
const QString kWorld = QStringLiteral("kurumin");

// Answers at once when the page's state differs from `seen`, else at its
// next change; events that change nothing answer nothing. Set up once per
// world; each wait after the first in it is the short call alone.
const QString kListener = QStringLiteral(
    "((seen) => {"
    " let k = window.__kurumin;"
    " if (!k) {"
    "  const state = () => document.visibilityState + (document.hasFocus() ? ' focus' : '');"
    "  k = window.__kurumin = {waiting: []};"
    "  const tell = () => {"
    "   const now = state();"
    "   k.waiting = k.waiting.filter(([was, a]) => was === now || (a(now), false));"
    "  };"
    "  document.addEventListener('visibilitychange', tell);"
    "  addEventListener('focus', tell);"
    "  addEventListener('blur', tell);"
    "  k.wait = (seen) => new Promise((answer) => {"
    "   const now = state();"
    "   if (now !== seen) answer(now); else k.waiting.push([seen, answer]);"
    "  });"
    " }"
    " return k.wait(seen);"
    "})('%1')");
const QString kWait = QStringLiteral("__kurumin.wait('%1')");

// Pages only: each window also holds a few of the browser's own targets,
// whose events and listing entries would cost every open for nothing.
const QJsonArray kPagesOnly{QJsonObject{{QStringLiteral("type"), QStringLiteral("page")}}};

constexpr int kRelists = 5; // per front window and title
constexpr int kRelistPauseMs = 100;
constexpr int kRetries = 3; // a page whose world keeps failing is left until its next document

} // namespace

PageTracker::PageTracker(BrowserConnection& connection, FollowedPages& pages)
    : connection_(connection), pages_(pages) {
    connect(&connection_, &BrowserConnection::notified, this, &PageTracker::onEvent);
    pages_.setUnmatchedHandler([this](bool first, const QString& likely) {
        if (first) relists_ = 0;
        if (listing_ || relists_ >= kRelists) return;
        // After the entry, a listing still needed goes at once.
        if (first) return askAbout(likely);
        relistAgain();
    });
}

void PageTracker::start() {
    pages_.clear();
    connection_.send(QStringLiteral("Target.setDiscoverTargets"),
                     {{QStringLiteral("discover"), true}, {QStringLiteral("filter"), kPagesOnly}},
                     [self = QPointer(this)](const BrowserReply& reply) {
                         // A browser older than the filter: every target, sorted here.
                         if (self && reply.failure == OpenFailure::BrowserError)
                             self->connection_.send(QStringLiteral("Target.setDiscoverTargets"),
                                                    {{QStringLiteral("discover"), true}}, nullptr);
                     });
    // Every page, open now or later, comes attached: no round trip per page.
    connection_.send(QStringLiteral("Target.setAutoAttach"),
                     {{QStringLiteral("autoAttach"), true},
                      {QStringLiteral("waitForDebuggerOnStart"), false},
                      {QStringLiteral("flatten"), true},
                      {QStringLiteral("filter"), kPagesOnly}},
                     nullptr);
}

void PageTracker::onEvent(const QString& method, const QJsonObject& params,
                          const QString& sessionId) {
    if (!sessionId.isEmpty()) return;
    if (method == u"Target.targetCreated" || method == u"Target.targetInfoChanged") {
        updateTarget(params.value(QStringLiteral("targetInfo")).toObject());
    } else if (method == u"Target.targetDestroyed") {
        pages_.forget(params.value(QStringLiteral("targetId")).toString());
    } else if (method == u"Target.attachedToTarget") {
        const QJsonObject info = params.value(QStringLiteral("targetInfo")).toObject();
        const QString session = params.value(QStringLiteral("sessionId")).toString();
        if (info.value(QStringLiteral("type")).toString() != u"page" || session.isEmpty()) return;
        updateTarget(info);
        if (FollowedPages::Page* p =
                pages_.find(info.value(QStringLiteral("targetId")).toString())) {
            p->session = session;
            listen(p->id);
        }
    } else if (method == u"Target.detachedFromTarget") {
        if (FollowedPages::Page* p =
                pages_.findSession(params.value(QStringLiteral("sessionId")).toString())) {
            p->session.clear();
            p->waiting = false;
            pages_.tell(*p, false, false);
        }
    }
}

void PageTracker::updateTarget(const QJsonObject& info) {
    const QString id = info.value(QStringLiteral("targetId")).toString();
    if (id.isEmpty()) return;
    if (info.value(QStringLiteral("type")).toString() != u"page") return pages_.forget(id);
    bool added = false;
    FollowedPages::Page& page = pages_.track(id, &added);
    QString url = info.value(QStringLiteral("url")).toString();
    QString title = info.value(QStringLiteral("title")).toString();
    // Most of a new window's notices change neither.
    if (!added && page.url == url && page.title == title) return;
    const bool retitled = added || page.title != title;
    page.url = std::move(url);
    page.title = std::move(title);
    pages_.changed();
    if (retitled) followTwins(page.title);
}

// A title two pages show no longer tells which is in front: each of them is
// followed again, from the state last heard, for as long as another shares it.
void PageTracker::followTwins(const QString& title) {
    if (pages_.showing(title) < 2) return;
    for (const FollowedPages::Page& p : pages_.all()) {
        if (p.title != title || p.waiting || p.session.isEmpty()) continue;
        const QString seen = p.told ? QStringLiteral("%1%2").arg(p.visible ? u"visible" : u"hidden",
                                                                 p.focused ? u" focus" : u"")
                                    : QString();
        listen(p.id, seen);
    }
}

// The page's world tells the page's state, then waits for its changes, one
// evaluation at a time, while another page shares its title: a page alone
// with its title is in front exactly when its title is, and costs no more.
// A world lasts as long as its document: a document that goes fails the
// wait, and the next one is given a world afresh.
void PageTracker::listen(const QString& targetId, const QString& seen, int failures) {
    FollowedPages::Page* page = pages_.find(targetId);
    if (!page || page->session.isEmpty()) return;
    page->waiting = true;
    const QString session = page->session;
    // The connection may outlive this tracker; its answers must not reach a tracker gone.
    connection_.send(
        QStringLiteral("Page.createIsolatedWorld"),
        {{QStringLiteral("frameId"), targetId}, {QStringLiteral("worldName"), kWorld}},
        [self = QPointer(this), targetId, session, seen, failures](const BrowserReply& reply) {
            const QJsonValue context = reply.result.value(QStringLiteral("executionContextId"));
            if (!self) return;
            if (!reply.ok() || !context.isDouble())
                return self->retryLater(targetId, session, failures);
            self->awaitChange(targetId, session, context, seen, failures);
        },
        session);
}

void PageTracker::retryLater(const QString& targetId, const QString& session, int failures) {
    FollowedPages::Page* p = pages_.find(targetId);
    if (!p || p->session != session) return;
    if (failures >= kRetries) { // not shown, as far as known
        p->waiting = false;
        return pages_.tell(*p, false, false);
    }
    QTimer::singleShot(failures * kRelistPauseMs, this,
                       [this, targetId, failures] { listen(targetId, QString(), failures + 1); });
}

void PageTracker::awaitChange(const QString& targetId, const QString& session,
                              const QJsonValue& context, const QString& seen, int failures,
                              bool set) {
    connection_.send(
        QStringLiteral("Runtime.evaluate"),
        {{QStringLiteral("expression"), (set ? kWait : kListener).arg(seen)},
         {QStringLiteral("contextId"), context},
         {QStringLiteral("awaitPromise"), true},
         {QStringLiteral("returnByValue"), true}},
        [self = QPointer(this), targetId, session, context, failures](const BrowserReply& answer) {
            FollowedPages::Page* p = self ? self->pages_.find(targetId) : nullptr;
            if (!p || p->session != session) return;
            const QJsonValue value = answer.result.value(QStringLiteral("result"))
                                         .toObject()
                                         .value(QStringLiteral("value"));
            if (!answer.ok() || !value.isString()) {
                if (answer.failure != OpenFailure::ConnectionLost)
                    self->retryLater(targetId, session, failures);
                return;
            }
            // Only the listener's own words: anything else ends the wait.
            if (self->told(*p, value.toString()) && self->pages_.showing(p->title) > 1)
                return self->awaitChange(targetId, session, context, value.toString(), 0, true);
            p->waiting = false;
        },
        session, 0);
}

bool PageTracker::told(FollowedPages::Page& page, const QString& state) {
    static const QRegularExpression words(QStringLiteral("^(visible|hidden|prerender)( focus)?$"));
    const auto m = words.match(state);
    if (!m.hasMatch()) return false;
    pages_.tell(page, m.captured(1) == u"visible", m.hasCaptured(2));
    return true;
}

// The first listing for a front window and title at once, each later one a pause on.
void PageTracker::relistAgain() {
    relist(relists_++ == 0 ? 0 : kRelistPauseMs);
}

void PageTracker::relist(int afterMs) {
    listing_ = true;
    // The connection may outlive this tracker; its answers must not reach a tracker gone.
    QTimer::singleShot(afterMs, this, [this] {
        if (!connection_.isOpen()) {
            listing_ = false;
            return;
        }
        connection_.send(QStringLiteral("Target.getTargets"),
                         {{QStringLiteral("filter"), kPagesOnly}},
                         [self = QPointer(this)](const BrowserReply& reply) {
                             if (!self) return;
                             self->listing_ = false;
                             if (!reply.ok() || !self->connection_.isOpen()) return;
                             self->reconcile(reply.result);
                         });
    });
}

// Most often the page in front is the likeliest one: its own entry costs
// far less than the listing of every page, which follows only when the
// entry tells nothing new.
void PageTracker::askAbout(const QString& targetId) {
    listing_ = true;
    connection_.send(
        QStringLiteral("Target.getTargetInfo"), {{QStringLiteral("targetId"), targetId}},
        [self = QPointer(this), targetId](const BrowserReply& reply) {
            if (!self) return;
            self->listing_ = false;
            if (!self->connection_.isOpen()) return;
            const FollowedPages::Page* page = self->pages_.find(targetId);
            const QString was = page ? page->title : QString();
            if (reply.ok())
                self->updateTarget(reply.result.value(QStringLiteral("targetInfo")).toObject());
            page = self->pages_.find(targetId);
            if (!page || page->title == was) self->relistAgain();
        });
}

// Titles a page sets itself are not always announced: the browser's own
// listing may know the title the window shows, or will a moment later.
void PageTracker::reconcile(const QJsonObject& listing) {
    QStringList listed;
    for (const QJsonValue& v : listing.value(QStringLiteral("targetInfos")).toArray()) {
        const QJsonObject info = v.toObject();
        if (info.value(QStringLiteral("type")).toString() != u"page") continue;
        listed << info.value(QStringLiteral("targetId")).toString();
        updateTarget(info);
    }
    for (const FollowedPages::Page& p : std::vector(pages_.all()))
        if (!listed.contains(p.id)) pages_.forget(p.id);
}

} // namespace kurumin
