#include "platform/browser_link/browser_connection.h"
#include "platform/log.h"

#include <QJsonDocument>
#include <QJsonValue>
#include <QNetworkProxy>
#include <QTimer>

#include <cmath>

namespace kurumin {

namespace {
// The most the browser sends at once is a listing of every page: a few
// hundred bytes a page, a few megabytes with thousands of pages open. It
// sends each message as one frame. Anything past this is not the browser;
// held as text it costs about twice its size.
constexpr quint64 kMostIncoming = 16 * 1024 * 1024;

// The answer to a command of ours, as the handler waiting for it takes it.
BrowserReply replyOf(const QJsonObject& message) {
    BrowserReply reply;
    const QJsonValue err = message.value(QStringLiteral("error"));
    if (err.isUndefined()) {
        reply.result = message.value(QStringLiteral("result")).toObject();
        return reply;
    }
    // DevTools: error {code, message}; BiDi: error "<code>" beside message.
    reply.failure = OpenFailure::BrowserError;
    reply.detail = err.isObject() ? err.toObject().value(QStringLiteral("message")).toString()
                                  : message.value(QStringLiteral("message")).toString();
    if (reply.detail.isEmpty()) reply.detail = err.toString();
    if (reply.detail.isEmpty()) reply.detail = QStringLiteral("the browser refused");
    return reply;
}

} // namespace

BrowserConnection::BrowserConnection(QObject* parent) : QObject(parent) {
    // The browser is on loopback; a proxy from the environment would only get in the way.
    socket_.setProxy(QNetworkProxy::NoProxy);
    // Without a bound the socket buffers whatever a peer claims to send.
    socket_.setMaxAllowedIncomingFrameSize(kMostIncoming);
    socket_.setMaxAllowedIncomingMessageSize(kMostIncoming);
    connect(&socket_, &QWebSocket::connected, this, [this] {
        if (state_ != State::Connecting) return;
        state_ = State::Open;
        emit opened();
    });
    connect(&socket_, &QWebSocket::disconnected, this, [this] {
        onGone(socket_.closeCode() == QWebSocketProtocol::CloseCodeTooMuchData
                   ? QStringLiteral("the browser sent more than a message can hold")
                   : QStringLiteral("the browser closed the connection"));
    });
    connect(&socket_, QOverload<QAbstractSocket::SocketError>::of(&QWebSocket::error), this,
            [this](QAbstractSocket::SocketError) { onGone(socket_.errorString()); });
    connect(&socket_, &QWebSocket::textMessageReceived, this, &BrowserConnection::handleMessage);
}

BrowserConnection::~BrowserConnection() {
    // Nobody is left to tell; drop the handlers without calling them.
    pending_.clear();
    state_ = State::Idle;
    socket_.disconnect(this);
    socket_.abort();
}

void BrowserConnection::open(const QUrl& url) {
    if (state_ != State::Idle) return;
    state_ = State::Connecting;
    const quint64 attempt = ++connectAttempt_;
    // A listener that accepts but never shakes hands must not leave us waiting.
    QTimer::singleShot(timeoutMs_, this, [this, attempt] {
        if (state_ == State::Connecting && attempt == connectAttempt_)
            onGone(QStringLiteral("no answer to the connection request"), true);
    });
    socket_.open(url);
}

void BrowserConnection::close() {
    if (state_ == State::Idle) return;
    onGone(QStringLiteral("connection closed"));
}

void BrowserConnection::send(const QString& method, const QJsonObject& params, ReplyHandler handler,
                             const QString& sessionId, int timeoutMs) {
    if (state_ != State::Open) {
        failLater(std::move(handler), OpenFailure::ConnectionLost,
                  QStringLiteral("not connected to the browser"));
        return;
    }
    const qint64 id = nextId_++;
    QJsonObject message{{QStringLiteral("id"), id},
                        {QStringLiteral("method"), method},
                        {QStringLiteral("params"), params}};
    if (!sessionId.isEmpty()) message.insert(QStringLiteral("sessionId"), sessionId);
    pending_.emplace(id, std::move(handler));
    if (timeoutMs != 0)
        QTimer::singleShot(timeoutMs < 0 ? timeoutMs_ : timeoutMs, this,
                           [this, id] { expire(id); });
    qCDebug(lcProtocol, "sent %lld %s", id, qUtf8Printable(method));
    socket_.sendTextMessage(
        QString::fromUtf8(QJsonDocument(message).toJson(QJsonDocument::Compact)));
    // Written now: left to the socket, each command costs the loop a write
    // notifier turned on and off, and a turn of its own.
    socket_.flush();
}

void BrowserConnection::handleMessage(const QString& text) {
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(text.toUtf8(), &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject()) return;
    const QJsonObject message = doc.object();
    const QString sessionId = message.value(QStringLiteral("sessionId")).toString();

    const QJsonValue idValue = message.value(QStringLiteral("id"));
    if (!idValue.isUndefined()) {
        // Ours are whole numbers below nextId_; any other number is not, and
        // one beyond the range of qint64 cannot even be converted.
        const double number = idValue.toDouble();
        if (!idValue.isDouble() || !(number >= 1 && number < double(nextId_)) ||
            number != std::floor(number))
            return;
        const auto it = pending_.find(qint64(number));
        if (it == pending_.end()) return; // late, after its deadline, or never ours
        ReplyHandler handler = std::move(it->second);
        pending_.erase(it);
        qCDebug(lcProtocol, "answer %lld", qint64(number));
        if (handler) handler(replyOf(message));
        return;
    }

    const QString method = message.value(QStringLiteral("method")).toString();
    if (method.isEmpty()) return;
    qCDebug(lcProtocol, "event %s", qUtf8Printable(logSafe(method)));
    emit notified(method, message.value(QStringLiteral("params")).toObject(), sessionId);
}

void BrowserConnection::onGone(const QString& detail, bool unanswered) {
    if (state_ == State::Idle) return;
    const bool wasOpen = state_ == State::Open;
    state_ = State::Idle;
    ++connectAttempt_;
    // Handlers may send again or reconnect; they must see a settled state.
    std::map<qint64, ReplyHandler> failed;
    failed.swap(pending_);
    socket_.abort();
    for (auto& [id, handler] : failed)
        failLater(std::move(handler), OpenFailure::ConnectionLost, detail);
    if (wasOpen)
        emit lost(detail);
    else
        emit openFailed(detail, unanswered);
}

void BrowserConnection::expire(qint64 id) {
    const auto it = pending_.find(id);
    if (it == pending_.end()) return;
    ReplyHandler handler = std::move(it->second);
    pending_.erase(it);
    BrowserReply reply;
    reply.failure = OpenFailure::Timeout;
    reply.detail = QStringLiteral("no answer from the browser in time");
    if (handler) handler(reply);
}

void BrowserConnection::failLater(ReplyHandler handler, OpenFailure failure,
                                  const QString& detail) {
    if (!handler) return;
    QTimer::singleShot(0, this, [handler = std::move(handler), failure, detail] {
        BrowserReply reply;
        reply.failure = failure;
        reply.detail = detail;
        handler(reply);
    });
}

} // namespace kurumin
