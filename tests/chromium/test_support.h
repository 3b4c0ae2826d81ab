#pragma once
// Shared by the Chromium port's tests.

#include "fake_devtools.h"
#include "platform/browser.h"
#include "platform/chromium/browser_launch.h"
#include "platform/fake/fakes.h"

#include <QTemporaryDir>

using OpenOutcome = Outcome<kurumin::OpenResult>;

// On the port or anything else that opens pages like it.
template <typename Opener> std::shared_ptr<OpenOutcome> openOn(Opener& port, const QString& url) {
    auto outcome = std::make_shared<OpenOutcome>();
    port.openPage(url, OpenOutcome::recorder(outcome));
    return outcome;
}

// A data folder where no real browser is found or started: one is only
// reached through the port file a test writes.
template <typename Options> struct NoBrowser {
    NoBrowser() {
        options.dataFolder = folder.path();
        options.programs = {"kurumin-no-such-browser"};
    }
    QTemporaryDir folder;
    kurumin::fake::Shell shell;
    Options options;
};

// A loopback port nothing listens on any more.
inline quint16 deadPort() {
    QTcpServer server;
    server.listen(QHostAddress::LocalHost, 0);
    return server.serverPort();
}

// As a browser on `port` would leave it in the profile under `dataFolder`.
inline bool writePortFile(const QString& dataFolder, quint16 port) {
    return writeFile(kurumin::devToolsPortFile(dataFolder + "/browser-profile"),
                     QByteArray::number(port) + "\n/devtools/browser/x\n");
}
