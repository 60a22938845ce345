// Fuzzes Base64 decoding: the bytes decoded must be exactly the complete
// groups before the first "=" or foreign character, and re-encoding valid
// text without its padding must give back the same characters.
#include "support/Codec.h"

#include <QBuffer>

#include <cstddef>
#include <cstdint>

namespace {

void Check(bool ok) {
    if (!ok) __builtin_trap();
}

bool InAlphabet(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' ||
           c == '/';
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray text(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QByteArray out;
    QBuffer dest(&out);
    Check(dest.open(QIODevice::WriteOnly));
    const bool ok = sky::Base64DecodeText(text, &dest);

    // The run of alphabet characters the decoder may read.
    qsizetype run = 0;
    while (run < text.size() && InAlphabet(text[run]))
        ++run;
    const bool stoppedAtForeign = run < text.size() && text[run] != '=';
    Check(ok == !stoppedAtForeign);
    const qsizetype groups = run / 4;
    const qsizetype rest = run % 4;
    const qsizetype expected = groups * 3 + (ok && rest > 1 ? rest - 1 : 0);
    Check(out.size() == expected);

    // Whatever was decoded encodes back to the characters it came from,
    // apart from the unused low bits of a short last group.
    const QByteArray again = sky::Base64Encode(out);
    Check(again.left(groups * 4) == text.left(groups * 4));
    QByteArray back;
    Check(sky::Base64Decode(again, back) && back == out);
    return 0;
}
