#pragma once

#include <QString>
#include <QStringView>

#include <optional>

namespace shared_text {
// Texts in chunks that never move, so a reference handed out stays good while
// more texts arrive; the chunk table is fixed, so reading needs no lock.
constexpr int kChunkBits = 12;
constexpr quint32 kChunkSize = 1u << kChunkBits;
constexpr quint32 kChunks = 1u << 12;  // 16.7 million texts
extern QString* chunks[kChunks];
}  // namespace shared_text

// A text kept once for the whole program and named by a number. Title
// attributes repeat (one director over hundreds of titles, "○" on most of them),
// and so do viewing dates and kinds, so a record holds 4-byte numbers instead
// of 24-byte strings: at 32,766 titles and viewings that is 8 MB less to keep.
// Equal texts get equal numbers, so comparing two is comparing numbers. Texts are added from the
// thread that runs the window; any thread may read one it was handed, since a text never moves or
// goes once it is stored.
class SharedText {
public:
    SharedText() = default;
    SharedText(QStringView text) : id_(text.isEmpty() ? 0 : idOf(text)) {}
    SharedText(const QString& text) : id_(text.isEmpty() ? 0 : idOf(text)) {}
    SharedText(const char16_t* text) : SharedText(QStringView(text)) {}
    SharedText(const char* utf8) : SharedText(QString::fromUtf8(utf8)) {}

    const QString& text() const {
        using namespace shared_text;
        return chunks[id_ >> kChunkBits][id_ & (kChunkSize - 1)];
    }
    operator const QString&() const { return text(); }

    bool isEmpty() const { return id_ == 0; }
    qsizetype size() const { return text().size(); }
    const QChar* constData() const { return text().constData(); }
    // The number of this text: 0 for the empty text, then 1, 2, ... in the order
    // texts were first met, all below count().
    quint32 id() const { return id_; }
    static quint32 count();
    // The shared copy of text if it was ever stored, without storing it.
    static std::optional<SharedText> find(QStringView text);

    friend bool operator==(SharedText a, SharedText b) { return a.id_ == b.id_; }
    friend bool operator==(SharedText a, const QString& b) { return a.text() == b; }
    friend bool operator==(SharedText a, QStringView b) { return QStringView(a.text()) == b; }
    friend bool operator==(SharedText a, const char16_t* b) { return a == QStringView(b); }

private:
    // The number of text, stored first when new; keeps text's characters then.
    static quint32 idOf(const QString& text);
    static quint32 idOf(QStringView text);
    explicit SharedText(quint32 id, int) : id_(id) {}
    quint32 id_ = 0;
};
