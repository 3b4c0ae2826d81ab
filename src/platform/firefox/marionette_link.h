#pragma once
// Firefox's Marionette port, used for one thing: a WebDriver session whose
// life is tied to this TCP connection, so that Firefox ends it when we go,
// however we go. Messages are "<length>:<JSON>"; commands [0, id, name,
// params], answers [1, id, error, result].

#include "platform/browser.h"

#include <QByteArray>
#include <QJsonObject>
#include <QObject>
#include <QTcpSocket>

#include <functional>

namespace kurumin {

class MarionetteLink : public QObject {
    Q_OBJECT
  public:
    using Done = std::function<void(const OpenResult& failed, const QJsonObject& result)>;

    MarionetteLink();
    ~MarionetteLink() override;

    // Connects, awaits the greeting and asks for a session. Ends in exactly
    // one call of done, never from inside this call.
    void newSession(quint16 port, const QJsonObject& capabilities, int timeoutMs, Done done);
    // Ends the session with the connection.
    void close();
    bool hasSession() const { return state_ == State::Open; }

    // Splits one message off the front of `buffer`: nothing while incomplete,
    // an error for a length that is not a length.
    enum class Frame { Incomplete, Whole, Bad };
    static Frame takeFrame(QByteArray& buffer, QByteArray& message);

  signals:
    // The connection dropped after the session was set up; the session is over.
    void gone();

  private:
    enum class State { Idle, Greeting, Asking, Open };
    void onRead();
    void onGone(const QString& detail);
    void finish(const OpenResult& failed, const QJsonObject& result = {});

    QTcpSocket socket_;
    QByteArray buffer_;
    State state_ = State::Idle;
    QJsonObject capabilities_;
    Done done_;
    quint64 attempt_ = 0;
};

} // namespace kurumin
