#pragma once
// A tiny web server on loopback: every path answers a page titled after it.

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
        }
        socket->write("HTTP/1.1 " + status + "\r\nContent-Type: text/html\r\nContent-Length: " +
                      QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body);
        socket->disconnectFromHost();
    }
    QTcpServer server_;
};
