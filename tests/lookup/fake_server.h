#pragma once

#include <QByteArray>
#include <QHash>
#include <QTcpServer>
#include <QUrl>
#include <QUrlQuery>
#include <QVector>

#include <functional>

// A small HTTP/1.1 server in the test process, on 127.0.0.1, so that the
// clients meet real sockets without the internet. Each connection carries one
// request and is closed after the answer.
struct FakeRequest {
    QByteArray method;
    QString path;
    QUrlQuery query;
    QHash<QByteArray, QByteArray> headers;  // names in lower case
};

struct FakeResponse {
    enum class Mode {
        Whole,     // the answer at once
        Silent,    // never a byte
        Drip,      // the body a few bytes at a time
        NoLength,  // no Content-Length: the body ends when the connection closes
    };
    int status = 200;
    QByteArray body;
    QByteArray contentType = "application/json; charset=UTF-8";
    QVector<QPair<QByteArray, QByteArray>> headers;
    Mode mode = Mode::Whole;
    int dripBytes = 1;
    int dripEveryMs = 10;

    static FakeResponse json(const QByteArray& body, int status = 200) {
        FakeResponse r;
        r.status = status;
        r.body = body;
        return r;
    }
};

class FakeServer {
public:
    using Handler = std::function<FakeResponse(const FakeRequest&)>;

    FakeServer();
    QUrl url(const QString& path = {}) const;
    void setHandler(Handler h) { handler_ = std::move(h); }

    const QVector<FakeRequest>& requests() const { return requests_; }
    // Connections the client closed before the answer ended.
    int droppedByClient() const { return dropped_; }

private:
    void accept();
    void answer(class QTcpSocket* s, const FakeResponse& r);

    QTcpServer server_;
    Handler handler_;
    QVector<FakeRequest> requests_;
    int dropped_ = 0;
};

// A port on which nothing listens.
quint16 closedPort();
