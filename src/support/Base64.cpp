// Standard Base64 with "=" padding and no line breaks.
#include "support/Codec.h"

#include <QBuffer>

namespace sky {
namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
static_assert(sizeof(kAlphabet) - 1 == 64, "Invalid Base64 code lookup length");

// Inputs longer than this would give text beyond the 2 GiB a byte text may hold.
constexpr qint64 kMaxEncodeLength = 1610612733;

// Read size for streams: a multiple of 3 so that no group straddles two reads.
constexpr qint64 kReadChunk = 3 * 16384;
constexpr qsizetype kWriteChunk = 48 * 1024;

// Appends the Base64 of Count bytes; a final group of 1 or 2 bytes is padded.
void EncodeInto(const unsigned char* p, qsizetype count, QByteArray& text) {
    qsizetype i = 0;
    for (; i + 3 <= count; i += 3) {
        const uint32_t v = (uint32_t(p[i]) << 16) | (uint32_t(p[i + 1]) << 8) | p[i + 2];
        const char group[4] = {kAlphabet[v >> 18], kAlphabet[(v >> 12) & 63],
                               kAlphabet[(v >> 6) & 63], kAlphabet[v & 63]};
        text.append(group, 4);
    }
    const qsizetype rest = count - i;
    if (rest == 0) return;
    uint32_t v = uint32_t(p[i]) << 16;
    if (rest == 2) v |= uint32_t(p[i + 1]) << 8;
    const char group[4] = {kAlphabet[v >> 18], kAlphabet[(v >> 12) & 63],
                           rest == 2 ? kAlphabet[(v >> 6) & 63] : '=', '='};
    text.append(group, 4);
}

// Value of a Base64 character, or -1 outside the alphabet.
int DecodeValue(char c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
}

bool Flush(QIODevice* dest, QByteArray& pending) {
    if (pending.isEmpty()) return true;
    const bool ok = dest->write(pending) == pending.size();
    pending.clear();
    return ok;
}

} // namespace

void Base64EncodeStream(QIODevice* Source, int MaxCount, QByteArray& Text) {
    Text.clear();
    if (!Source) return;
    const qint64 limit = MaxCount > 0 ? MaxCount : -1;
    if (!Source->isSequential()) {
        qint64 n = Source->size() - Source->pos();
        if (limit >= 0 && n > limit) n = limit;
        if (n > kMaxEncodeLength) return; // over the maximum encoder length
        if (n > 0) Text.reserve(static_cast<qsizetype>((n + 2) / 3 * 4));
    }
    qint64 total = 0;
    QByteArray pending;
    for (;;) {
        qint64 want = kReadChunk - pending.size();
        if (limit >= 0 && want > limit - total) want = limit - total;
        if (want <= 0) break;
        const QByteArray chunk = Source->read(want);
        if (chunk.isEmpty()) break;
        total += chunk.size();
        if (total > kMaxEncodeLength) {
            Text.clear();
            return;
        }
        pending.append(chunk);
        const qsizetype whole = pending.size() / 3 * 3;
        EncodeInto(reinterpret_cast<const unsigned char*>(pending.constData()), whole, Text);
        pending.remove(0, whole);
    }
    EncodeInto(reinterpret_cast<const unsigned char*>(pending.constData()), pending.size(), Text);
}

QByteArray Base64Encode(const QByteArray& Data) {
    QByteArray text;
    if (Data.size() > kMaxEncodeLength) return text;
    text.reserve((Data.size() + 2) / 3 * 4);
    EncodeInto(reinterpret_cast<const unsigned char*>(Data.constData()), Data.size(), text);
    return text;
}

bool Base64DecodeText(const QByteArray& Text, QIODevice* Dest) {
    if (!Dest) return false;
    // Everything from the first "=" on is padding or ignored.
    qsizetype end = Text.indexOf('=');
    if (end < 0) end = Text.size();
    QByteArray pending;
    pending.reserve(kWriteChunk + 3);
    uint32_t acc = 0;
    int have = 0;
    for (qsizetype i = 0; i < end; ++i) {
        const int v = DecodeValue(Text[i]);
        if (v < 0) { // only the complete groups before it count
            Flush(Dest, pending);
            return false;
        }
        acc = (acc << 6) | uint32_t(v);
        if (++have == 4) {
            const char bytes[3] = {char(acc >> 16), char(acc >> 8), char(acc)};
            pending.append(bytes, 3);
            acc = 0;
            have = 0;
            if (pending.size() >= kWriteChunk && !Flush(Dest, pending)) return false;
        }
    }
    // A short last group: 3 characters give 2 bytes, 2 give 1, a lone one none.
    if (have == 3) {
        acc <<= 6;
        const char bytes[2] = {char(acc >> 16), char(acc >> 8)};
        pending.append(bytes, 2);
    } else if (have == 2) {
        acc <<= 12;
        pending.append(char(acc >> 16));
    }
    return Flush(Dest, pending);
}

bool Base64Decode(const QByteArray& Text, QByteArray& Data) {
    Data.clear();
    QBuffer buffer(&Data);
    if (!buffer.open(QIODevice::WriteOnly)) return false;
    return Base64DecodeText(Text, &buffer);
}

} // namespace sky
