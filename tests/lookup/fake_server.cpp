#include "fake_server.h"

#include <QPointer>
#include <QTcpSocket>
#include <QTimer>

namespace {
QByteArray reason(int status) {
    switch (status) {
        case 200:
            return "OK";
        case 302:
            return "Found";
        case 401:
            return "Unauthorized";
        case 404:
            return "Not Found";
        case 429:
            return "Too Many Requests";
        case 500:
            return "Internal Server Error";
        default:
            return "Status";
    }
}

bool parse(const QByteArray& head, FakeRequest* r) {
    const QList<QByteArray> lines = head.split('\n');
    const QList<QByteArray> first = lines.value(0).trimmed().split(' ');
    if (first.size() != 3) return false;
    r->method = first[0];
    const QUrl target(QString::fromLatin1(first[1]));
    r->path = target.path();
    r->query = QUrlQuery(target);
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray line = lines[i].trimmed();
        const qsizetype colon = line.indexOf(':');
        if (colon > 0) r->headers.insert(line.left(colon).toLower(), line.mid(colon + 1).trimmed());
    }
    return true;
}
}  // namespace

FakeServer::FakeServer() {
    if (!server_.listen(QHostAddress::LocalHost)) qFatal("the test server cannot listen");
    QObject::connect(&server_, &QTcpServer::newConnection, &server_, [this] { accept(); });
}

QUrl FakeServer::url(const QString& path) const {
    return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(server_.serverPort()).arg(path));
}

void FakeServer::accept() {
    while (QTcpSocket* s = server_.nextPendingConnection()) {
        struct Pending {
            QByteArray head;
            bool answered = false;
        };
        auto pending = std::make_shared<Pending>();
        QObject::connect(s, &QTcpSocket::readyRead, s, [this, s, pending] {
            if (pending->answered) return;
            pending->head += s->readAll();
            const qsizetype end = pending->head.indexOf("\r\n\r\n");
            if (end < 0) return;
            pending->answered = true;
            FakeRequest r;
            if (!parse(pending->head.left(end), &r)) return s->disconnectFromHost();
            requests_.append(r);
            answer(s, handler_ ? handler_(r) : FakeResponse::json("{}", 404));
        });
        QObject::connect(s, &QTcpSocket::disconnected, s, &QObject::deleteLater);
    }
}

void FakeServer::answer(QTcpSocket* s, const FakeResponse& r) {
    using Mode = FakeResponse::Mode;
    if (r.mode == Mode::Silent) {
        QObject::connect(s, &QTcpSocket::disconnected, s, [this] { ++dropped_; });
        return;
    }
    QByteArray head = "HTTP/1.1 " + QByteArray::number(r.status) + ' ' + reason(r.status) + "\r\n";
    head += "Content-Type: " + r.contentType + "\r\n";
    if (r.mode != Mode::NoLength)
        head += "Content-Length: " + QByteArray::number(r.body.size()) + "\r\n";
    for (const auto& h : r.headers) head += h.first + ": " + h.second + "\r\n";
    head += "Connection: close\r\n\r\n";
    s->write(head);
    if (r.mode != Mode::Drip) {
        s->write(r.body);
        s->disconnectFromHost();
        return;
    }
    auto* timer = new QTimer(s);
    auto sent = std::make_shared<qsizetype>(0);
    QObject::connect(timer, &QTimer::timeout, s, [s, timer, sent, r] {
        s->write(r.body.mid(*sent, r.dripBytes));
        *sent += r.dripBytes;
        if (*sent >= r.body.size()) {
            timer->stop();
            s->disconnectFromHost();
        }
    });
    timer->start(r.dripEveryMs);
}

quint16 closedPort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost);
    const quint16 port = probe.serverPort();
    probe.close();
    return port;
}
