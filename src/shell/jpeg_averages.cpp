#include "jpeg_averages.h"

#include "shell/picture_reader.h"

#include <QVector>

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <cstring>
#include <vector>

namespace JpegAverages {
namespace {

struct Component {
    int id = 0;
    int h = 1, v = 1;                    // sampling factors
    int quant = 0;                       // quantisation table
    int blocksWide = 0, blocksHigh = 0;  // padded to whole MCUs
    std::vector<int> dc;                 // the first scans' values, not yet dequantised
    bool seen = false;
};

// A Huffman table for DC differences, decoded code length by code length, with a
// table for codes of up to eight bits.
struct Huffman {
    bool defined = false;
    std::array<int, 18> maxCode{};
    std::array<int, 17> minCode{};
    std::array<int, 17> firstValue{};
    QVector<uchar> values;
    std::array<quint16, 256> fast{};  // length << 8 | value; 0 when longer than 8 bits

    bool build(const uchar* counts, const uchar* vals, int total) {
        values = QVector<uchar>(vals, vals + total);
        fast.fill(0);
        int code = 0, k = 0;
        for (int length = 1; length <= 16; ++length) {
            const int n = counts[length - 1];
            firstValue[length] = k;
            minCode[length] = code;
            for (int i = 0; i < n; ++i, ++code, ++k) {
                if (length <= 8) {
                    const int spread = 1 << (8 - length);
                    const int base = code << (8 - length);
                    for (int j = 0; j < spread; ++j)
                        fast[base + j] = quint16(length << 8 | values[k]);
                }
            }
            maxCode[length] = n ? code - 1 : -1;
            if (code > (1 << length)) return false;  // more codes than bits allow
            code <<= 1;
        }
        maxCode[17] = 0x7FFFFFFF;
        defined = true;
        return true;
    }
};

// Reads the bits of a scan, dropping stuffed zero bytes; past the scan's end
// (a marker) it reads zeros.
class BitReader {
public:
    BitReader(const uchar* p, const uchar* end) : p_(p), end_(end) {}

    // At least 33 bits are ready after this: a code and its value of one block.
    void fill() {
        while (count_ <= 32) {
            quint64 byte = 0;
            if (p_ < end_ && !(p_[0] == 0xFF && (p_ + 1 >= end_ || p_[1] != 0x00))) {
                byte = *p_;
                p_ += byte == 0xFF ? 2 : 1;
            } else {
                ++zeros_;
            }
            buffer_ |= byte << (56 - count_);
            count_ += 8;
        }
    }
    // The next n (1..32) bits, without taking them.
    quint32 peek(int n) const { return quint32(buffer_ >> (64 - n)); }
    void skip(int n) {
        buffer_ <<= n;
        count_ -= n;
    }
    bool overrun() const { return zeros_ > 8; }

private:
    const uchar* p_;
    const uchar* end_;
    quint64 buffer_ = 0;
    int count_ = 0;
    int zeros_ = 0;
};

int extend(int v, int s) { return v < (1 << (s - 1)) ? v - (1 << s) + 1 : v; }

// The next difference of block averages, or INT_MIN when the code is not in the table.
inline int nextDifference(BitReader& in, const Huffman& t) {
    in.fill();
    int size;
    if (const quint16 hit = t.fast[in.peek(8)]) {
        in.skip(hit >> 8);
        size = hit & 0xFF;
    } else {
        const int bits16 = int(in.peek(16));
        size = -1;
        for (int length = 9; length <= 16; ++length) {
            const int code = bits16 >> (16 - length);
            if (code <= t.maxCode[length]) {
                const int index = t.firstValue[length] + code - t.minCode[length];
                if (index < 0 || index >= t.values.size()) return INT_MIN;
                size = t.values[index];
                in.skip(length);
                break;
            }
        }
    }
    if (size < 0 || size > 11) return INT_MIN;
    if (size == 0) return 0;
    const int v = int(in.peek(size));
    in.skip(size);
    return extend(v, size);
}

int u16(const uchar* p) { return (p[0] << 8) | p[1]; }

class Reader {
public:
    explicit Reader(const QByteArray& bytes)
        : b_(reinterpret_cast<const uchar*>(bytes.constData())), n_(bytes.size()) {}

