// The DevToolsActivePort file: whatever another program left in the profile.

#include "platform/chromium/browser_launch.h"

#include "fuzz_support.h"

#include <QFile>
#include <QTemporaryDir>

using namespace kurumin;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static QTemporaryDir dir;
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const std::optional<QUrl> parsed = parseDevToolsPort(bytes);
    if (parsed) {
        // Only ever the browser on this machine, at the path it names.
        check(parsed->scheme() == u"ws", "scheme"); // an invalid URL has none
        check(parsed->host() == u"127.0.0.1", "host");
        check(parsed->port() > 0 && parsed->port() <= 65535, "port");
        check(parsed->path().startsWith(u"/devtools/browser/"), "path");
        check(!parsed->hasQuery() && !parsed->hasFragment() && parsed->userInfo().isEmpty(),
              "more than a port and a path");
        check(QUrl(parsed->toString()) == *parsed, "the URL does not survive a round trip");
    }

    QFile f(devToolsPortFile(dir.path()));
    check(f.open(QIODevice::WriteOnly | QIODevice::Truncate), "cannot write the port file");
    f.write(bytes);
    f.close();
    const std::optional<QUrl> read = readDevToolsPort(dir.path());
    // The reader looks at the first 4 KiB only.
    if (size <= 4096) check(read == parsed, "the file and its contents read differently");
    return 0;
}
