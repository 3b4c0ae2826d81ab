#pragma once
// Shared by the Chromium port's tests.

#include "platform/browser.h"
#include "platform/desktop.h"
#include "platform/fake/fakes.h"

#include <QStringList>

#include <memory>
#include <optional>
#include <vector>

// What an open's callback was given, and how often.
struct OpenOutcome {
    std::optional<kurumin::OpenResult> result;
    int calls = 0;
};

// On the port or anything else that opens pages like it.
template <typename Opener> std::shared_ptr<OpenOutcome> openOn(Opener& port, const QString& url) {
    auto outcome = std::make_shared<OpenOutcome>();
    port.openPage(url, [outcome](const kurumin::OpenResult& r) {
        outcome->result = r;
        ++outcome->calls;
    });
    return outcome;
}
