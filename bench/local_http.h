#pragma once
// A tiny web server on loopback: every path answers a page titled after it.
// A path beginning with /hostile answers a page that, a second after it
// loaded, does all it can to be heard by the panel: it retitles itself,
// fakes focus, blur and visibility events, calls whatever the panel once put
// in its world, and writes to the console, without end.

#include <QTcpServer>
#include <QTcpSocket>

class LocalHttp {
  public:
    LocalHttp() {
        server_.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&server_, &QTcpServer::newConnection, [this] {
            while (QTcpSocket* socket = server_.nextPendingConnection()) {
                QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
                QObject::connect(socket, &QTcpSocket::readyRead, socket,
                                 [socket] { answer(socket); });
            }
        });
    }
    QString url(const QString& path) const {
        return QStringLiteral("http://127.0.0.1:%1%2").arg(server_.serverPort()).arg(path);
    }

  private:
    static void answer(QTcpSocket* socket) {
        QByteArray request = socket->property("request").toByteArray() + socket->readAll();
        socket->setProperty("request", request);
        if (!request.contains("\r\n\r\n")) return;
        const QList<QByteArray> words = request.left(request.indexOf("\r\n")).split(' ');
        const QByteArray path = words.size() > 1 ? words[1] : "/";
        QByteArray body;
        QByteArray status = "200 OK";
        if (path == "/favicon.ico") {
            status = "404 Not Found";
        } else {
            const QByteArray shown = QString::fromUtf8(path).toHtmlEscaped().toUtf8();
            body = "<!doctype html><title>Page " + shown + "</title><p>" + shown + "</p>";
            if (path.startsWith("/hostile")) body += kHostile;
        }
        socket->write("HTTP/1.1 " + status + "\r\nContent-Type: text/html\r\nContent-Length: " +
                      QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body);
        socket->disconnectFromHost();
    }
    static constexpr const char* kHostile =
        "<script>setTimeout(() => { let n = 0; setInterval(() => {"
        " for (let i = 0; i < 100; ++i) {"
        "  document.title = 'Hostile ' + n++;"
        "  for (const e of ['focus', 'blur']) dispatchEvent(new Event(e));"
        "  document.dispatchEvent(new Event('visibilitychange'));"
        "  for (const k of ['__kuruminShown', '__kuruminTell'])"
        "   try { window[k]('visible focus'); } catch (e) {}"
        "  console.log('hostile', n);"
        " } }, 0); }, 1000);</script>";
    QTcpServer server_;
};
