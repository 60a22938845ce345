// Packed text: header digit + Base64 of the (compressed) (enciphered) bytes.
#include "support/Codec.h"

#include "support/HeldFiles.h"

#include <QBuffer>
#include <QSaveFile>

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

namespace sky {
namespace {

// Salt of the passphrase key derivation. Every packed text ever made with a
// passphrase depends on it: never change it.
constexpr char kPackSalt[] = "Skylark.pack.v1:K";
static_assert(sizeof(kPackSalt) - 1 == 17, "the salt is 17 characters");

constexpr int kFlagEnciphered = 1;
constexpr int kFlagCompressed = 2;
// Inputs up to this size are stored; larger ones are compressed.
constexpr qsizetype kStoreLimit = 64;
constexpr qint64 kReadChunk = 64 * 1024;
constexpr uInt kInflateChunk = 64 * 1024;

// The cipher for a passphrase: the first 32 hex characters of SHA-1(salt +
// passphrase) are the AES-256 key, their first 16 the IV.
std::unique_ptr<TAESCBC> PassphraseCipher(const QByteArray& passphrase) {
    const QByteArray key = SHA1Hex(QByteArray(kPackSalt) + passphrase).left(32).toLatin1();
    TAESBlock iv;
    std::memcpy(iv, key.constData(), sizeof iv);
    return std::make_unique<TAESCBC>(key.constData(), 256, iv);
}

QByteArray ReadRest(QIODevice* source, int maxCount) {
    QByteArray data;
    if (!source) return data;
    const qint64 limit = maxCount >= 1 ? maxCount : -1;
    for (;;) {
        qint64 want = kReadChunk;
        if (limit >= 0 && want > limit - data.size()) want = limit - data.size();
        if (want <= 0) break;
        const QByteArray chunk = source->read(want);
        if (chunk.isEmpty()) break;
        data.append(chunk);
    }
    return data;
}

bool Compress(const QByteArray& in, QByteArray& out) {
    uLongf len = compressBound(static_cast<uLong>(in.size()));
    out.resize(static_cast<qsizetype>(len));
    if (compress2(reinterpret_cast<Bytef*>(out.data()), &len,
                  reinterpret_cast<const Bytef*>(in.constData()), static_cast<uLong>(in.size()),
                  Z_DEFAULT_COMPRESSION) != Z_OK)
        return false;
    out.resize(static_cast<qsizetype>(len));
    return true;
}

// Inflates one complete zlib stream into dest, a chunk at a time; bytes after
// the end of the stream or a stream cut short fail.
bool InflateTo(const QByteArray& in, QIODevice* dest) {
    z_stream zs{};
    if (inflateInit(&zs) != Z_OK) return false;
    const auto* src = reinterpret_cast<const Bytef*>(in.constData());
    qsizetype left = in.size();
    std::vector<Bytef> buf(kInflateChunk);
    bool ok = true;
    for (;;) {
        if (zs.avail_in == 0 && left > 0) {
            const auto take = static_cast<uInt>(std::min<qsizetype>(left, 1 << 30));
            zs.next_in = const_cast<Bytef*>(src);
            zs.avail_in = take;
            src += take;
            left -= take;
        }
        zs.next_out = buf.data();
        zs.avail_out = kInflateChunk;
        const int ret = inflate(&zs, Z_NO_FLUSH);
        // Z_BUF_ERROR with room for output means the input ran out early.
        if (ret != Z_OK && ret != Z_STREAM_END) {
            ok = false;
            break;
        }
        const auto produced = static_cast<qint64>(kInflateChunk - zs.avail_out);
        if (produced > 0 &&
            dest->write(reinterpret_cast<const char*>(buf.data()), produced) != produced) {
            ok = false;
            break;
        }
        if (ret == Z_STREAM_END) {
            ok = zs.avail_in == 0 && left == 0;
            break;
        }
    }
    inflateEnd(&zs);
    return ok;
}

} // namespace

void PackStream(QIODevice* Source, const QByteArray& Passphrase, int MaxCount, QByteArray& Packed) {
    Packed.clear();
    QByteArray data = ReadRest(Source, MaxCount);
    if (data.isEmpty()) return;
    int flags = 0;
    if (data.size() > kStoreLimit) {
        QByteArray packed;
        if (!Compress(data, packed)) return;
        data = std::move(packed);
        flags |= kFlagCompressed;
    }
    if (!Passphrase.isEmpty()) {
        QByteArray enciphered;
        if (!PassphraseCipher(Passphrase)->EncryptPKCS7(data, enciphered)) return;
        data = std::move(enciphered);
        flags |= kFlagEnciphered;
    }
    const QByteArray text = Base64Encode(data);
    if (text.isEmpty()) return; // over the encoder's maximum length
    Packed.reserve(text.size() + 1);
    Packed.append(static_cast<char>('0' + flags));
    Packed.append(text);
}

QByteArray PackText(const QByteArray& Data, const QByteArray& Passphrase) {
    QByteArray copy = Data;
    QBuffer buffer(&copy);
    QByteArray packed;
    if (buffer.open(QIODevice::ReadOnly)) PackStream(&buffer, Passphrase, 0, packed);
    return packed;
}

bool UnpackStream(const QByteArray& Packed, QIODevice* Dest, const QByteArray& Passphrase) {
    if (Packed.isEmpty() || !Dest) return false;
    const int flags = Packed[0] - '0';
    if (flags < 0 || flags > 3) return false;
    QByteArray data;
    if (!Base64Decode(Packed.mid(1), data)) return false;
    if (flags & kFlagEnciphered) {
        if (Passphrase.isEmpty()) return false; // enciphered bytes are of no use
        QByteArray plain;
        if (!PassphraseCipher(Passphrase)->DecryptPKCS7(data, plain)) return false;
        data = std::move(plain);
    }
    if (flags & kFlagCompressed) return InflateTo(data, Dest);
    return data.isEmpty() || Dest->write(data) == data.size();
}

bool UnpackText(const QByteArray& Packed, QByteArray& Data, const QByteArray& Passphrase) {
    Data.clear();
    QBuffer buffer(&Data);
    if (!buffer.open(QIODevice::WriteOnly)) return false;
    const bool ok = UnpackStream(Packed, &buffer, Passphrase) && !Data.isEmpty();
    buffer.close();
    if (!ok) Data.clear();
    return ok;
}

bool UnpackToFile(const QByteArray& Packed, const QString& FileName, const QByteArray& Passphrase) {
    // The bytes go to a temporary file that replaces the target only on
    // success; never over a database file a connection of ours holds.
    if (IsHeldDatabaseFile(FileName)) return false;
    QSaveFile file(FileName);
    if (!file.open(QIODevice::WriteOnly)) return false;
    if (!UnpackStream(Packed, &file, Passphrase)) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

} // namespace sky
