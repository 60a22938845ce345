// Fuzzes the decoding of text files: whole and in pieces alike, UTF-8 input
// reads as UTF-8, ASCII as itself, and a text that is UTF-8 but for some bytes decodes piece by
// piece (a cut after an ASCII byte never changes how either side reads), so one stray byte cannot
// change how the rest of the file reads.
#include "support/TextFile.h"

#include <QByteArray>
#include <QString>
#include <QStringDecoder>
#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace {

void Check(bool ok) {
    if (!ok) __builtin_trap();
}

bool StartsWithMark(const QByteArray& b) {
    return b.startsWith("\xEF\xBB\xBF") || b.startsWith("\xFF\xFE") || b.startsWith("\xFE\xFF");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString text = sky::DecodeText(bytes);

    // Decoded in pieces (of a size the input picks), the text is the same.
    if (!bytes.isEmpty()) {
        const qsizetype piece = 1 + qsizetype(static_cast<unsigned char>(bytes.back()) % 8);
        sky::TextDecoder decoder;
        QString pieces;
        for (qsizetype at = 0; at < bytes.size(); at += piece)
            decoder.Decode(QByteArrayView(bytes).sliced(at, std::min(piece, bytes.size() - at)),
                           pieces, false);
        decoder.Decode(QByteArrayView(), pieces, true);
        Check(pieces == text);
    }
    if (StartsWithMark(bytes)) return 0;

    bool ascii = true;
    for (char c : bytes)
        ascii = ascii && static_cast<unsigned char>(c) < 0x80;
    if (ascii) Check(text == QString::fromLatin1(bytes));

    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString strict = utf8.decode(bytes);
    if (!utf8.hasError()) Check(text == strict);

    // Cut after the first ASCII byte from the middle on: both sides decode
    // as they do alone.
    for (qsizetype i = bytes.size() / 2; i + 1 < bytes.size(); ++i) {
        if (static_cast<unsigned char>(bytes[i]) >= 0x80) continue;
        const QByteArray tail = bytes.sliced(i + 1);
        if (!StartsWithMark(tail))
            Check(text == sky::DecodeText(bytes.first(i + 1)) + sky::DecodeText(tail));
        break;
    }
    return 0;
}
