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
// session's channel and reports at once.
const QString kReporter = QStringLiteral(
    "(tell) => {"
    " if (window.top !== window) return;"
    " window.__kuruminTell = tell;"
    " const report = (again) => {"
    "  const now = JSON.stringify([document.visibilityState, document.hasFocus(), document.title]);"
    "  if (now === window.__kuruminLast && !again) return;"
    "  window.__kuruminLast = now;"
    "  window.__kuruminTell(now);"
    " };"
    " if (!window.__kuruminWatch) {"
    "  window.__kuruminWatch = true;"
    "  const on = () => report(false);"
    "  document.addEventListener('visibilitychange', on);"
    "  addEventListener('focus', on);"
    "  addEventListener('blur', on);"
    "  addEventListener('pageshow', on);"
    "  const titles = () => {"
    "   if (document.head) new MutationObserver(on).observe(document.head,"
    "    {subtree: true, childList: true, characterData: true});"
    "   on();"
    "  };"
    "  if (document.readyState === 'loading') document.addEventListener('DOMContentLoaded', "
    "titles);"
    "  else titles();"
    " }"
    " report(true);"
    "}");

QJsonArray channelArgument() {
    return {
        QJsonObject{{QStringLiteral("type"), QStringLiteral("channel")},
                    {QStringLiteral("value"), QJsonObject{{QStringLiteral("channel"), kChannel}}}}};
}

// Firefox names its window "<title> — <browser>", or the browser alone for
// an untitled page. A window title read cut short matches every page title it begins.
const QString kSeparator = QStringLiteral(" \u2014 ");
bool showsTitle(const QString& windowTitle, bool windowTitleCut, const QString& pageTitle) {
    if (pageTitle.isEmpty()) return !windowTitle.isEmpty() && !windowTitle.contains(kSeparator);
    if (windowTitle.startsWith(pageTitle + kSeparator)) return true;
    return windowTitleCut && pageTitle.startsWith(windowTitle);
}

constexpr int kTitleBytes = 1024;
constexpr std::size_t kMostUnannounced = 16;

bool topLevel(const QJsonObject& params) {
    const QJsonValue parent = params.value(QStringLiteral("parent"));
    return parent.isNull() || parent.isUndefined();
}

} // namespace

ContextTracker::ContextTracker(BrowserConnection& connection, WindowSystemPort* desktop,
                               std::function<qint64()> browserProcess)
    : connection_(connection), desktop_(desktop), browserProcess_(std::move(browserProcess)) {
    connect(&connection_, &BrowserConnection::lost, this, &ContextTracker::onLost);
    connect(&connection_, &BrowserConnection::event, this,
            [this](const QString& method, const QJsonObject& params, const QString&) {
                onEvent(method, params);
            });
    if (desktop_) desktop_->setFrontChangeHandler([this] { placeFront(); });
}

ContextTracker::~ContextTracker() {
    if (desktop_) desktop_->setFrontChangeHandler(nullptr);
}

void ContextTracker::start() {
    onLost();
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
                             Context& c = self->track(id);
                             // Events since the listing was asked for are newer than it.
                             if (c.url.isEmpty())
                                 c.url = info.value(QStringLiteral("url")).toString();
                             self->report(id);
                         }
                         self->placeFront();
                     });
}

std::vector<BrowserPage> ContextTracker::pages() const {
    std::vector<BrowserPage> list;
    list.reserve(contexts_.size());
    for (const Context& c : contexts_) {
        const bool inFront = c.id == frontId_;
        list.push_back({inFront ? frontWindow_ : 0, c.url, c.title, inFront});
    }
    return list;
}

std::optional<BrowserPage> ContextTracker::frontPage() const {
    for (const BrowserPage& page : pages())
        if (page.inFront) return page;
    return std::nullopt;
}

void ContextTracker::refresh() {
    if (!desktop_) return;
    const WindowHandle front = desktop_->foregroundWindow();
    const QString title =
        front ? QString::fromUtf8(desktop_->windowTitle(front, kTitleBytes)) : QString();
    if (qHashMulti(1, front, title) != placedFor_) placeFront();
}

void ContextTracker::addOpened(const QString& context, const QString& url) {
    if (context.isEmpty() || find(context) || !connection_.isOpen()) return;
    track(context).url = url;
}

void ContextTracker::onLost() {
    contexts_.clear();
    frontId_.clear();
    frontWindow_ = 0;
    placedFor_ = 0;
    ownerOf_ = {0, 0};
    unannounced_.clear();
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
    } else if (method == u"browsingContext.contextDestroyed") {
        std::erase_if(contexts_, [&](const Context& c) { return c.id == id; });
        if (id == frontId_) placeFront();
    } else if (method == u"browsingContext.navigationCommitted" ||
               method == u"browsingContext.fragmentNavigated" ||
               method == u"browsingContext.historyUpdated") {
        // Frames share these events; only a context announced as a tab counts.
        if (Context* c = find(id); c && !url.isEmpty()) c->url = url;
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
    if (Context* c = find(context)) return apply(*c, state);
    std::erase_if(unannounced_, [&](const auto& u) { return u.first == context; });
    if (unannounced_.size() >= kMostUnannounced) unannounced_.erase(unannounced_.begin());
    unannounced_.emplace_back(context, state);
}

void ContextTracker::apply(Context& c, const QJsonArray& state) {
    c.visible = state[0].toString() == u"visible";
    c.focused = state[1].toBool();
    c.title = state[2].toString();
    c.told = ++reports_;
    placeFront();
}

ContextTracker::Context* ContextTracker::find(const QString& id) {
    for (Context& c : contexts_)
        if (c.id == id) return &c;
    return nullptr;
}

ContextTracker::Context& ContextTracker::track(const QString& id) {
    if (Context* known = find(id)) return *known;
    contexts_.push_back({id, {}, {}, false, false, 0});
    const auto early = std::find_if(unannounced_.begin(), unannounced_.end(),
                                    [&](const auto& u) { return u.first == id; });
    if (early != unannounced_.end()) {
        apply(contexts_.back(), early->second);
        unannounced_.erase(early);
    }
    return contexts_.back();
}

// The visible tab whose title the desktop's front window shows, when that
// window is the browser's. Two windows may show the same title: the one
// whose page has the focus wins, else the one that told last.
void ContextTracker::placeFront() {
    const WindowHandle front = desktop_ ? desktop_->foregroundWindow() : 0;
    const QByteArray raw = front ? desktop_->windowTitle(front, kTitleBytes) : QByteArray();
    const QString title = QString::fromUtf8(raw);
    const bool cut = raw.size() >= kTitleBytes - 4;
    placedFor_ = qHashMulti(1, front, title);
    // A window keeps its process: asked once per front window, not per report.
    if (front != ownerOf_.first) ownerOf_ = {front, front ? desktop_->windowProcess(front) : 0};
    const qint64 owner = ownerOf_.second;
    const qint64 browser = browserProcess_ ? browserProcess_() : 0;
    const bool ours = !desktop_ || (front && (!owner || !browser || owner == browser));
    const Context* best = nullptr;
    for (const Context& c : contexts_) {
        if (!ours || !c.visible) continue;
        if (desktop_ ? !showsTitle(title, cut, c.title) : !c.focused) continue;
        if (!best || std::pair(c.focused, c.told) > std::pair(best->focused, best->told)) best = &c;
    }
    frontId_ = best ? best->id : QString();
    frontWindow_ = best ? front : 0;
}

} // namespace kurumin
