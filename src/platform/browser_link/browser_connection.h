#pragma once
// The message layer both browser protocols share: numbered commands
// {id, method, params} over one WebSocket, replies matched by id, events
// (anything with a method and no id) handed on. The DevTools protocol's
// flattened sessions ride along as sessionId; WebDriver BiDi has none.

#include "platform/browser.h"

#include <QJsonObject>
#include <QObject>
#include <QString>
#include <QUrl>
#include <QWebSocket>

#include <functional>
#include <map>

namespace kurumin {

struct BrowserReply {
    OpenFailure failure = OpenFailure::None; // ConnectionLost, BrowserError or Timeout
    QString detail;
    QJsonObject result;
    bool ok() const { return failure == OpenFailure::None; }
};

class BrowserConnection : public QObject {
    Q_OBJECT
  public:
    using ReplyHandler = std::function<void(const BrowserReply&)>;

    explicit BrowserConnection(QObject* parent = nullptr);
    ~BrowserConnection() override;

    // Applies to the opening handshake as well as to each command.
    void setRequestTimeout(int ms) { timeoutMs_ = ms; }

    // Ends in exactly one of opened() or openFailed().
    void open(const QUrl& url);
    void close();
    bool isOpen() const { return state_ == State::Open; }
    bool isIdle() const { return state_ == State::Idle; }

    // The handler always runs later, as its own event, exactly once. A
    // timeout of 0 waits as long as the connection lasts; -1 is the usual one.
    void send(const QString& method, const QJsonObject& params, ReplyHandler handler,
              const QString& sessionId = {}, int timeoutMs = -1);

    // One text message from the browser, as the socket hands it on.
    void handleMessage(const QString& text);

  signals:
    void opened();
    // `unanswered`: something listens there but never completed the handshake.
    void openFailed(const QString& detail, bool unanswered);
    // The socket went away after opening; pending commands have failed.
    void lost(const QString& detail);
    // An event the browser sent, of a session of ours or of the browser itself.
    void notified(const QString& method, const QJsonObject& params, const QString& sessionId);

  private:
    enum class State { Idle, Connecting, Open };
    void onGone(const QString& detail, bool unanswered = false);
    void expire(qint64 id);
    void failLater(ReplyHandler handler, OpenFailure failure, const QString& detail);

    QWebSocket socket_;
    State state_ = State::Idle;
    int timeoutMs_ = 5000;
    quint64 connectAttempt_ = 0;
    qint64 nextId_ = 1;
    std::map<qint64, ReplyHandler> pending_;
};

} // namespace kurumin
