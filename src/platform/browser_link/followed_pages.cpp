#include "platform/browser_link/followed_pages.h"

#include <algorithm>
#include <tuple>
#include <utility>

namespace kurumin {

namespace {

constexpr int kTitleBytes = 1024;

// A window title read cut short matches every page title it begins.
bool showsTitle(const WindowNaming& naming, const QString& windowTitle, bool windowTitleCut,
                const QString& pageTitle) {
    if (pageTitle.isEmpty())
        return naming.untitledShowsName && !windowTitle.isEmpty() &&
               !windowTitle.contains(naming.separator);
    if (windowTitle.startsWith(pageTitle) &&
        QStringView(windowTitle).sliced(pageTitle.size()).startsWith(naming.separator))
        return true;
    return windowTitleCut && pageTitle.startsWith(windowTitle);
}

bool samePage(const BrowserPage& a, const BrowserPage& b) {
    return a.inFront == b.inFront && a.window == b.window && a.url == b.url && a.title == b.title;
}

} // namespace

FollowedPages::FollowedPages(WindowSystemPort* desktop, WindowNaming naming)
    : desktop_(desktop), naming_(std::move(naming)) {
    turn_.setSingleShot(true);
    turn_.setInterval(0);
    connect(&turn_, &QTimer::timeout, this, &FollowedPages::announce);
    if (desktop_) desktop_->setFrontChangeHandler([this] { changed(); });
}

FollowedPages::~FollowedPages() {
    if (desktop_) desktop_->setFrontChangeHandler(nullptr);
}

std::vector<BrowserPage> FollowedPages::pages() {
    if (due_) place();
    std::vector<BrowserPage> list;
    list.reserve(pages_.size());
    for (const Page& p : pages_) {
        const bool inFront = p.id == frontId_;
        list.push_back({inFront ? frontWindow_ : 0, p.url, p.title, inFront});
    }
    return list;
}

std::optional<BrowserPage> FollowedPages::frontPage() {
    if (due_) place();
    if (const Page* p = frontId_.isEmpty() ? nullptr : find(frontId_))
        return BrowserPage{frontWindow_, p->url, p->title, true};
    return std::nullopt;
}

void FollowedPages::setBrowserProcess(qint64 pid) {
    browserProcess_ = pid;
    changed();
}

FollowedPages::Page* FollowedPages::find(const QString& id) {
    for (Page& p : pages_)
        if (p.id == id) return &p;
    return nullptr;
}

FollowedPages::Page* FollowedPages::findSession(const QString& session) {
    if (session.isEmpty()) return nullptr;
    for (Page& p : pages_)
        if (p.session == session) return &p;
    return nullptr;
}

FollowedPages::Page& FollowedPages::track(const QString& id, bool* added) {
    Page* known = find(id);
    if (added) *added = !known;
    if (known) return *known;
    pages_.push_back({});
    pages_.back().id = id;
    return pages_.back();
}

void FollowedPages::forget(const QString& id) {
    std::erase_if(pages_, [&](const Page& p) { return p.id == id; });
    if (id == frontId_) changed();
}

void FollowedPages::clear() {
    pages_.clear();
    ownerOf_ = {0, 0};
    changed();
}

void FollowedPages::addOpened(const QString& id, const QString& url) {
    if (id.isEmpty() || find(id)) return;
    track(id).url = url;
}

void FollowedPages::tell(Page& page, bool visible, bool focused) {
    page.visible = visible;
    page.focused = focused;
    page.told = ++reports_;
    changed();
}

int FollowedPages::showing(const QString& title) const {
    return int(std::count_if(pages_.begin(), pages_.end(),
                             [&](const Page& p) { return p.title == title; }));
}

void FollowedPages::changed() {
    if (due_) return;
    due_ = true;
    turn_.start();
}

// From the turn after a change, never from inside a read.
void FollowedPages::announce() {
    if (due_) place();
    const std::optional<BrowserPage> now = frontPage();
    const BrowserPage page = now.value_or(BrowserPage{});
    if (samePage(page, shown_)) return;
    shown_ = page;
    if (frontChanged_) frontChanged_();
}

void FollowedPages::refresh() {
    if (!desktop_) return;
    const WindowHandle front = desktop_->foregroundWindow();
    const QString title =
        front ? QString::fromUtf8(desktop_->windowTitle(front, kTitleBytes)) : QString();
    if (qHashMulti(1, front, title) != placedFor_) changed();
}

// The visible page whose title the desktop's front window shows, when that
// window is the browser's. Two windows may show the same title: the one
// whose page has the focus wins, else the one that told last. A window just
// brought to the front shows its page before the page can tell it is shown:
// the one page of that title is taken at once.
void FollowedPages::place() {
    due_ = false;
    const WindowHandle front = desktop_ ? desktop_->foregroundWindow() : 0;
    const QByteArray raw = front ? desktop_->windowTitle(front, kTitleBytes) : QByteArray();
    const QString title = QString::fromUtf8(raw);
    const bool cut = raw.size() >= kTitleBytes - 4;
    placedFor_ = qHashMulti(1, front, title);
    // A window keeps its process: asked once per front window, not per report.
    if (front != ownerOf_.first) ownerOf_ = {front, front ? desktop_->windowProcess(front) : 0};
    const qint64 owner = ownerOf_.second;
    const bool ours =
        !desktop_ || (front && (!owner || !browserProcess_ || owner == browserProcess_));
    const Page* best = nullptr;
    const Page* likely = nullptr;
    const Page* titled = nullptr;
    int titledCount = 0;
    bool untold = false;
    for (const Page& p : pages_) {
        untold = untold || !p.told;
        if (!ours) continue;
        const bool shows = desktop_ ? showsTitle(naming_, title, cut, p.title) : p.focused;
        if (shows && desktop_) titled = (++titledCount, &p);
        const auto before = [&p](const Page* other) {
            return !other || std::tuple(p.visible, p.focused, p.told) >
                                 std::tuple(other->visible, other->focused, other->told);
        };
        if (before(likely)) likely = &p;
        if (shows && p.visible && before(best)) best = &p;
    }
    if (!best && titledCount == 1) best = titled;
    frontId_ = best ? best->id : QString();
    frontWindow_ = best ? front : 0;
    // A page just opened tells its title and state a moment after its window shows: a
    // listing meanwhile would find nothing new.
    if (best || untold || !likely || !front || title.isEmpty() || !unmatched_) return;
    const bool first = unmatchedFor_ != placedFor_;
    unmatchedFor_ = placedFor_;
    const QString id = likely->id; // the handler may change the pages
    unmatched_(first, id);
}

} // namespace kurumin
