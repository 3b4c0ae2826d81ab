#include "platform/firefox/context_tracker.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QPointer>

#include <algorithm>
#include <utility>

namespace kurumin {

namespace {

const QString kChannel = QStringLiteral("kurumin-shown");
const QString kSandbox = QStringLiteral("kurumin");

// Runs in a sandbox of its own, so the page can neither see nor fake it.
// Listeners are added once per document; each run hands them the current
// session's channel, and a later run (a new session) hears the state afresh.
// Only changes are told: a change of what shows at once, a title (however
// often it changes, and whatever events the page fires with it) at most every
// 100 ms. A blank document, a new window's first and as a rule replaced at
// once, tells once it has been still for 200 ms: a window coming up is a
// burst of focus and visibility changes.
const QString kReporter = QStringLiteral(
    "(tell) => {"
    " if (window.top !== window) return;"
    " window.__kuruminTell = tell;"
    " const tellNow = () => {"
    "  const now = JSON.stringify([document.visibilityState, document.hasFocus(), document.title]);"
    "  if (now === window.__kuruminLast) return;"
    "  window.__kuruminLast = now;"
    "  window.__kuruminTell(now);"
    " };"
    " const report = () => {"
    "  if (location.href !== '' && location.href !== 'about:blank') return tellNow();"
    "  clearTimeout(window.__kuruminBlank);"
    "  window.__kuruminBlank = setTimeout(tellNow, 200);"
    " };"
    " if (!window.__kuruminWatch) {"
    "  window.__kuruminWatch = true;"
    "  const retitled = () => {"
    "   if (window.__kuruminHeld) { window.__kuruminAgain = true; return; }"
    "   report();"
    "   window.__kuruminHeld = true;"
    "   setTimeout(() => {"
    "    window.__kuruminHeld = false;"
    "    if (window.__kuruminAgain) { window.__kuruminAgain = false; retitled(); }"
    "   }, 100);"
    "  };"
    "  const on = () => {"
    "   const shown = document.visibilityState + document.hasFocus();"
    "   if (shown === window.__kuruminShown) return retitled();"
    "   window.__kuruminShown = shown;"
    "   report();"
    "  };"
    "  document.addEventListener('visibilitychange', on);"
    "  addEventListener('focus', on);"
    "  addEventListener('blur', on);"
    "  addEventListener('pageshow', on);"
    "  const titles = () => {"
    "   if (document.head) new MutationObserver(retitled).observe(document.head,"
    "    {subtree: true, childList: true, characterData: true});"
    "   on();"
    "  };"
    "  if (document.readyState === 'loading') document.addEventListener('DOMContentLoaded', "
    "titles);"
    "  else titles();"
    " } else {"
    "  window.__kuruminLast = undefined;"
    " }"
    " report();"
    "}");

QJsonArray channelArgument() {
    return {
        QJsonObject{{QStringLiteral("type"), QStringLiteral("channel")},
                    {QStringLiteral("value"), QJsonObject{{QStringLiteral("channel"), kChannel}}}}};
}

constexpr std::size_t kMostUnannounced = 16;

bool topLevel(const QJsonObject& params) {
    const QJsonValue parent = params.value(QStringLiteral("parent"));
    return parent.isNull() || parent.isUndefined();
}

} // namespace

ContextTracker::ContextTracker(BrowserConnection& connection, FollowedPages& pages)
    : connection_(connection), pages_(pages) {
    connect(&connection_, &BrowserConnection::lost, this, [this] { unannounced_.clear(); });
    connect(&connection_, &BrowserConnection::notified, this,
            [this](const QString& method, const QJsonObject& params, const QString&) {
                onEvent(method, params);
            });
}

void ContextTracker::start() {
    pages_.clear();
    unannounced_.clear();
    connection_.send(QStringLiteral("script.addPreloadScript"),
                     {{QStringLiteral("functionDeclaration"), kReporter},
                      {QStringLiteral("arguments"), channelArgument()},
                      {QStringLiteral("sandbox"), kSandbox}},
                     nullptr);
    // The connection may outlive this tracker; its answers must not reach a tracker gone.
    connection_.send(QStringLiteral("browsingContext.getTree"), {{QStringLiteral("maxDepth"), 0}},
                     [self = QPointer(this)](const BrowserReply& reply) {
                         if (!self || !reply.ok()) return;
                         for (const QJsonValue& v :
                              reply.result.value(QStringLiteral("contexts")).toArray()) {
                             const QJsonObject info = v.toObject();
                             const QString id = info.value(QStringLiteral("context")).toString();
                             if (id.isEmpty()) continue;
                             FollowedPages::Page& c = self->track(id);
                             // Events since the listing was asked for are newer than it.
                             if (c.url.isEmpty())
                                 c.url = info.value(QStringLiteral("url")).toString();
                             self->report(id);
                         }
                         self->pages_.changed();
                     });
}

void ContextTracker::onEvent(const QString& method, const QJsonObject& params) {
    if (method == u"script.message") {
        if (params.value(QStringLiteral("channel")).toString() != kChannel) return;
        const QJsonObject data = params.value(QStringLiteral("data")).toObject();
        if (data.value(QStringLiteral("type")).toString() != u"string") return;
        const QString context = params.value(QStringLiteral("source"))
                                    .toObject()
                                    .value(QStringLiteral("context"))
                                    .toString();
        return told(context, data.value(QStringLiteral("value")).toString());
    }
    if (!topLevel(params)) return; // a frame inside a page
    const QString id = params.value(QStringLiteral("context")).toString();
    if (id.isEmpty()) return;
    const QString url = params.value(QStringLiteral("url")).toString();
    if (method == u"browsingContext.contextCreated") {
        // Its reporter may have spoken already; what it told stays.
        track(id).url = url;
        pages_.changed();
    } else if (method == u"browsingContext.contextDestroyed") {
        pages_.forget(id);
    } else if (method == u"browsingContext.navigationCommitted" ||
               method == u"browsingContext.fragmentNavigated" ||
               method == u"browsingContext.historyUpdated") {
        // Frames share these events; only a context announced as a tab counts.
        if (FollowedPages::Page* c = pages_.find(id); c && !url.isEmpty()) {
            c->url = url;
            pages_.changed();
        }
    }
}

void ContextTracker::report(const QString& context) {
    connection_.send(
        QStringLiteral("script.callFunction"),
        {{QStringLiteral("functionDeclaration"), kReporter},
         {QStringLiteral("arguments"), channelArgument()},
         {QStringLiteral("awaitPromise"), false},
         {QStringLiteral("target"), QJsonObject{{QStringLiteral("context"), context},
                                                {QStringLiteral("sandbox"), kSandbox}}}},
        nullptr);
}

// A report may come before its context is announced; it waits for it. Some
// are never announced (Firefox's preloaded new tab page): those are no tab.
void ContextTracker::told(const QString& context, const QString& words) {
    const QJsonArray state = QJsonDocument::fromJson(words.toUtf8()).array();
    if (context.isEmpty() || state.size() != 3 || !state[0].isString() || !state[1].isBool() ||
        !state[2].isString())
        return;
    if (FollowedPages::Page* c = pages_.find(context)) return apply(*c, state);
    std::erase_if(unannounced_, [&](const auto& u) { return u.first == context; });
    if (unannounced_.size() >= kMostUnannounced) unannounced_.erase(unannounced_.begin());
    unannounced_.emplace_back(context, state);
}

void ContextTracker::apply(FollowedPages::Page& page, const QJsonArray& state) {
    page.title = state[2].toString();
    pages_.tell(page, state[0].toString() == u"visible", state[1].toBool());
}

FollowedPages::Page& ContextTracker::track(const QString& id) {
    bool added = false;
    FollowedPages::Page& page = pages_.track(id, &added);
    if (!added) return page;
    const auto early = std::find_if(unannounced_.begin(), unannounced_.end(),
                                    [&](const auto& u) { return u.first == id; });
    if (early != unannounced_.end()) {
        const QJsonArray state = early->second;
        unannounced_.erase(early);
        apply(page, state);
    }
    return page;
}

} // namespace kurumin
