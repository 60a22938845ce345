// Fuzzes unpacking of arbitrary text with no passphrase and with a fixed one:
// it must never crash, and whatever unpacks must pack and unpack again to
// the same bytes.
#include "support/Codec.h"

#include <cstddef>
#include <cstdint>

namespace {

void Check(bool ok) {
    if (!ok) __builtin_trap();
}

void Probe(const QByteArray& packed, const QByteArray& passphrase) {
    QByteArray data;
    const bool ok = sky::UnpackText(packed, data, passphrase);
    Check(ok == !data.isEmpty());
    if (!ok) return;
    // An enciphered header is only accepted with a passphrase.
    Check(!passphrase.isEmpty() || packed[0] == '0' || packed[0] == '2');
    const QByteArray repacked = sky::PackText(data, passphrase);
    QByteArray back;
    Check(sky::UnpackText(repacked, back, passphrase) && back == data);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray packed(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    Probe(packed, QByteArray());
    Probe(packed, QByteArrayLiteral("fuzz passphrase"));
    return 0;
}
