#include "platform/firefox/marionette_link.h"

#include <QHostAddress>
#include <QJsonArray>
#include <QJsonDocument>
#include <QNetworkProxy>
#include <QTimer>

#include <algorithm>

namespace kurumin {

namespace {
// Its answers are a greeting and a session's capabilities, a few hundred bytes.
constexpr qsizetype kMostMessage = 1024 * 1024;
} // namespace

MarionetteLink::MarionetteLink() {
    socket_.setProxy(QNetworkProxy::NoProxy);
    connect(&socket_, &QTcpSocket::readyRead, this, &MarionetteLink::onRead);
    connect(&socket_, &QTcpSocket::disconnected, this,
            [this] { onGone(QStringLiteral("the browser closed the connection")); });
    connect(&socket_, &QTcpSocket::errorOccurred, this,
            [this](QAbstractSocket::SocketError) { onGone(socket_.errorString()); });
}

MarionetteLink::~MarionetteLink() {
    done_ = nullptr;
    socket_.disconnect(this);
    socket_.abort();
}

void MarionetteLink::newSession(quint16 port, const QJsonObject& capabilities, int timeoutMs,
                                Done done) {
    close();
    done_ = std::move(done);
    capabilities_ = capabilities;
    buffer_.clear();
    state_ = State::Greeting;
    const quint64 attempt = ++attempt_;
    // A listener that never greets or never answers must not leave us waiting.
    QTimer::singleShot(timeoutMs, this, [this, attempt] {
        if (attempt == attempt_ && state_ != State::Open && state_ != State::Idle)
            finish(OpenResult::failed(OpenFailure::Timeout,
                                      QStringLiteral("no session from the browser in time")));
    });
    socket_.connectToHost(QHostAddress::LocalHost, port);
}

void MarionetteLink::close() {
    ++attempt_;
    const bool had = state_ != State::Idle;
    state_ = State::Idle;
    if (done_)
        finish(
            OpenResult::failed(OpenFailure::ConnectionLost, QStringLiteral("connection closed")));
    if (!had) return;
    socket_.flush();
    socket_.abort();
}

MarionetteLink::Frame MarionetteLink::takeFrame(QByteArray& buffer, QByteArray& message) {
    const qsizetype colon = buffer.indexOf(':');
    if (colon < 0) return buffer.size() > 8 ? Frame::Bad : Frame::Incomplete;
    bool numeric = false;
    const qsizetype length = buffer.left(colon).toLongLong(&numeric);
    if (!numeric || colon == 0 || colon > 8 || length < 0 || length > kMostMessage ||
        !std::all_of(buffer.begin(), buffer.begin() + colon,
                     [](char c) { return c >= '0' && c <= '9'; }))
        return Frame::Bad;
    if (buffer.size() - colon - 1 < length) return Frame::Incomplete;
    message = buffer.mid(colon + 1, length);
    buffer.remove(0, colon + 1 + length);
    return Frame::Whole;
}

void MarionetteLink::onRead() {
    buffer_ += socket_.readAll();
    QByteArray message;
    while (state_ == State::Greeting || state_ == State::Asking) {
        const Frame frame = takeFrame(buffer_, message);
        if (frame == Frame::Incomplete) return;
        if (frame == Frame::Bad)
            return finish(OpenResult::failed(OpenFailure::BrowserError,
                                             QStringLiteral("not a browser's answer")));
        const QJsonDocument doc = QJsonDocument::fromJson(message);
        if (state_ == State::Greeting) {
            if (!doc.isObject())
                return finish(OpenResult::failed(OpenFailure::BrowserError,
                                                 QStringLiteral("not a browser's greeting")));
            state_ = State::Asking;
            const QByteArray ask =
                QJsonDocument(
                    QJsonArray{0, 1, QStringLiteral("WebDriver:NewSession"), capabilities_})
                    .toJson(QJsonDocument::Compact);
            socket_.write(QByteArray::number(ask.size()) + ':' + ask);
            continue;
        }
        const QJsonArray answer = doc.array();
        if (answer.size() != 4 || answer[0].toInt() != 1 || answer[1].toInt() != 1) continue;
        if (!answer[2].isNull()) {
            const QJsonObject error = answer[2].toObject();
            QString detail = error.value(QStringLiteral("message")).toString();
            if (detail.isEmpty()) detail = error.value(QStringLiteral("error")).toString();
            if (detail.isEmpty()) detail = QStringLiteral("the browser refused a session");
            return finish(OpenResult::failed(OpenFailure::BrowserError, detail));
        }
        state_ = State::Open;
        return finish({}, answer[3].toObject());
    }
    buffer_.clear(); // nothing more is asked once the session stands
}

void MarionetteLink::onGone(const QString& detail) {
    const State was = state_;
    if (was == State::Idle) return;
    state_ = State::Idle;
    ++attempt_;
    socket_.abort();
    if (was == State::Open) {
        emit gone();
        return;
    }
    finish(OpenResult::failed(
        was == State::Greeting ? OpenFailure::StartFailed : OpenFailure::ConnectionLost, detail));
}

void MarionetteLink::finish(const OpenResult& failed, const QJsonObject& result) {
    if (!failed.ok() && state_ != State::Idle) {
        state_ = State::Idle;
        ++attempt_;
        socket_.abort();
    }
    if (!done_) return;
    Done done = std::move(done_);
    done_ = nullptr;
    done(failed, result);
}

} // namespace kurumin
