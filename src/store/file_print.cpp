#include "file_print.h"

#include <QFile>

#include <bit>
#include <cstring>

#include <sys/stat.h>

namespace {
constexpr quint64 k1 = 0x9E3779B185EBCA87ull, k2 = 0xC2B2AE3D27D4EB4Full;

inline void block(std::array<quint64, 4>& lanes, const char* p) {
    for (int l = 0; l < 4; ++l) {
        quint64 w;
        std::memcpy(&w, p + 8 * l, 8);
        lanes[l] = std::rotl(lanes[l] + w * k2, 31) * k1;
    }
}

FileStamp fromStat(const struct stat& st) {
    FileStamp s;
    s.exists = true;
    s.size = st.st_size;
    s.modifiedNs = qint64(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec;
    s.changedNs = qint64(st.st_ctim.tv_sec) * 1'000'000'000 + st.st_ctim.tv_nsec;
    s.device = st.st_dev;
    s.inode = st.st_ino;
    return s;
}
}  // namespace

void StreamHash::add(const char* p, qsizetype n) {
    length_ += n;
    if (pendingSize_ > 0) {
        const qsizetype take = qMin<qsizetype>(n, 32 - pendingSize_);
        std::memcpy(pending_.data() + pendingSize_, p, size_t(take));
        pendingSize_ += int(take);
        p += take;
        n -= take;
        if (pendingSize_ < 32) return;
        block(lanes_, pending_.data());
        pendingSize_ = 0;
    }
    for (; n >= 32; p += 32, n -= 32) block(lanes_, p);
    std::memcpy(pending_.data(), p, size_t(n));
    pendingSize_ = int(n);
}

quint64 StreamHash::value() const {
    quint64 h = quint64(length_);
    for (quint64 v : lanes_) h = (std::rotl(h, 27) ^ (std::rotl(v * k2, 31) * k1)) * k1;
    for (int i = 0; i < pendingSize_; ++i) h = std::rotl(h ^ quint8(pending_[i]), 11) * k1;
    h ^= h >> 33;
    h *= k2;
    return h ^ (h >> 29);
}

quint64 StreamHash::of(const QByteArray& bytes) {
    StreamHash h;
    h.add(bytes);
    return h.value();
}

FileStamp FileStamp::of(const QString& path) {
    struct stat st;
    if (::stat(QFile::encodeName(path).constData(), &st) != 0) return {};
    return fromStat(st);
}

FileStamp FileStamp::ofDescriptor(int fd) {
    struct stat st;
    if (::fstat(fd, &st) != 0) return {};
    return fromStat(st);
}
