#include "support/CsvValues.h"

#include <cstdlib>
#include <cstring>
#include <new>
#include <stdexcept>

namespace sky {

TCSVValues::TCSVValues(std::initializer_list<QString> values) {
    for (const QString& v : values)
        append(v);
}

TCSVValues::TCSVValues(const QStringList& values) {
    for (const QString& v : values)
        append(v);
}

TCSVValues::TCSVValues(const TCSVValues& other)
    : n_(other.n_), ends_(other.ends_), bases_(other.bases_), wide_(other.wide_) {
    Grow(other.used_);
    if (other.used_ > 0) std::memcpy(bytes_, other.bytes_, size_t(other.used_));
    used_ = other.used_;
}

TCSVValues::TCSVValues(TCSVValues&& other) noexcept
    : bytes_(other.bytes_), used_(other.used_), capacity_(other.capacity_), n_(other.n_),
      ends_(std::move(other.ends_)), bases_(std::move(other.bases_)),
      wide_(std::move(other.wide_)) {
    other.bytes_ = nullptr;
    other.used_ = other.capacity_ = other.n_ = 0;
    other.ends_.clear();
    other.bases_.clear();
    other.wide_.clear();
}

TCSVValues& TCSVValues::operator=(const TCSVValues& other) {
    if (this != &other) {
        TCSVValues copy(other);
        *this = std::move(copy);
    }
    return *this;
}

TCSVValues& TCSVValues::operator=(TCSVValues&& other) noexcept {
    if (this != &other) {
        std::free(bytes_);
        bytes_ = other.bytes_;
        used_ = other.used_;
        capacity_ = other.capacity_;
        n_ = other.n_;
        ends_ = std::move(other.ends_);
        bases_ = std::move(other.bases_);
        wide_ = std::move(other.wide_);
        other.bytes_ = nullptr;
        other.used_ = other.capacity_ = other.n_ = 0;
        other.ends_.clear();
        other.bases_.clear();
        other.wide_.clear();
    }
    return *this;
}

TCSVValues::~TCSVValues() {
    std::free(bytes_);
}

void TCSVValues::Grow(qsizetype need) {
    if (need <= capacity_) return;
    qsizetype cap = qMax<qsizetype>(capacity_ + capacity_ / 2, 256);
    if (cap < need) cap = need;
    void* p = std::realloc(bytes_, size_t(cap));
    if (!p) throw std::bad_alloc();
    bytes_ = static_cast<char*>(p);
    capacity_ = cap;
}

qsizetype TCSVValues::length(qsizetype i) const {
    const qsizetype bytes = End(i) - Begin(i);
    return Wide(i) ? bytes / 2 : bytes;
}

QString TCSVValues::at(qsizetype i) const {
    const qsizetype b = Begin(i), e = End(i);
    if (!Wide(i)) return QString::fromLatin1(bytes_ + b, e - b);
    // The buffer gives no alignment for char16_t: copy the bytes.
    QString s((e - b) / 2, Qt::Uninitialized);
    std::memcpy(s.data(), bytes_ + b, size_t(e - b));
    return s;
}

void TCSVValues::append(QStringView value) {
    const char16_t* u = value.utf16();
    const qsizetype len = value.size();
    // Copied as Latin-1 while the units are checked (one pass for the usual
    // value); a unit above 0xFF stores the value as UTF-16 instead.
    Grow(used_ + len);
    char* latin = bytes_ + used_;
    char16_t all = 0;
    for (qsizetype k = 0; k < len; ++k) {
        all |= u[k];
        latin[k] = char(u[k]);
    }
    const bool wide = all > 0xFF;
    const qsizetype pad = wide ? (used_ & 1) : 0;
    const qsizetype bytes = wide ? len * 2 : len;
    if ((n_ & (kBlock - 1)) == 0) bases_.push_back(used_);
    const qsizetype rel = used_ + pad + bytes - bases_.back();
    if (rel > qsizetype(UINT32_MAX)) {
        if ((n_ & (kBlock - 1)) == 0) bases_.pop_back();
        throw std::length_error("CSV column too large");
    }
    if (wide) {
        Grow(used_ + pad + bytes);
        std::memcpy(bytes_ + used_ + pad, u, size_t(bytes));
    }
    used_ += pad + bytes;
    ends_.push_back(uint32_t(rel));
    if ((n_ & 63) == 0) wide_.push_back(0);
    if (wide) wide_.back() |= uint64_t(1) << (n_ & 63);
    ++n_;
}

void TCSVValues::resize(qsizetype n) {
    if (n < 0) n = 0;
    if (n >= n_) {
        reserve(n);
        while (n_ < n)
            append(QStringView());
        return;
    }
    n_ = n;
    ends_.resize(size_t(n));
    bases_.resize(size_t((n + kBlock - 1) >> kBlockBits));
    wide_.resize(size_t((n + 63) >> 6));
    if (n & 63) wide_.back() &= (uint64_t(1) << (n & 63)) - 1;
    used_ = n == 0 ? 0 : End(n - 1);
}

void TCSVValues::reserve(qsizetype n) {
    ends_.reserve(size_t(n));
    bases_.reserve(size_t((n + kBlock - 1) >> kBlockBits));
    wide_.reserve(size_t((n + 63) >> 6));
}

QStringList TCSVValues::toList() const {
    QStringList r;
    r.reserve(n_);
    for (qsizetype i = 0; i < n_; ++i)
        r.append(at(i));
    return r;
}

bool TCSVValues::operator==(const TCSVValues& other) const {
    if (n_ != other.n_) return false;
    for (qsizetype i = 0; i < n_; ++i)
        if (view(i) != other.view(i)) return false;
    return true;
}

bool TCSVValues::operator==(const QStringList& other) const {
    if (n_ != other.size()) return false;
    for (qsizetype i = 0; i < n_; ++i)
        if (view(i) != QAnyStringView(other[i])) return false;
    return true;
}

} // namespace sky
