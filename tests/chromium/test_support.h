#pragma once
// Shared by the Chromium port's tests.

#include "platform/browser.h"
#include "platform/desktop.h"

#include <QStringList>

#include <memory>
#include <optional>
#include <vector>

class RecordingShell : public kurumin::ShellPort {
  public:
    bool open(const QString& target, const QString& workingFolder) override {
        opened.push_back({target, workingFolder});
        return succeed;
    }
    std::vector<QStringList> opened;
    bool succeed = true;
};

// What an open's callback was given, and how often.
struct OpenOutcome {
    std::optional<kurumin::OpenResult> result;
    int calls = 0;
};

inline std::shared_ptr<OpenOutcome> openOn(kurumin::BrowserPort& port, const QString& url) {
    auto outcome = std::make_shared<OpenOutcome>();
    port.openPage(url, [outcome](const kurumin::OpenResult& r) {
        outcome->result = r;
        ++outcome->calls;
    });
    return outcome;
}