    QImage read();

private:
    bool frame(const uchar* s, int length);
    bool tables(const uchar* s, int length);
    bool quantisation(const uchar* s, int length);
    // Decodes a first scan of block averages; false when it cannot be read.
    bool scan(const uchar* s, int length, const uchar* data, const uchar* end);
    std::vector<float> plane(const Component& c, int w, int h) const;
    QImage picture() const;

    const uchar* b_;
    qsizetype n_;
    int width_ = 0, height_ = 0;
    int hMax_ = 1, vMax_ = 1;
    int mcusWide_ = 0, mcusHigh_ = 0;
    bool rgb_ = false;
    QVector<Component> components_;
    std::array<Huffman, 4> huffman_;
    std::array<int, 4> quant_{};
    std::array<bool, 4> quantSeen_{};
};

bool Reader::frame(const uchar* s, int length) {
    if (length < 6 || s[0] != 8) return false;  // 8-bit samples only
    height_ = u16(s + 1);
    width_ = u16(s + 3);
    const int count = s[5];
    if (width_ == 0 || height_ == 0 || (count != 1 && count != 3) || length < 6 + 3 * count)
        return false;
    if (width_ > PictureReader::kMaxSide || height_ > PictureReader::kMaxSide ||
        qint64(width_) * height_ > PictureReader::kMaxPixels)
        return false;  // a forged size must not decide how much is allocated
    for (int i = 0; i < count; ++i) {
        Component c;
        c.id = s[6 + 3 * i];
        c.h = s[7 + 3 * i] >> 4;
        c.v = s[7 + 3 * i] & 15;
        c.quant = s[8 + 3 * i];
        if (c.h < 1 || c.h > 4 || c.v < 1 || c.v > 4 || c.quant > 3) return false;
        hMax_ = qMax(hMax_, c.h);
        vMax_ = qMax(vMax_, c.v);
        components_.append(c);
    }
    mcusWide_ = (width_ + 8 * hMax_ - 1) / (8 * hMax_);
    mcusHigh_ = (height_ + 8 * vMax_ - 1) / (8 * vMax_);
    for (Component& c : components_) {
        c.blocksWide = mcusWide_ * c.h;
        c.blocksHigh = mcusHigh_ * c.v;
        c.dc.assign(size_t(c.blocksWide) * size_t(c.blocksHigh), 0);
    }
    return true;
}

bool Reader::tables(const uchar* s, int length) {
    int i = 0;
    while (i + 17 <= length) {
        const int kind = s[i] >> 4, id = s[i] & 15;
        int total = 0;
        for (int k = 0; k < 16; ++k) total += s[i + 1 + k];
        if (id > 3 || i + 17 + total > length) return false;
        if (kind == 0 && !huffman_[id].build(s + i + 1, s + i + 17, total)) return false;
        i += 17 + total;
    }
    return true;
}

bool Reader::quantisation(const uchar* s, int length) {
    int i = 0;
    while (i < length) {
        const int precision = s[i] >> 4, id = s[i] & 15;
        const int size = precision ? 129 : 65;
        if (id > 3 || i + size > length) return false;
        quant_[id] = precision ? u16(s + i + 1) : s[i + 1];
        quantSeen_[id] = true;
        i += size;
    }
    return true;
}

bool Reader::scan(const uchar* s, int length, const uchar* data, const uchar* end) {
    const int count = s[0];
    if (length < 1 + 2 * count + 3 || count < 1) return false;
    std::array<Component*, 4> in{};
    std::array<const Huffman*, 4> table{};
    if (count > 4) return false;
    for (int i = 0; i < count; ++i) {
        Component* found = nullptr;
        for (Component& c : components_)
            if (c.id == s[1 + 2 * i]) found = &c;
        const int t = s[2 + 2 * i] >> 4;
        if (!found || t > 3 || !huffman_[t].defined) return false;
        in[i] = found;
        table[i] = &huffman_[t];
    }
    const int shift = s[1 + 2 * count + 2] & 15;
    BitReader bits(data, end);
    std::array<int, 4> previous{};
    const auto block = [&](int k, int x, int y) {
        const int difference = nextDifference(bits, *table[k]);
        if (difference == INT_MIN) return false;
        previous[k] += difference;
        in[k]->dc[size_t(y) * size_t(in[k]->blocksWide) + size_t(x)] = previous[k] * (1 << shift);
        return true;
    };
    if (count == 1) {  // one channel: its blocks in raster order, without MCU padding
        Component& c = *in[0];
        const int wide = ((width_ * c.h + hMax_ - 1) / hMax_ + 7) / 8;
        const int high = ((height_ * c.v + vMax_ - 1) / vMax_ + 7) / 8;
        for (int y = 0; y < high; ++y)
            for (int x = 0; x < wide; ++x)
                if (!block(0, x, y)) return false;
    } else {
        for (int my = 0; my < mcusHigh_; ++my)
            for (int mx = 0; mx < mcusWide_; ++mx)
                for (int k = 0; k < count; ++k)
                    for (int v = 0; v < in[k]->v; ++v)
                        for (int h = 0; h < in[k]->h; ++h)
                            if (!block(k, mx * in[k]->h + h, my * in[k]->v + v)) return false;
    }
    if (bits.overrun()) return false;  // the scan ended long before its blocks did
    for (int i = 0; i < count; ++i) in[i]->seen = true;
    return true;
}

// A channel's samples at the picture's eighth size: the mean of each block, and for
// a channel of lower resolution the means interpolated between the centres of its
// blocks, as a decoder smooths it when it enlarges it.
std::vector<float> Reader::plane(const Component& c, int w, int h) const {
    std::vector<float> means(c.dc.size());
    // The first coefficient is eight times the block's mean, less the level shift.
    const float scale = quant_[c.quant] / 8.0f;
    for (size_t i = 0; i < means.size(); ++i) means[i] = float(c.dc[i]) * scale + 128.0f;
    std::vector<float> out(size_t(w) * size_t(h));
    if (c.h == hMax_ && c.v == vMax_) {
        for (int y = 0; y < h; ++y)
            std::copy_n(means.begin() + ptrdiff_t(y) * c.blocksWide, w,
                        out.begin() + ptrdiff_t(y) * w);
        return out;
    }
    struct Step {
        int a, b;
        float f;
    };
    const auto steps = [](int n, int factor, int maxFactor, int blocks) {
        std::vector<Step> list(static_cast<size_t>(n));
        for (int i = 0; i < n; ++i) {
            const float u = (i + 0.5f) * factor / maxFactor - 0.5f;
            const int a = int(std::floor(u));
            list[size_t(i)] = {qBound(0, a, blocks - 1), qBound(0, a + 1, blocks - 1), u - a};
        }
        return list;
    };
    const std::vector<Step> across = steps(w, c.h, hMax_, c.blocksWide);
    const std::vector<Step> down = steps(h, c.v, vMax_, c.blocksHigh);
    for (int y = 0; y < h; ++y) {
        const Step& d = down[size_t(y)];
        const float* top = means.data() + ptrdiff_t(d.a) * c.blocksWide;
        const float* bottom = means.data() + ptrdiff_t(d.b) * c.blocksWide;
        float* line = out.data() + ptrdiff_t(y) * w;
        for (int x = 0; x < w; ++x) {
            const Step& a = across[size_t(x)];
            const float upper = top[a.a] + (top[a.b] - top[a.a]) * a.f;
            const float lower = bottom[a.a] + (bottom[a.b] - bottom[a.a]) * a.f;
            line[x] = upper + (lower - upper) * d.f;
        }
    }
    return out;
}

QImage Reader::picture() const {
    const int w = (width_ + 7) / 8, h = (height_ + 7) / 8;
    QImage img(w, h, QImage::Format_RGB32);
    if (img.isNull()) return {};
    const auto byte = [](float v) { return int(qBound(0.0f, v, 255.0f) + 0.5f); };
    const std::vector<float> luma = plane(components_[0], w, h);
    if (components_.size() == 1) {
        for (int y = 0; y < h; ++y) {
            auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
            for (int x = 0; x < w; ++x) {
                const int g = byte(luma[size_t(y) * w + x]);
                line[x] = qRgb(g, g, g);
            }
        }
        return img;
    }
    const std::vector<float> cb = plane(components_[1], w, h);
    const std::vector<float> cr = plane(components_[2], w, h);
    for (int y = 0; y < h; ++y) {
        auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < w; ++x) {
            const size_t i = size_t(y) * w + x;
            const float l = luma[i], b = cb[i] - 128.0f, r = cr[i] - 128.0f;
            line[x] = qRgb(byte(l + 1.402f * r), byte(l - 0.344136f * b - 0.714136f * r),
                           byte(l + 1.772f * b));
        }
    }
    return img;
}

QImage Reader::read() {
    if (n_ < 4 || b_[0] != 0xFF || b_[1] != 0xD8) return {};
    qsizetype i = 2;
    bool progressive = false;
    while (i + 3 < n_) {
        if (b_[i] != 0xFF) return {};
        const uchar m = b_[i + 1];
        if (m == 0xFF) {
            ++i;
            continue;
        }
        if (m == 0xD9) break;
        const int length = u16(b_ + i + 2);
        const qsizetype next = i + 2 + length;
        if (length < 2 || next > n_) return {};
        const uchar* s = b_ + i + 4;
        const int body = length - 2;
        if (m == 0xC2) {
            if (progressive || !frame(s, body)) return {};
            progressive = true;
        } else if ((m >= 0xC0 && m <= 0xCF) && m != 0xC4 && m != 0xC8 && m != 0xCC) {
            return {};  // another kind of frame: left to the full decoder
        } else if (m == 0xC4) {
            if (!tables(s, body)) return {};
        } else if (m == 0xDB) {
            if (!quantisation(s, body)) return {};
        } else if (m == 0xDD) {
            if (body >= 2 && u16(s) != 0) return {};  // restart intervals
        } else if (m == 0xEE && body >= 12 && std::memcmp(s, "Adobe", 5) == 0) {
            rgb_ = s[11] == 0;
        } else if (m == 0xDA) {
            if (!progressive || body < 4) return {};
            const int count = s[0];
            if (body < 1 + 2 * count + 3) return {};
            const uchar* spectral = s + 1 + 2 * count;
            if (spectral[0] != 0 || spectral[1] != 0 || (spectral[2] >> 4) != 0) break;
            // The scan's data runs to the next marker.
            qsizetype end = next;
            while (end + 1 < n_ && !(b_[end] == 0xFF && b_[end + 1] != 0x00 &&
                                     !(b_[end + 1] >= 0xD0 && b_[end + 1] <= 0xD7)))
                ++end;
            if (!scan(s, body, b_ + next, b_ + end)) return {};
            i = end;
            continue;
        }
        i = next;
    }
    if (!progressive) return {};
    if (components_.size() == 3) {  // RGB rather than YCbCr, by an Adobe marker or by names
        const bool named =
            components_[0].id == 'R' && components_[1].id == 'G' && components_[2].id == 'B';
        if (rgb_ || named) return {};
    }
    for (const Component& c : components_)
        if (!c.seen || !quantSeen_[c.quant]) return {};
    return picture();
}

}  // namespace

QImage read(const QByteArray& bytes) { return Reader(bytes).read(); }

}  // namespace JpegAverages
