#include "jpeg_averages.h"

#include "shell/picture_reader.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <cstring>
#include <vector>

namespace JpegMarkers {

qsizetype next(const uchar* b, qsizetype n, qsizetype i) {
    while (i < n) {
        const void* ff = std::memchr(b + i, 0xFF, size_t(n - i));
        if (!ff) return n;
        i = static_cast<const uchar*>(ff) - b;
        while (i + 1 < n && b[i + 1] == 0xFF) ++i;  // fill
        if (i + 1 >= n) return n;
        if (b[i + 1] != 0x00) return i;
        i += 2;  // a stuffed zero outside a scan
    }
    return n;
}

qsizetype endOfScan(const uchar* b, qsizetype n, qsizetype i) {
    while (i < n) {
        const void* ff = std::memchr(b + i, 0xFF, size_t(n - i));
        if (!ff) return n;
        i = static_cast<const uchar*>(ff) - b;
        if (i + 1 >= n) return n;
        const uchar next = b[i + 1];
        if (next == 0x00 || (next >= 0xD0 && next <= 0xD7)) {
            i += 2;
            continue;
        }
        if (next == 0xFF) {  // fill before a marker
            ++i;
            continue;
        }
        return i;
    }
    return n;
}

}  // namespace JpegMarkers

namespace JpegAverages {
namespace {

// libjpeg's limits: the largest side, channels in a frame and in a scan, table
// numbers, sampling factors, blocks in one unit of an interleaved scan, and the
// largest point transform.
constexpr int kMaxDimension = 65500;
constexpr int kMaxChannels = 10;
constexpr int kMaxChannelsInScan = 4;
constexpr int kTables = 4;
constexpr int kMaxSampling = 4;
constexpr int kMaxBlocksInUnit = 10;
constexpr int kMaxPointTransform = 13;

struct Component {
    int id = 0;
    int h = 1, v = 1;                    // sampling factors
    int quant = 0;                       // quantisation table number, as the frame gives it
    int quantValue = 0;                  // its first entry, taken at the channel's first scan
    bool latched = false;                // quantValue is taken
    int blocksWide = 0, blocksHigh = 0;  // padded to whole units
    std::vector<qint16> dc;  // first coefficients after the point transform, as libjpeg keeps them
    bool seen = false;
};

// A Huffman table as a segment defines it.
struct HuffmanSegment {
    bool defined = false;
    std::array<uchar, 16> counts{};
    std::array<uchar, 256> values{};
};

// A table for DC differences, decoded code length by code length, with a table
// for codes of up to eight bits.
struct Huffman {
    std::array<int, 18> maxCode{};
    std::array<int, 17> valueOffset{};
    std::array<uchar, 256> values{};
    std::array<quint16, 256> fast{};  // length << 8 | value; 0 when longer than 8 bits

