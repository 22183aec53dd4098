#pragma once

#include <QString>

// Why a lookup gave nothing. Every failure ends in one of these, its message
// ready to show the user as it is; nothing is returned with it.
struct LookupError {
    enum class Kind {
        None,
        BadKey,       // 401: the key or token is not accepted
        NotFound,     // 404, or an id the service does not know
        RateLimited,  // 429 that kept coming after the waits
        Refused,      // another 4xx
        Server,       // 5xx, or the connection broken off
        Timeout,      // no answer in time
        Unreachable,  // connection refused, no network, host unknown, proxy
        Tls,          // the secure connection failed
        Redirects,    // more than the allowed redirects, or to plain HTTP
        NotJson,      // a web page (a captive portal) or text that is not JSON
        BadShape,     // JSON, but not shaped as the service documents it
        NotImage,     // a poster whose bytes are no picture
        TooLarge,     // the body passed its size limit
        BadRequest,   // the caller's text cannot be asked (an id of the wrong shape)
    };

    Kind kind = Kind::None;
    QString message;

    bool failed() const { return kind != Kind::None; }

    static LookupError make(Kind kind, const QString& message) { return {kind, message}; }
    static LookupError badKey();
    static LookupError notFound();
    static LookupError rateLimited();
    static LookupError httpStatus(int status);
    static LookupError timeout(int seconds);
    static LookupError badShape(const QString& where);
    static LookupError tooLarge(qint64 limit);
    static LookupError notImage();
    static LookupError captivePortal();
    static LookupError notJson(const QString& why);
};
