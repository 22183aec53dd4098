#pragma once

#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>

// Reads a service's JSON strictly: a field that is missing, null or of another
// type than documented is a fault, noted once with where it was, and reading
// goes on with an empty value so that the caller checks ok() once at the end.
// Fields the service documents as nullable (a poster path) are read as
// optional: absent or null is then empty, another type still a fault.
class JsonShape {
public:
    enum Need { Required, Optional };

    QJsonObject object(const QJsonValue& v, const QString& where);
    QJsonObject object(const QJsonObject& o, const QString& key, const QString& where,
                       Need need = Required);
    QJsonArray array(const QJsonObject& o, const QString& key, const QString& where,
                     Need need = Required);
    QString text(const QJsonObject& o, const QString& key, const QString& where,
                 Need need = Required);
    // A whole number (JSON has only doubles); 0 when absent and optional.
    qint64 integer(const QJsonObject& o, const QString& key, const QString& where,
                   Need need = Required);

    bool ok() const { return problem_.isEmpty(); }
    // The first fault, as "results[2].title が文字列ではありません".
    const QString& problem() const { return problem_; }
    void fault(const QString& problem);

private:
    // The value at key, or an undefined value after noting why it cannot be read.
    QJsonValue field(const QJsonObject& o, const QString& key, const QString& where, Need need,
                     QJsonValue::Type type, const char* typeName);

    QString problem_;
};

// "where.key", or "key" at the top.
inline QString jsonPath(const QString& where, const QString& key) {
    return where.isEmpty() ? key : where + u'.' + key;
}