    // False for a table libjpeg refuses: more than 256 codes, codes that do not fit
    // their length (no code may be all ones), or, for DC differences, more than 15 bits.
    bool build(const HuffmanSegment& segment, bool dc) {
        if (!segment.defined) return false;
        int total = 0;
        for (uchar c : segment.counts) total += c;
        if (total > 256) return false;
        if (dc)
            for (int k = 0; k < total; ++k)
                if (segment.values[size_t(k)] > 15) return false;
        int code = 0;
        for (int length = 1; length <= 16; ++length) {
            code += segment.counts[size_t(length - 1)];
            if (code >= (1 << length)) return false;
            code <<= 1;
        }
        // Only a table that passed may fill the lookup: its codes stay inside it.
        values = segment.values;
        fast.fill(0);
        code = 0;
        int k = 0;
        for (int length = 1; length <= 16; ++length) {
            const int n = segment.counts[size_t(length - 1)];
            valueOffset[size_t(length)] = k - code;
            for (int i = 0; i < n; ++i, ++code, ++k) {
                if (length > 8) continue;
                const int spread = 1 << (8 - length);
                const int base = code << (8 - length);
                for (int j = 0; j < spread; ++j)
                    fast[size_t(base + j)] = quint16(length << 8 | values[size_t(k)]);
            }
            maxCode[size_t(length)] = n ? code - 1 : -1;
            code <<= 1;
        }
        maxCode[17] = INT_MAX;
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
    int size = -1;
    if (const quint16 hit = t.fast[in.peek(8)]) {
        in.skip(hit >> 8);
        size = hit & 0xFF;
    } else {
        const int bits16 = int(in.peek(16));
        for (int length = 9; length <= 16; ++length) {
            const int code = bits16 >> (16 - length);
            if (code <= t.maxCode[size_t(length)]) {
                const int index = t.valueOffset[size_t(length)] + code;
                if (index < 0 || index > 255) return INT_MIN;
                size = t.values[size_t(index)];
                in.skip(length);
                break;
            }
        }
    }
    if (size < 0 || size > 15) return INT_MIN;
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
    enum class Step { Go, Stop, Refuse };
    Step segment(uchar marker, const uchar* s, int length, qsizetype* i);
    bool frame(const uchar* s, int length);
    bool tables(const uchar* s, int length);
    bool quantisation(const uchar* s, int length);
    // Reads a scan's header as libjpeg checks it; decodes it when it is a first
    // scan of block averages. Stop: the scans of averages are over.
    Step scan(const uchar* s, int length, const uchar* data, const uchar* end);
    bool decode(const std::array<Component*, kMaxChannelsInScan>& in,
                const std::array<const Huffman*, kMaxChannelsInScan>& table, int count, int shift,
                const uchar* data, const uchar* end);
    std::vector<float> plane(const Component& c, int w, int h) const;
    QImage picture() const;

    const uchar* b_;
    qsizetype n_;
    bool progressive_ = false;
    int width_ = 0, height_ = 0;
    int hMax_ = 1, vMax_ = 1;
    int mcusWide_ = 0, mcusHigh_ = 0;
    int restartInterval_ = 0;
    bool rgb_ = false;
    std::vector<Component> components_;
    std::array<HuffmanSegment, kTables> dcTables_, acTables_;
    std::array<int, kTables> quant_{};
    std::array<bool, kTables> quantSeen_{};
};

bool Reader::frame(const uchar* s, int length) {
    if (length < 6) return false;
    const int precision = s[0];
    height_ = u16(s + 1);
    width_ = u16(s + 3);
    const int count = s[5];
    if (height_ == 0 || width_ == 0 || count == 0 || length != 6 + 3 * count) return false;
    if (height_ > kMaxDimension || width_ > kMaxDimension || precision != 8 || count > kMaxChannels)
        return false;
    for (int i = 0; i < count; ++i) {
        Component c;
        c.id = s[6 + 3 * i];
        c.h = s[7 + 3 * i] >> 4;
        c.v = s[7 + 3 * i] & 15;
        c.quant = s[8 + 3 * i];
        if (c.h < 1 || c.h > kMaxSampling || c.v < 1 || c.v > kMaxSampling) return false;
        hMax_ = qMax(hMax_, c.h);
        vMax_ = qMax(vMax_, c.v);
        components_.push_back(c);
    }
    if (count != 1 && count != 3) return false;  // left to the full decoder
    // libjpeg enlarges a channel only by whole factors.
    for (const Component& c : components_)
        if (hMax_ % c.h != 0 || vMax_ % c.v != 0) return false;
    mcusWide_ = (width_ + 8 * hMax_ - 1) / (8 * hMax_);
    mcusHigh_ = (height_ + 8 * vMax_ - 1) / (8 * vMax_);
    qint64 blocks = 0;
    for (const Component& c : components_) blocks += qint64(mcusWide_) * c.h * mcusHigh_ * c.v;
    if (qint64(n_) + memoryFor({width_, height_}, blocks) > PictureReader::kMaxDecodeBytes)
        return false;
    for (Component& c : components_) {
        c.blocksWide = mcusWide_ * c.h;
        c.blocksHigh = mcusHigh_ * c.v;
        c.dc.assign(size_t(c.blocksWide) * size_t(c.blocksHigh), 0);
    }
    return true;
}

bool Reader::tables(const uchar* s, int length) {
    int left = length;
    while (left > 16) {
        int index = s[0];
        HuffmanSegment table;
        int total = 0;
        for (int k = 0; k < 16; ++k) total += table.counts[size_t(k)] = s[1 + k];
        left -= 17;
        s += 17;
        if (total > 256 || total > left) return false;
        std::copy_n(s, total, table.values.begin());
        left -= total;
        s += total;
        const bool ac = index & 0x10;
        if (ac) index -= 0x10;
        if (index >= kTables) return false;
        table.defined = true;
        (ac ? acTables_ : dcTables_)[size_t(index)] = table;
    }
    return left == 0;
}

bool Reader::quantisation(const uchar* s, int length) {
    int left = length;
    while (left > 0) {
        const int precision = s[0] >> 4, id = s[0] & 15;
        const int size = precision ? 129 : 65;
        if (id >= kTables || size > left) return false;
        quant_[size_t(id)] = precision ? u16(s + 1) : s[1];
        quantSeen_[size_t(id)] = true;
        left -= size;
        s += size;
    }
    return true;
}

Reader::Step Reader::scan(const uchar* s, int length, const uchar* data, const uchar* end) {
    if (!progressive_ || length < 1) return Step::Refuse;
    const int count = s[0];
    if (length != 2 * count + 4 || count < 1 || count > kMaxChannelsInScan) return Step::Refuse;
    std::array<Component*, kMaxChannelsInScan> in{};
    std::array<int, kMaxChannelsInScan> dcTable{}, acTable{};
    for (int i = 0; i < count; ++i) {
        const int id = s[1 + 2 * i];
        // libjpeg looks among the first four channels only, and skips a channel
        // whose position in the scan is already taken.
        Component* found = nullptr;
        for (size_t ci = 0; ci < components_.size() && ci < size_t(kMaxChannelsInScan); ++ci)
            if (components_[ci].id == id && !in[ci]) {
                found = &components_[ci];
                break;
            }
        if (!found) return Step::Refuse;
        for (int k = 0; k < i; ++k)
            if (in[size_t(k)] == found) return Step::Refuse;
        in[size_t(i)] = found;
        dcTable[size_t(i)] = s[2 + 2 * i] >> 4;
        acTable[size_t(i)] = s[2 + 2 * i] & 15;
    }
    const uchar* p = s + 1 + 2 * count;
    const int ss = p[0], se = p[1], ah = p[2] >> 4, al = p[2] & 15;
    const bool dcBand = ss == 0;
    bool bad = dcBand ? se != 0 : ss > se || se >= 64 || count != 1;
    if (ah != 0 && al != ah - 1) bad = true;
    if (al > kMaxPointTransform || bad) return Step::Refuse;
    if (count > 1) {
        int blocks = 0;
        for (int i = 0; i < count; ++i) blocks += in[size_t(i)]->h * in[size_t(i)]->v;
        if (blocks > kMaxBlocksInUnit) return Step::Refuse;
    }
    // The quantisation table of a channel is taken at its first scan and must exist then.
    for (int i = 0; i < count; ++i) {
        Component& c = *in[size_t(i)];
        if (c.latched) continue;
        if (c.quant >= kTables || !quantSeen_[size_t(c.quant)]) return Step::Refuse;
        c.quantValue = quant_[size_t(c.quant)];
        c.latched = true;
    }
    // Every table the scan uses must exist and pass libjpeg's checks, used or not.
    std::array<Huffman, kMaxChannelsInScan> built;
    std::array<const Huffman*, kMaxChannelsInScan> table{};
    for (int i = 0; i < count; ++i) {
        if (dcBand && ah == 0) {
            if (dcTable[size_t(i)] >= kTables) return Step::Refuse;
            if (!built[size_t(i)].build(dcTables_[size_t(dcTable[size_t(i)])], true))
                return Step::Refuse;
            table[size_t(i)] = &built[size_t(i)];
        } else if (!dcBand) {
            if (acTable[size_t(i)] >= kTables ||
                !built[size_t(i)].build(acTables_[size_t(acTable[size_t(i)])], false))
                return Step::Refuse;
        }
    }
    if (!dcBand || ah != 0) return Step::Stop;
    if (restartInterval_ != 0) return Step::Refuse;  // left to the full decoder
    return decode(in, table, count, al, data, end) ? Step::Go : Step::Refuse;
}

bool Reader::decode(const std::array<Component*, kMaxChannelsInScan>& in,
                    const std::array<const Huffman*, kMaxChannelsInScan>& table, int count,
                    int shift, const uchar* data, const uchar* end) {
    BitReader bits(data, end);
    std::array<int, kMaxChannelsInScan> previous{};
    const auto block = [&](int k, int x, int y) {
        const int difference = nextDifference(bits, *table[size_t(k)]);
        if (difference == INT_MIN) return false;
        int& last = previous[size_t(k)];
        if ((last >= 0 && difference > INT_MAX - last) || (last < 0 && difference < INT_MIN - last))
            return false;  // libjpeg stops at a sum that overflows
        last += difference;
        Component& c = *in[size_t(k)];
        c.dc[size_t(y) * size_t(c.blocksWide) + size_t(x)] = qint16(quint32(last) << shift);
        return true;
    };
    if (count == 1) {  // one channel: its blocks in raster order, without unit padding
        const Component& c = *in[0];
        const int wide = ((width_ * c.h + hMax_ - 1) / hMax_ + 7) / 8;
        const int high = ((height_ * c.v + vMax_ - 1) / vMax_ + 7) / 8;
        for (int y = 0; y < high && !bits.overrun(); ++y)
            for (int x = 0; x < wide; ++x)
                if (!block(0, x, y)) return false;
    } else {
        // A row at a time, so that a scan cut short is given up soon.
        for (int my = 0; my < mcusHigh_ && !bits.overrun(); ++my)
            for (int mx = 0; mx < mcusWide_; ++mx)
                for (int k = 0; k < count; ++k) {
                    const Component& c = *in[size_t(k)];
                    for (int v = 0; v < c.v; ++v)
                        for (int h = 0; h < c.h; ++h)
                            if (!block(k, mx * c.h + h, my * c.v + v)) return false;
                }
    }
    if (bits.overrun()) return false;  // the scan ended long before its blocks did
    for (int i = 0; i < count; ++i) in[size_t(i)]->seen = true;
    return true;
}

// A channel's samples at the picture's eighth size: the mean of each block, and for
// a channel of lower resolution the means interpolated between the centres of its
// blocks, as a decoder smooths it when it enlarges it.
std::vector<float> Reader::plane(const Component& c, int w, int h) const {
    std::vector<float> means(c.dc.size());
    // The first coefficient is eight times the block's mean, less the level shift.
    const float scale = float(c.quantValue) / 8.0f;
    for (size_t i = 0; i < means.size(); ++i) means[i] = float(c.dc[i]) * scale + 128.0f;
    std::vector<float> out(size_t(w) * size_t(h));
    if (c.h == hMax_ && c.v == vMax_) {
        for (int y = 0; y < h; ++y)
            std::copy_n(means.begin() + ptrdiff_t(y) * c.blocksWide, w,
                        out.begin() + ptrdiff_t(y) * w);
        return out;
    }
    struct Tap {
        int a, b;
        float f;
    };
    const auto steps = [](int n, int factor, int maxFactor, int blocks) {
        std::vector<Tap> list(static_cast<size_t>(n));
        for (int i = 0; i < n; ++i) {
            const float u = (i + 0.5f) * factor / maxFactor - 0.5f;
            const int a = int(std::floor(u));
            list[size_t(i)] = {qBound(0, a, blocks - 1), qBound(0, a + 1, blocks - 1), u - a};
        }
        return list;
    };
    const std::vector<Tap> across = steps(w, c.h, hMax_, c.blocksWide);
    const std::vector<Tap> down = steps(h, c.v, vMax_, c.blocksHigh);
    for (int y = 0; y < h; ++y) {
        const Tap& d = down[size_t(y)];
        const float* top = means.data() + ptrdiff_t(d.a) * c.blocksWide;
        const float* bottom = means.data() + ptrdiff_t(d.b) * c.blocksWide;
        float* line = out.data() + ptrdiff_t(y) * w;
        for (int x = 0; x < w; ++x) {
            const Tap& a = across[size_t(x)];
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

// One segment of the file before or among the first scans, as libjpeg takes it.
Reader::Step Reader::segment(uchar m, const uchar* s, int length, qsizetype* i) {
    switch (m) {
        case 0xC2:  // progressive, Huffman coded: the one kind read here
            if (progressive_) return Step::Refuse;  // a second frame
            progressive_ = true;
            return frame(s, length) ? Step::Go : Step::Refuse;
        case 0xC4:
            return tables(s, length) ? Step::Go : Step::Refuse;
        case 0xDB:
            return quantisation(s, length) ? Step::Go : Step::Refuse;
        case 0xDD:
            if (length != 2) return Step::Refuse;
            restartInterval_ = u16(s);
            return Step::Go;
        case 0xDA: {
            // The scan's data runs to the next marker.
            const qsizetype data = *i;
            const qsizetype end = JpegMarkers::endOfScan(b_, n_, data);
            *i = end;
            return scan(s, length, b_ + data, b_ + end);
        }
        case 0xEE:
            if (length >= 12 && std::memcmp(s, "Adobe", 5) == 0) rgb_ = s[11] == 0;
            return Step::Go;
        case 0xCC:  // arithmetic coding conditions
        case 0xDC:  // number of lines
            return Step::Go;
        default:
            if ((m >= 0xE0 && m <= 0xEF) || m == 0xFE)
                return Step::Go;  // application data, comments
            return Step::Refuse;  // other frames (left to the full decoder) and reserved markers
    }
}

QImage Reader::read() {
    if (n_ < 4 || b_[0] != 0xFF || b_[1] != 0xD8) return {};
    qsizetype i = 2;
    for (;;) {
        i = JpegMarkers::next(b_, n_, i);
        if (i + 1 >= n_) break;  // no end marker: what was read stands
        const uchar m = b_[i + 1];
        i += 2;
        if (m == 0xD9) break;
        if (m == 0xD8) return {};                             // a second start
        if (m == 0x01 || (m >= 0xD0 && m <= 0xD7)) continue;  // markers without a length
        if (i + 2 > n_) return {};
        const int length = u16(b_ + i);
        if (length < 2 || i + length > n_) return {};
        const uchar* s = b_ + i + 2;
        i += length;
        const Step step = segment(m, s, length - 2, &i);
        if (step == Step::Refuse) return {};
        if (step == Step::Stop) break;
    }
    if (!progressive_) return {};
    if (components_.size() == 3) {  // RGB rather than YCbCr, by an Adobe marker or by names
        const bool named =
            components_[0].id == 'R' && components_[1].id == 'G' && components_[2].id == 'B';
        if (rgb_ || named) return {};
    }
    for (const Component& c : components_)
        if (!c.seen) return {};
    return picture();
}

}  // namespace

qint64 memoryFor(QSize size, qint64 blocks) {
    const qint64 eighth = qint64((size.width() + 7) / 8) * ((size.height() + 7) / 8);
    // The first coefficients, one channel's means at a time, three planes and the picture.
    return blocks * qint64(sizeof(qint16) + sizeof(float)) + eighth * 4 * 4;
}

QImage read(const QByteArray& bytes) { return Reader(bytes).read(); }

}  // namespace JpegAverages
