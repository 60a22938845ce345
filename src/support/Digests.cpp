// MD5, SHA-1 and SHA-256 through libcrypto; Adler-32 computed here.
#include "support/Codec.h"

#include <openssl/evp.h>

namespace sky {
namespace {

QString DigestHex(const EVP_MD* md, const QByteArray& data) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int len = 0;
    if (EVP_Digest(data.constData(), static_cast<size_t>(data.size()), digest, &len, md, nullptr) !=
        1)
        return {};
    return QString::fromLatin1(
        QByteArray(reinterpret_cast<const char*>(digest), static_cast<qsizetype>(len)).toHex());
}

constexpr uint32_t kAdlerMod = 65521;
// Largest run of bytes whose sums cannot overflow 32 bits before reduction.
constexpr qsizetype kAdlerBlock = 5552;

} // namespace

QString MD5Hex(const QByteArray& Data) {
    return DigestHex(EVP_md5(), Data);
}
QString SHA1Hex(const QByteArray& Data) {
    return DigestHex(EVP_sha1(), Data);
}
QString SHA256Hex(const QByteArray& Data) {
    return DigestHex(EVP_sha256(), Data);
}

uint32_t Adler32(const QByteArray& Data, uint32_t Start) {
    // The low half of the start value is the byte sum, the high half the sum of sums.
    uint32_t a = (Start & 0xFFFF) % kAdlerMod;
    uint32_t b = (Start >> 16) % kAdlerMod;
    const auto* p = reinterpret_cast<const unsigned char*>(Data.constData());
    qsizetype left = Data.size();
    while (left > 0) {
        const qsizetype n = left < kAdlerBlock ? left : kAdlerBlock;
        for (qsizetype i = 0; i < n; ++i) {
            a += p[i];
            b += a;
        }
        a %= kAdlerMod;
        b %= kAdlerMod;
        p += n;
        left -= n;
    }
    return (b << 16) | a;
}

} // namespace sky
