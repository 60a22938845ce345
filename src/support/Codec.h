// The packed text codec and its building blocks: Base64, AES-256-CBC with
// PKCS#7 padding under a passphrase-derived key, zlib compression, and the
// MD5, SHA-1, SHA-256 and Adler-32 digests.
//
// Packed text: one header digit ("0" stored, "1" stored + enciphered,
// "2" compressed, "3" compressed + enciphered) followed by standard Base64.
#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QString>
#include <cstdint>

namespace sky {

// --- packed text
// Packs the bytes from the stream's position to its end (at most MaxCount
// when MaxCount >= 1). No bytes (or any failure) give empty text.
void PackStream(QIODevice* Source, const QByteArray& Passphrase, int MaxCount, QByteArray& Packed);
QByteArray PackText(const QByteArray& Data, const QByteArray& Passphrase);
// Writes the unpacked bytes to Dest; false on any failure (a header other
// than "0".."3", invalid Base64, a missing passphrase for an enciphered
// text, bad padding, a failed inflate).
bool UnpackStream(const QByteArray& Packed, QIODevice* Dest, const QByteArray& Passphrase);
// True only when at least one byte was obtained and all of it was read.
bool UnpackText(const QByteArray& Packed, QByteArray& Data, const QByteArray& Passphrase);
// Creates or replaces the file (written to a temporary file first).
bool UnpackToFile(const QByteArray& Packed, const QString& FileName, const QByteArray& Passphrase);

// --- Base64 (standard alphabet, "=" padding, no line breaks)
void Base64EncodeStream(QIODevice* Source, int MaxCount, QByteArray& Text);
QByteArray Base64Encode(const QByteArray& Data);
// Decodes up to and including the first "="; a character outside the
// alphabet stops with false after the complete groups before it.
bool Base64DecodeText(const QByteArray& Text, QIODevice* Dest);
bool Base64Decode(const QByteArray& Text, QByteArray& Data);

// --- digests (lower-case hexadecimal)
QString MD5Hex(const QByteArray& Data);
QString SHA1Hex(const QByteArray& Data);
QString SHA256Hex(const QByteArray& Data);
// Adler-32 from a start value (1 gives the standard checksum).
uint32_t Adler32(const QByteArray& Data, uint32_t Start);

// --- AES block cipher classes
using TAESBlock = unsigned char[16];

class TAESAbstract {
public:
    // aKeySize 128, 192 or 256 bits; other sizes fail (Ok() false, Error() says why).
    TAESAbstract(const void* aKey, int aKeySize, const TAESBlock& aIV);
    virtual ~TAESAbstract();
    TAESAbstract(const TAESAbstract&) = delete;
    TAESAbstract& operator=(const TAESAbstract&) = delete;

    bool Ok() const { return FError.isEmpty(); }
    QString Error() const { return FError; }
    // Restart the chain from the IV on every call; whole blocks in the mode
    // of the class, a final partial block XORed with the encipherment of the
    // current chaining value.
    virtual bool Encrypt(const void* BufIn, void* BufOut, qsizetype Count) = 0;
    virtual bool Decrypt(const void* BufIn, void* BufOut, qsizetype Count) = 0;
    // Pads (PKCS#7) and enciphers / deciphers and checks the padding (1..16
    // bytes all equal to the pad length); false with Error() "Invalid content".
    bool EncryptPKCS7(const QByteArray& Input, QByteArray& Output);
    bool DecryptPKCS7(const QByteArray& Input, QByteArray& Output);

protected:
    // One block through the AES primitive (the engine state lives in the .cpp).
    bool EncryptBlock(const unsigned char* in, unsigned char* out);
    bool DecryptBlock(const unsigned char* in, unsigned char* out);

    unsigned char CV[16] = {};
    unsigned char FIV[16] = {};
    unsigned char fKey[32] = {};
    int fKeySize = 0;
    int fKeySizeBytes = 0;
    QString FError;
    struct Engine;
    Engine* AES = nullptr;
};

class TAESCBC : public TAESAbstract {
public:
    using TAESAbstract::TAESAbstract;
    bool Encrypt(const void* BufIn, void* BufOut, qsizetype Count) override;
    bool Decrypt(const void* BufIn, void* BufOut, qsizetype Count) override;
};

} // namespace sky
