// AES block cipher classes: the raw block primitive comes from libcrypto
// (ECB, one block at a time, no padding); CBC chaining, the partial-block
// rule and PKCS#7 are done here.
#include "support/Codec.h"

#include <openssl/evp.h>

#include <cstring>

namespace sky {

struct TAESAbstract::Engine {
    EVP_CIPHER_CTX* enc = nullptr;
    EVP_CIPHER_CTX* dec = nullptr;
    ~Engine() {
        EVP_CIPHER_CTX_free(enc);
        EVP_CIPHER_CTX_free(dec);
    }
};

namespace {

const QString kInvalidContent = QStringLiteral("Invalid content");

const EVP_CIPHER* EcbCipher(int bits) {
    switch (bits) {
    case 128:
        return EVP_aes_128_ecb();
    case 192:
        return EVP_aes_192_ecb();
    default:
        return EVP_aes_256_ecb();
    }
}

EVP_CIPHER_CTX* NewContext(const EVP_CIPHER* cipher, const unsigned char* key, bool encrypt) {
    EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
    if (!ctx) return nullptr;
    const int ok = encrypt ? EVP_EncryptInit_ex(ctx, cipher, nullptr, key, nullptr)
                           : EVP_DecryptInit_ex(ctx, cipher, nullptr, key, nullptr);
    if (ok != 1 || EVP_CIPHER_CTX_set_padding(ctx, 0) != 1) {
        EVP_CIPHER_CTX_free(ctx);
        return nullptr;
    }
    return ctx;
}

bool RunBlock(EVP_CIPHER_CTX* ctx, bool encrypt, const unsigned char* in, unsigned char* out) {
    unsigned char tmp[16];
    int len = 0;
    const int ok = encrypt ? EVP_EncryptUpdate(ctx, tmp, &len, in, 16)
                           : EVP_DecryptUpdate(ctx, tmp, &len, in, 16);
    if (ok != 1 || len != 16) return false;
    std::memcpy(out, tmp, 16);
    return true;
}

} // namespace

TAESAbstract::TAESAbstract(const void* aKey, int aKeySize, const TAESBlock& aIV) {
    std::memcpy(FIV, aIV, sizeof FIV);
    std::memcpy(CV, aIV, sizeof CV);
    if (aKeySize != 128 && aKeySize != 192 && aKeySize != 256) {
        // TAESCBC is the one concrete class; the base cannot see the derived name here.
        FError = QString::asprintf("%s.Create key size = %d; should be either 128, 192 or 256",
                                   "TAESCBC", aKeySize);
        return;
    }
    fKeySize = aKeySize;
    fKeySizeBytes = aKeySize / 8;
    if (aKey) std::memcpy(fKey, aKey, static_cast<size_t>(fKeySizeBytes));
    auto* engine = new Engine;
    const EVP_CIPHER* cipher = EcbCipher(aKeySize);
    engine->enc = NewContext(cipher, fKey, true);
    engine->dec = NewContext(cipher, fKey, false);
    if (!aKey || !engine->enc || !engine->dec) {
        delete engine;
        FError = QStringLiteral("AES engine initialization failure");
        return;
    }
    AES = engine;
}

TAESAbstract::~TAESAbstract() {
    delete AES;
    std::memset(fKey, 0, sizeof fKey);
}

bool TAESAbstract::EncryptBlock(const unsigned char* in, unsigned char* out) {
    return AES && RunBlock(AES->enc, true, in, out);
}

bool TAESAbstract::DecryptBlock(const unsigned char* in, unsigned char* out) {
    return AES && RunBlock(AES->dec, false, in, out);
}

bool TAESAbstract::EncryptPKCS7(const QByteArray& Input, QByteArray& Output) {
    Output.clear();
    if (!AES) return false;
    FError.clear(); // a content error of an earlier call does not stick
    const int pad = 16 - static_cast<int>(Input.size() % 16);
    QByteArray buf = Input;
    buf.append(QByteArray(pad, static_cast<char>(pad)));
    if (!Encrypt(buf.constData(), buf.data(), buf.size())) return false;
    Output = std::move(buf);
    return true;
}

bool TAESAbstract::DecryptPKCS7(const QByteArray& Input, QByteArray& Output) {
    Output.clear();
    if (!AES) return false;
    FError.clear();
    if (Input.size() < 16 || Input.size() % 16 != 0) {
        FError = kInvalidContent;
        return false;
    }
    QByteArray buf = Input;
    if (!Decrypt(buf.constData(), buf.data(), buf.size())) return false;
    const int pad = static_cast<unsigned char>(buf.back());
    bool ok = pad >= 1 && pad <= 16;
    for (qsizetype i = buf.size() - pad; ok && i < buf.size(); ++i)
        ok = static_cast<unsigned char>(buf[i]) == pad;
    if (!ok) {
        FError = kInvalidContent;
        return false;
    }
    buf.chop(pad);
    Output = std::move(buf);
    return true;
}

bool TAESCBC::Encrypt(const void* BufIn, void* BufOut, qsizetype Count) {
    if (!AES || Count < 0 || (Count > 0 && (!BufIn || !BufOut))) return false;
    const auto* in = static_cast<const unsigned char*>(BufIn);
    auto* out = static_cast<unsigned char*>(BufOut);
    std::memcpy(CV, FIV, sizeof CV);
    qsizetype done = 0;
    for (; done + 16 <= Count; done += 16) {
        unsigned char block[16];
        for (int i = 0; i < 16; ++i)
            block[i] = in[done + i] ^ CV[i];
        if (!EncryptBlock(block, CV)) return false;
        std::memcpy(out + done, CV, 16);
    }
    if (done < Count) { // partial tail: XOR with the encipherment of the chaining value
        unsigned char stream[16];
        if (!EncryptBlock(CV, stream)) return false;
        for (qsizetype i = done; i < Count; ++i)
            out[i] = in[i] ^ stream[i - done];
    }
    return true;
}

bool TAESCBC::Decrypt(const void* BufIn, void* BufOut, qsizetype Count) {
    if (!AES || Count < 0 || (Count > 0 && (!BufIn || !BufOut))) return false;
    const auto* in = static_cast<const unsigned char*>(BufIn);
    auto* out = static_cast<unsigned char*>(BufOut);
    std::memcpy(CV, FIV, sizeof CV);
    qsizetype done = 0;
    for (; done + 16 <= Count; done += 16) {
        unsigned char cipher[16];
        unsigned char plain[16];
        std::memcpy(cipher, in + done, 16); // the input may be the output buffer
        if (!DecryptBlock(cipher, plain)) return false;
        for (int i = 0; i < 16; ++i)
            out[done + i] = plain[i] ^ CV[i];
        std::memcpy(CV, cipher, 16);
    }
    if (done < Count) {
        unsigned char stream[16];
        if (!EncryptBlock(CV, stream)) return false;
        for (qsizetype i = done; i < Count; ++i)
            out[i] = in[i] ^ stream[i - done];
    }
    return true;
}

} // namespace sky
