#include "json_shape.h"

void JsonShape::fault(const QString& problem) {
    if (problem_.isEmpty()) problem_ = problem;
}

QJsonValue JsonShape::field(const QJsonObject& o, const QString& key, const QString& where,
                            Need need, QJsonValue::Type type, const char* typeName) {
    const QString path = jsonPath(where, key);
    const QJsonValue v = o.value(key);
    if (v.isUndefined() || v.isNull()) {
        if (need == Required)
            fault(v.isNull() ? QStringLiteral("%1 が null です").arg(path)
                             : QStringLiteral("%1 がありません").arg(path));
        return QJsonValue(QJsonValue::Undefined);
    }
    if (v.type() != type) {
        fault(QStringLiteral("%1 が%2ではありません").arg(path, QString::fromUtf8(typeName)));
        return QJsonValue(QJsonValue::Undefined);
    }
    return v;
}

QJsonObject JsonShape::object(const QJsonValue& v, const QString& where) {
    if (!v.isObject()) fault(QStringLiteral("%1 がオブジェクトではありません").arg(where));
    return v.toObject();
}

QJsonObject JsonShape::object(const QJsonObject& o, const QString& key, const QString& where,
                              Need need) {
    return field(o, key, where, need, QJsonValue::Object, "オブジェクト").toObject();
}

QJsonArray JsonShape::array(const QJsonObject& o, const QString& key, const QString& where,
                            Need need) {
    return field(o, key, where, need, QJsonValue::Array, "配列").toArray();
}

QString JsonShape::text(const QJsonObject& o, const QString& key, const QString& where, Need need) {
    return field(o, key, where, need, QJsonValue::String, "文字列").toString();
}

qint64 JsonShape::integer(const QJsonObject& o, const QString& key, const QString& where,
                          Need need) {
    const QJsonValue v = field(o, key, where, need, QJsonValue::Double, "数値");
    if (v.isUndefined()) return 0;
    const double d = v.toDouble();
    if (d != double(qint64(d))) {
        fault(QStringLiteral("%1 が整数ではありません").arg(jsonPath(where, key)));
        return 0;
    }
    return qint64(d);
}
