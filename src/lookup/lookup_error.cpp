#include "lookup_error.h"

using Kind = LookupError::Kind;

LookupError LookupError::badKey() {
    return make(Kind::BadKey,
                QStringLiteral("APIキーが正しくありません。設定のTMDbのAPIキー（またはアクセス"
                               "トークン）を確かめてください。"));
}

LookupError LookupError::notFound() {
    return make(Kind::NotFound,
                QStringLiteral("この作品はサービスに見つかりません。削除されたか、IDが違います。"));
}

LookupError LookupError::rateLimited() {
    return make(Kind::RateLimited,
                QStringLiteral("サービスが混み合っていて、待っても応じませんでした。しばらくして"
                               "からもう一度お試しください。"));
}

LookupError LookupError::httpStatus(int status) {
    if (status == 401) return badKey();
    if (status == 404) return notFound();
    if (status == 429) return rateLimited();
    if (status >= 500)
        return make(Kind::Server,
                    QStringLiteral("サービス側でエラーが起きました（HTTP %1）。しばらくしてから"
                                   "もう一度お試しください。")
                        .arg(status));
    return make(Kind::Refused,
                QStringLiteral("サービスが要求を受け付けませんでした（HTTP %1）。").arg(status));
}

LookupError LookupError::timeout(int seconds) {
    return make(Kind::Timeout,
                QStringLiteral("サービスが%1秒以内に応答しませんでした。ネットワークの状態を確かめ"
                               "て、もう一度お試しください。")
                    .arg(seconds));
}

LookupError LookupError::badShape(const QString& where) {
    return make(Kind::BadShape,
                QStringLiteral("サービスの応答が想定した形ではありません（%1）。").arg(where));
}

LookupError LookupError::tooLarge(qint64 limit) {
    constexpr qint64 mb = 1024 * 1024;
    const QString size = limit % mb == 0 ? QStringLiteral("%1 MB").arg(limit / mb)
                                         : QStringLiteral("%1 バイト").arg(limit);
    return make(
        Kind::TooLarge,
        QStringLiteral("応答が大きすぎるため、途中で打ち切りました（上限 %1）。").arg(size));
}

LookupError LookupError::notImage() {
    return make(Kind::NotImage,
                QStringLiteral("ポスターとして届いたデータが画像（JPEG・PNG・WebP・GIF）ではあり"
                               "ません。"));
}

LookupError LookupError::captivePortal() {
    return make(Kind::NotJson,
                QStringLiteral("サービスの代わりにWebページが返ってきました。公衆無線LANなどの"
                               "ログイン画面かもしれません。ブラウザでログインしてから、もう一度"
                               "お試しください。"));
}

LookupError LookupError::notJson(const QString& why) {
    return make(Kind::NotJson, QStringLiteral("サービスの応答を読めませんでした（%1）。").arg(why));
}
