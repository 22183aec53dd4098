#pragma once

#include <QString>

#include <optional>
#include <utility>

// A table read from a file in another encoding, converted to what code page
// 932 holds only for good: when the write that follows fails, fail() puts the
// table back as the file says and passes the message on.
template <typename Table>
class ConvertedForGood {
public:
    ConvertedForGood(Table* table, bool convert) : table_(table) {
        if (!convert) return;
        before_ = *table;
        convertToCodePage932(table);
    }
    QString fail(QString message) {
        if (before_) *table_ = std::move(*std::exchange(before_, std::nullopt));
        return message;
    }

private:
    Table* table_;
    std::optional<Table> before_;
};
