#include "platform/fake/fakes.h"

#include <stdexcept>

namespace kurumin::fake {

MsgResult MessageBox::show(const QString& text, const QString& title, MsgButtons buttons,
                           MsgIcon icon) {
    shown.push_back({text, title, buttons, icon});
    if (whileOpen) {
        auto during = std::move(whileOpen);
        whileOpen = nullptr;
        during();
    }
    if (answers.empty()) return MsgResult::Ok;
    const MsgResult r = answers.front();
    answers.pop_front();
    return r;
}

QByteArray WindowSystem::windowTitle(WindowHandle window, int maxBytes) {
    auto it = titles.find(window);
    if (it == titles.end() || maxBytes <= 0) return {};
    return it->second.left(maxBytes - 1);
}

namespace {
Profile::Section* findSection(std::vector<std::pair<QString, Profile::Section>>& file,
                              const QString& name) {
    for (auto& [n, sec] : file)
        if (n.compare(name, Qt::CaseInsensitive) == 0) return &sec;
    return nullptr;
}
} // namespace

QString Profile::read(const QString& file, const QString& section, const QString& key,
                      const QString& defaultValue) {
    auto f = files.find(file);
    if (f == files.end()) return defaultValue;
    Section* sec = findSection(f->second, section);
    if (!sec) return defaultValue;
    for (auto& [k, v] : *sec)
        if (k.compare(key, Qt::CaseInsensitive) == 0) return v;
    return defaultValue;
}

void Profile::write(const QString& file, const QString& section, const QString& key,
                    const QString& value) {
    ++writes;
    auto& f = files[file];
    Section* sec = findSection(f, section);
    if (!sec) {
        f.push_back({section, {}});
        sec = &f.back().second;
    }
    for (auto& [k, v] : *sec)
        if (k.compare(key, Qt::CaseInsensitive) == 0) {
            v = value;
            return;
        }
    sec->push_back({key, value});
}

void Profile::apply(const QString& file, const std::vector<ProfileEdit>& edits) {
    if (fail) throw PlatformFailure("cannot write " + file.toStdString());
    ++commits;
    for (const ProfileEdit& e : edits) {
        if (e.kind == ProfileEdit::Write) {
            write(file, e.section, e.key, e.value);
        } else if (auto f = files.find(file); f != files.end()) {
            std::erase_if(f->second, [&](const auto& s) {
                return s.first.compare(e.section, Qt::CaseInsensitive) == 0;
            });
        }
    }
}

std::unique_ptr<TimerPort> Timers::create(const QString& name, int intervalMs,
                                          std::function<void()> onTick) {
    auto t = std::make_unique<Timer>(name, intervalMs, std::move(onTick));
    byName[name] = t.get();
    return t;
}

Timer& Timers::operator[](const QString& name) {
    auto it = byName.find(name);
    if (it == byName.end()) throw std::out_of_range("no fake timer " + name.toStdString());
    return *it->second;
}

int EventLoop::runPending() {
    int ran = 0;
    while (!queue.empty()) {
        auto task = std::move(queue.front());
        queue.pop_front();
        task();
        ++ran;
    }
    return ran;
}

void Browser::openPage(const QString& url, OpenCallback done) {
    requested.push_back(url);
    const QString address = normaliseBrowserAddress(url);
    const OpenFailure failure = address.isEmpty() ? OpenFailure::Refused : failWith;
    loop_.post([this, address, failure, done = std::move(done)] {
        if (failure == OpenFailure::None) open.push_back({0, address, QString(), false});
        if (done) done(OpenResult{failure, {}});
    });
}

QStringList Browser::opened() const {
    QStringList urls;
    for (const BrowserPage& p : open)
        urls << p.url;
    return urls;
}

namespace {
// The panel owns what it is given; the window itself stays with the host.
class StepWindowRef : public StepWindowPort {
  public:
    explicit StepWindowRef(StepWindow& w) : w_(w) {}
    ~StepWindowRef() override {
        w_.close();
        w_.input = nullptr;
    }
    WindowHandle handle() override { return w_.handle(); }
    void setTopmost() override { w_.setTopmost(); }
    void startSystemMove() override { w_.startSystemMove(); }
    RectTwips geometry() override { return w_.geometry(); }
    void setGeometry(const RectTwips& rect) override { w_.setGeometry(rect); }
    int monitorLeft() override { return w_.monitorLeft(); }
    void show() override { w_.show(); }
    void close() override { w_.close(); }
    bool isOpen() override { return w_.isOpen(); }
    void showLabels(const std::vector<StepLabelLook>& labels) override { w_.labels = labels; }

  private:
    StepWindow& w_;
};
} // namespace

std::unique_ptr<StepWindowPort> StepWindowFactory::createStepWindow(Direction d,
                                                                    StepLabelInput& input) {
    created.push_back(std::make_unique<StepWindow>(next++, d, input));
    return std::make_unique<StepWindowRef>(*created.back());
}

} // namespace kurumin::fake
