// The values of one column of a read CSV table, stored compactly: all values
// in one growing byte buffer, each as Latin-1 bytes when every unit fits and
// as UTF-16 units otherwise, found through 32-bit end offsets relative to a
// 64-bit base per block of 256 values. Values read back exactly as stored;
// UTF-16 values start on an even offset, so their views are aligned.
#pragma once

#include <QAnyStringView>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <cstdint>
#include <initializer_list>
#include <vector>

namespace sky {

class TCSVValues {
public:
    TCSVValues() = default;
    TCSVValues(std::initializer_list<QString> values);
    explicit TCSVValues(const QStringList& values);
    TCSVValues(const TCSVValues& other);
    TCSVValues(TCSVValues&& other) noexcept;
    TCSVValues& operator=(const TCSVValues& other);
    TCSVValues& operator=(TCSVValues&& other) noexcept;
    ~TCSVValues();

    qsizetype size() const { return n_; }
    qsizetype count() const { return n_; }
    bool isEmpty() const { return n_ == 0; }

    // Value i (0 <= i < size()).
    QString at(qsizetype i) const;
    QString operator[](qsizetype i) const { return at(i); }
    QString first() const { return at(0); }
    QString last() const { return at(n_ - 1); }
    // Value i without a copy: Latin-1 or UTF-16; valid until the next change.
    QAnyStringView view(qsizetype i) const {
        const qsizetype b = Begin(i), e = End(i);
        if (Wide(i)) return QStringView(reinterpret_cast<const char16_t*>(bytes_ + b), (e - b) / 2);
        return QLatin1String(bytes_ + b, e - b);
    }
    // The value's length in UTF-16 units.
    qsizetype length(qsizetype i) const;

    // Throws std::length_error when 256 consecutive values exceed 4 GiB.
    void append(QStringView value);
    TCSVValues& operator<<(QStringView value) {
        append(value);
        return *this;
    }
    // Shrinking drops the last values; growing appends empty values.
    void resize(qsizetype n);
    void clear() { resize(0); }
    void reserve(qsizetype n);

    QStringList toList() const;
    bool operator==(const TCSVValues& other) const;
    bool operator==(const QStringList& other) const;

    class const_iterator {
    public:
        const_iterator(const TCSVValues* v, qsizetype i) : v_(v), i_(i) {}
        QString operator*() const { return v_->at(i_); }
        const_iterator& operator++() {
            ++i_;
            return *this;
        }
        bool operator!=(const const_iterator& o) const { return i_ != o.i_; }
        bool operator==(const const_iterator& o) const { return i_ == o.i_; }

    private:
        const TCSVValues* v_;
        qsizetype i_;
    };
    const_iterator begin() const { return {this, 0}; }
    const_iterator end() const { return {this, n_}; }

private:
    static constexpr int kBlockBits = 8;
    static constexpr qsizetype kBlock = qsizetype(1) << kBlockBits;

    qsizetype Begin(qsizetype i) const {
        const qsizetype base = bases_[size_t(i >> kBlockBits)];
        const qsizetype b = (i & (kBlock - 1)) == 0 ? base : base + ends_[size_t(i - 1)];
        // UTF-16 values start on an even offset (a pad byte before them when
        // needed), so their views are aligned for char16_t.
        return Wide(i) ? b + (b & 1) : b;
    }
    qsizetype End(qsizetype i) const { return bases_[size_t(i >> kBlockBits)] + ends_[size_t(i)]; }
    bool Wide(qsizetype i) const { return (wide_[size_t(i >> 6)] >> (i & 63)) & 1; }
    void Grow(qsizetype need);

    // Kept with malloc/realloc so that large buffers grow without a copy.
    char* bytes_ = nullptr;
    qsizetype used_ = 0;
    qsizetype capacity_ = 0;
    qsizetype n_ = 0;
    std::vector<uint32_t> ends_;   // end of value i relative to its block's base
    std::vector<qsizetype> bases_; // byte offset of each block's first value
    std::vector<uint64_t> wide_;   // bit i: value i is stored as UTF-16
};

} // namespace sky
