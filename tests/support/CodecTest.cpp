// The packed text codec and its parts: digests, Adler-32, AES-CBC, Base64.
#include "support/Codec.h"
#include "engine/Database.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <openssl/evp.h>
#include <zlib.h>

#include <cctype>
#include <cstring>
#include <random>

namespace sky {
namespace {

QByteArray Hex(const char* hex) {
    return QByteArray::fromHex(hex);
}

QByteArray RandomBytes(std::mt19937& rng, qsizetype n) {
    QByteArray b(n, Qt::Uninitialized);
    std::uniform_int_distribution<int> byte(0, 255);
    for (qsizetype i = 0; i < n; ++i)
        b[i] = static_cast<char>(byte(rng));
    return b;
}

TEST(Digests, KnownAnswers) {
    const QByteArray million(1000000, 'a');
    struct Case {
        QString (*fn)(const QByteArray&);
        QByteArray in;
        const char* hex;
    } cases[] = {
        // RFC 1321 test suite.
        {MD5Hex, "", "d41d8cd98f00b204e9800998ecf8427e"},
        {MD5Hex, "a", "0cc175b9c0f1b6a831c399e269772661"},
        {MD5Hex, "abc", "900150983cd24fb0d6963f7d28e17f72"},
        {MD5Hex, "message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
        {MD5Hex, "abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
        {MD5Hex, "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
         "d174ab98d277d9f5a5611c2c9f419d9f"},
        {MD5Hex, QByteArray("1234567890").repeated(8), "57edf4a22be3c955ac49da2e2107b67a"},
        // FIPS 180: "abc" and the 448-bit message.
        {SHA1Hex, "abc", "a9993e364706816aba3e25717850c26c9cd0d89d"},
        {SHA1Hex, "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         "84983e441c3bd26ebaae4aa1f95129e5e54670f1"},
        {SHA1Hex, million, "34aa973cd4c4daa4f61eeb2bdbad27316534016f"},
        {SHA256Hex, "abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {SHA256Hex, "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
        {SHA256Hex, "", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.in.left(40).toStdString());
        EXPECT_EQ(c.fn(c.in).toStdString(), std::string(c.hex));
    }
}

TEST(Adler32, KnownAnswerAndChaining) {
    EXPECT_EQ(Adler32("Wikipedia", 1), 0x11E60398u);
    EXPECT_EQ(Adler32("", 1), 1u);

    std::mt19937 rng(7);
    // Sizes around the 5552-byte reduction block; long runs of 0xFF stress the sums.
    for (qsizetype n : {qsizetype(0), qsizetype(1), qsizetype(5551), qsizetype(5552),
                        qsizetype(5553), qsizetype(11105), qsizetype(100000)}) {
        for (const QByteArray& data : {RandomBytes(rng, n), QByteArray(n, '\xFF')}) {
            SCOPED_TRACE(n);
            const auto zlibSum = [&](uLong start) {
                return static_cast<uint32_t>(
                    adler32(start, reinterpret_cast<const Bytef*>(data.constData()),
                            static_cast<uInt>(data.size())));
            };
            EXPECT_EQ(Adler32(data, 1), zlibSum(1));
            EXPECT_EQ(Adler32(data, 0xABCD1234u), zlibSum(0xABCD1234u));
            EXPECT_EQ(Adler32(data, 0xFFF0FFF0u), zlibSum(0xFFF0FFF0u));
            // Start-value chaining over every kind of split point.
            for (qsizetype cut : {qsizetype(0), n / 3, n}) {
                EXPECT_EQ(Adler32(data.mid(cut), Adler32(data.left(cut), 1)), Adler32(data, 1));
            }
        }
    }
}

// One block through a CBC cipher with a zero IV is the bare AES primitive.
QByteArray EncryptOnce(const QByteArray& key, const QByteArray& iv, const QByteArray& in,
                       bool decrypt = false) {
    TAESBlock ivBlock = {};
    std::memcpy(ivBlock, iv.constData(), 16);
    TAESCBC aes(key.constData(), static_cast<int>(key.size() * 8), ivBlock);
    EXPECT_TRUE(aes.Ok()) << aes.Error().toStdString();
    QByteArray out(in.size(), '\0');
    const bool ok = decrypt ? aes.Decrypt(in.constData(), out.data(), in.size())
                            : aes.Encrypt(in.constData(), out.data(), in.size());
    EXPECT_TRUE(ok);
    return out;
}

TEST(AES, SingleBlockKnownAnswers) {
    const QByteArray zeroIv(16, '\0');
    const QByteArray plain = Hex("00112233445566778899aabbccddeeff");
    struct Case {
        const char* key;
        const char* cipher;
    } cases[] = {
        {"000102030405060708090a0b0c0d0e0f", "69c4e0d86a7b0430d8cdb78070b4c55a"},
        {"000102030405060708090a0b0c0d0e0f1011121314151617", "dda97ca4864cdfe06eaf70a0ec0d7191"},
        {"000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f",
         "8ea2b7ca516745bfeafc49904b496089"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key);
        EXPECT_EQ(EncryptOnce(Hex(c.key), zeroIv, plain).toHex(), QByteArray(c.cipher));
        EXPECT_EQ(EncryptOnce(Hex(c.key), zeroIv, Hex(c.cipher), true), plain);
    }
}

TEST(AES, CbcKnownAnswers) {
    const QByteArray iv = Hex("000102030405060708090a0b0c0d0e0f");
    const QByteArray plain = Hex("6bc1bee22e409f96e93d7e117393172a"
                                 "ae2d8a571e03ac9c9eb76fac45af8e51"
                                 "30c81c46a35ce411e5fbc1191a0a52ef"
                                 "f69f2445df4f9b17ad2b417be66c3710");
    struct Case {
        const char* key;
        const char* cipher;
    } cases[] = {
        {"2b7e151628aed2a6abf7158809cf4f3c",
         "7649abac8119b246cee98e9b12e9197d5086cb9b507219ee95db113a917678b2"
         "73bed6b8e3c1743b7116e69e222295163ff1caa1681fac09120eca307586e1a7"},
        {"8e73b0f7da0e6452c810f32b809079e562f8ead2522c6b7b",
         "4f021db243bc633d7178183a9fa071e8b4d9ada9ad7dedf4e5e738763f69145a"
         "571b242012fb7ae07fa9baac3df102e008b0e27988598881d920a9e64f5615cd"},
        {"603deb1015ca71be2b73aef0857d77811f352c073b6108d72d9810a30914dff4",
         "f58c4c04d6e5f1ba779eabfb5f7bfbd69cfc4e967edb808d679f777bc6702c7d"
         "39f23369a9d9bacfa530e26304231461b2eb05e2c39be9fcda6c19078c6a9d1b"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key);
        EXPECT_EQ(EncryptOnce(Hex(c.key), iv, plain).toHex(), QByteArray(c.cipher));
        EXPECT_EQ(EncryptOnce(Hex(c.key), iv, Hex(c.cipher), true), plain);
        // Every call restarts from the IV, also when run in place.
        TAESBlock ivBlock;
        std::memcpy(ivBlock, iv.constData(), 16);
        const QByteArray key = Hex(c.key);
        TAESCBC aes(key.constData(), static_cast<int>(key.size() * 8), ivBlock);
        for (int round = 0; round < 2; ++round) {
            QByteArray buf = plain;
            ASSERT_TRUE(aes.Encrypt(buf.constData(), buf.data(), buf.size()));
            EXPECT_EQ(buf.toHex(), QByteArray(c.cipher));
            ASSERT_TRUE(aes.Decrypt(buf.constData(), buf.data(), buf.size()));
            EXPECT_EQ(buf, plain);
        }
    }
}

TEST(AES, PartialLastBlockIsXoredWithEnciphermentOfChainingValue) {
    const QByteArray key = Hex("2b7e151628aed2a6abf7158809cf4f3c");
    const QByteArray iv = Hex("000102030405060708090a0b0c0d0e0f");
    const QByteArray zeroIv(16, '\0');
    std::mt19937 rng(3);
    for (qsizetype n : {qsizetype(5), qsizetype(16 + 7), qsizetype(48 + 15)}) {
        SCOPED_TRACE(n);
        const QByteArray plain = RandomBytes(rng, n);
        const QByteArray cipher = EncryptOnce(key, iv, plain);
        const qsizetype whole = n / 16 * 16;
        EXPECT_EQ(cipher.left(whole), EncryptOnce(key, iv, plain.left(whole)));
        const QByteArray chain = whole == 0 ? iv : cipher.mid(whole - 16, 16);
        const QByteArray stream = EncryptOnce(key, zeroIv, chain);
        for (qsizetype i = whole; i < n; ++i)
            EXPECT_EQ(char(plain[i] ^ stream[i - whole]), cipher[i]) << i;
        EXPECT_EQ(EncryptOnce(key, iv, cipher, true), plain);
    }
}

TEST(AES, RejectsOtherKeySizes) {
    const unsigned char key[32] = {};
    const TAESBlock iv = {};
    for (int bits : {0, 64, 127, 129, 512, -128}) {
        SCOPED_TRACE(bits);
        TAESCBC aes(key, bits, iv);
        EXPECT_FALSE(aes.Ok());
        EXPECT_EQ(aes.Error(), QStringLiteral("TAESCBC.Create key size = %1; should be either "
                                              "128, 192 or 256")
                                   .arg(bits));
        unsigned char buf[16] = {};
        EXPECT_FALSE(aes.Encrypt(buf, buf, 16));
        EXPECT_FALSE(aes.Decrypt(buf, buf, 16));
        QByteArray out;
        EXPECT_FALSE(aes.EncryptPKCS7("abc", out));
        EXPECT_FALSE(aes.Ok()); // the key-size error stays
    }
}

TEST(AES, Pkcs7PadsAndChecks) {
    const QByteArray key = Hex("603deb1015ca71be2b73aef0857d77811f352c073b6108d72d9810a30914dff4");
    TAESBlock iv = {};
    TAESCBC aes(key.constData(), 256, iv);
    ASSERT_TRUE(aes.Ok());
    std::mt19937 rng(11);
    for (qsizetype n : {0, 1, 15, 16, 17, 31, 32, 100}) {
        SCOPED_TRACE(n);
        const QByteArray plain = RandomBytes(rng, n);
        QByteArray cipher;
        ASSERT_TRUE(aes.EncryptPKCS7(plain, cipher));
        EXPECT_EQ(cipher.size(), (n / 16 + 1) * 16);
        // The padding: deciphering without the check shows pad bytes equal to their count.
        QByteArray raw(cipher.size(), '\0');
        ASSERT_TRUE(aes.Decrypt(cipher.constData(), raw.data(), raw.size()));
        EXPECT_EQ(raw.mid(n), QByteArray(cipher.size() - n, char(cipher.size() - n)));
        QByteArray back;
        ASSERT_TRUE(aes.DecryptPKCS7(cipher, back));
        EXPECT_EQ(back, plain);
    }

    // Plain blocks whose last bytes are not a valid padding.
    struct Case {
        const char* lastBlock;
        bool valid;
        qsizetype kept;
    } cases[] = {
        {"000102030405060708090a0b0c0d0e00", false, 0}, // pad 0
        {"000102030405060708090a0b0c0d0e11", false, 0}, // pad 17
        {"000102030405060708090a0b0c0d0eff", false, 0},
        {"000102030405060708090a0b0c030203", false, 0}, // pad bytes differ
        {"0f101010101010101010101010101010", false, 0}, // 16 claimed, first differs
        {"000102030405060708090a0b0c030303", true, 13},
        {"000102030405060708090a0b0c0d0e01", true, 15},
        {"10101010101010101010101010101010", true, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.lastBlock);
        const QByteArray plain = QByteArray(16, 'x') + Hex(c.lastBlock);
        QByteArray cipher(plain.size(), '\0');
        ASSERT_TRUE(aes.Encrypt(plain.constData(), cipher.data(), plain.size()));
        QByteArray out = "stale";
        EXPECT_EQ(aes.DecryptPKCS7(cipher, out), c.valid);
        if (c.valid) {
            EXPECT_TRUE(aes.Ok());
            EXPECT_EQ(out, plain.left(16 + c.kept));
        } else {
            EXPECT_EQ(aes.Error(), QStringLiteral("Invalid content"));
            EXPECT_TRUE(out.isEmpty());
        }
    }

    for (qsizetype n : {0, 1, 15, 17, 31}) {
        SCOPED_TRACE(n);
        QByteArray out;
        EXPECT_FALSE(aes.DecryptPKCS7(QByteArray(n, '\x10'), out));
        EXPECT_EQ(aes.Error(), QStringLiteral("Invalid content"));
    }
    // A content error does not spoil the next call.
    QByteArray cipher, back;
    ASSERT_TRUE(aes.EncryptPKCS7("again", cipher));
    ASSERT_TRUE(aes.DecryptPKCS7(cipher, back));
    EXPECT_EQ(back, QByteArray("again"));
}

TEST(Base64, Rfc4648Vectors) {
    const char* cases[][2] = {{"", ""},
                              {"f", "Zg=="},
                              {"fo", "Zm8="},
                              {"foo", "Zm9v"},
                              {"foob", "Zm9vYg=="},
                              {"fooba", "Zm9vYmE="},
                              {"foobar", "Zm9vYmFy"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c[0]);
        EXPECT_EQ(Base64Encode(c[0]), QByteArray(c[1]));
        QByteArray data = "stale";
        EXPECT_TRUE(Base64Decode(c[1], data));
        EXPECT_EQ(data, QByteArray(c[0]));
    }
}

TEST(Base64, DecodeStopsAtPaddingOrForeignCharacters) {
    struct Case {
        QByteArray text;
        bool ok;
        QByteArray data;
    } cases[] = {
        {"YWJj\nYQ==", false, "abc"}, // a line break stops after the complete groups
        {"YWJjYQ\r\n", false, "abc"}, // the incomplete group before it is dropped
        {"YW Jj", false, ""},
        {"\nYWJj", false, ""},
        {"YWJj-_", false, "abc"}, // URL-safe characters are not in the alphabet
        {"YQ", true, "a"},        // missing padding counts as padding
        {"YWI", true, "ab"},
        {"YQ==!!garbage", true, "a"}, // nothing after the first "=" is read
        {"YQ=", true, "a"},
        {"YWJj=YWJj", true, "abc"},
        {"=YWJj", true, ""},
        {"////", true, "\xFF\xFF\xFF"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        QByteArray data;
        EXPECT_EQ(Base64Decode(c.text, data), c.ok);
        EXPECT_EQ(data, c.data);
    }
}

TEST(Base64, AgreesWithQtOnRandomBytes) {
    std::mt19937 rng(5);
    for (qsizetype n = 0; n < 200; ++n) {
        const QByteArray data = RandomBytes(rng, n * 37 % 1000);
        const QByteArray text = Base64Encode(data);
        EXPECT_EQ(text, data.toBase64());
        QByteArray back;
        ASSERT_TRUE(Base64Decode(text, back));
        EXPECT_EQ(back, data);
    }
    // Larger than one read / write chunk of the streaming paths.
    const QByteArray big = RandomBytes(rng, 300001);
    QByteArray copy = big;
    QBuffer source(&copy);
    ASSERT_TRUE(source.open(QIODevice::ReadOnly));
    QByteArray text;
    Base64EncodeStream(&source, 0, text);
    EXPECT_EQ(text, big.toBase64());
    QByteArray back;
    ASSERT_TRUE(Base64Decode(text, back));
    EXPECT_EQ(back, big);
}

TEST(Base64, EncodeStreamFromPositionAndLimit) {
    struct Case {
        qint64 pos;
        int maxCount;
        QByteArray text;
    } cases[] = {{2, 3, "Zm9v"}, {2, 0, "Zm9vYmFy"}, {2, -1, "Zm9vYmFy"},
                 {0, 1, "eA=="}, {8, 0, ""},         {2, 100, "Zm9vYmFy"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pos);
        QByteArray data = "xxfoobar";
        QBuffer source(&data);
        ASSERT_TRUE(source.open(QIODevice::ReadOnly));
        source.seek(c.pos);
        QByteArray text = "stale";
        Base64EncodeStream(&source, c.maxCount, text);
        EXPECT_EQ(text, c.text);
    }
}

// The packing key as an outside reader must compute it, deciphered with
// libcrypto's own CBC mode.
QByteArray DecipherWithOpenSsl(const QByteArray& cipher, const QByteArray& passphrase) {
    const QByteArray key = QCryptographicHash::hash(QByteArray("Skylark.pack.v1:K") + passphrase,
                                                    QCryptographicHash::Sha1)
                               .toHex()
                               .left(32);
    EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
    QByteArray out(cipher.size() + 16, '\0');
    int n1 = 0, n2 = 0;
    const auto* k = reinterpret_cast<const unsigned char*>(key.constData());
    bool ok = EVP_DecryptInit_ex(ctx, EVP_aes_256_cbc(), nullptr, k, k) == 1 &&
              EVP_DecryptUpdate(ctx, reinterpret_cast<unsigned char*>(out.data()), &n1,
                                reinterpret_cast<const unsigned char*>(cipher.constData()),
                                static_cast<int>(cipher.size())) == 1 &&
              EVP_DecryptFinal_ex(ctx, reinterpret_cast<unsigned char*>(out.data()) + n1, &n2) == 1;
    EVP_CIPHER_CTX_free(ctx);
    EXPECT_TRUE(ok);
    out.resize(n1 + n2);
    return out;
}

QByteArray Inflate(const QByteArray& z, qsizetype size) {
    QByteArray out(size, '\0');
    uLongf len = static_cast<uLongf>(size);
    EXPECT_EQ(uncompress(reinterpret_cast<Bytef*>(out.data()), &len,
                         reinterpret_cast<const Bytef*>(z.constData()),
                         static_cast<uLong>(z.size())),
              Z_OK);
    out.resize(static_cast<qsizetype>(len));
    return out;
}

TEST(Pack, HeaderAndLayoutFollowSizeAndPassphrase) {
    struct Case {
        qsizetype size;
        QByteArray passphrase;
        char header;
    } cases[] = {
        {1, "", '0'},   {64, "", '0'},   {65, "", '2'},   {5000, "", '2'},
        {1, "pw", '1'}, {64, "pw", '1'}, {65, "pw", '3'}, {5000, "secret pass", '3'},
    };
    std::mt19937 rng(17);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.size);
        SCOPED_TRACE(c.passphrase.toStdString());
        const QByteArray data = RandomBytes(rng, c.size);
        const QByteArray packed = PackText(data, c.passphrase);
        ASSERT_FALSE(packed.isEmpty());
        EXPECT_EQ(packed[0], c.header);
        // No line breaks and nothing outside the alphabet.
        for (char ch : packed.mid(1))
            ASSERT_TRUE(std::isalnum(static_cast<unsigned char>(ch)) || ch == '+' || ch == '/' ||
                        ch == '=');
        QByteArray body;
        ASSERT_TRUE(Base64Decode(packed.mid(1), body));
        if (!c.passphrase.isEmpty()) {
            EXPECT_EQ(body.size() % 16, 0);
            body = DecipherWithOpenSsl(body, c.passphrase);
        }
        if (c.header == '0' || c.header == '1') {
            EXPECT_EQ(body, data);
        } else {
            ASSERT_GE(body.size(), 2);
            EXPECT_EQ(body.left(2), QByteArray("\x78\x9C")); // zlib header, default level
            EXPECT_EQ(Inflate(body, c.size), data);
        }
        QByteArray back;
        ASSERT_TRUE(UnpackText(packed, back, c.passphrase));
        EXPECT_EQ(back, data);
    }
}

TEST(Pack, EmptyInputAndBadTexts) {
    EXPECT_EQ(PackText("", ""), QByteArray());
    EXPECT_EQ(PackText("", "pw"), QByteArray());

    const QByteArray stored = PackText("hello", "");
    const QByteArray ciphered = PackText("hello", "right");
    const QByteArray compressed = PackText(QByteArray(1000, 'z'), "right");
    const QByteArray plainZ = PackText(QByteArray(1000, 'z'), "");
    ASSERT_EQ(ciphered[0], '1');
    ASSERT_EQ(compressed[0], '3');
    ASSERT_EQ(plainZ[0], '2');
    // Drops the last Base64 group of a compressed text: a stream cut short.
    const QByteArray truncatedZ = plainZ.left(plainZ.size() - 4 - (plainZ.size() - 1) % 4);
    // A valid zlib stream followed by extra bytes.
    QByteArray zBody;
    ASSERT_TRUE(Base64Decode(plainZ.mid(1), zBody));
    const QByteArray trailingZ = "2" + Base64Encode(zBody + "xyz");

    struct Case {
        QByteArray packed;
        QByteArray passphrase;
    } cases[] = {
        {"", ""},
        {"", "pw"},
        {"0", ""},                 // no bytes obtained
        {"4" + stored.mid(1), ""}, // headers outside 0..3
        {"/" + stored.mid(1), ""},
        {"a" + stored.mid(1), ""},
        {"\x01" + stored.mid(1), ""},
        {stored.left(3) + "\n" + stored.mid(3), ""}, // invalid Base64
        {ciphered, ""},                              // enciphered, no passphrase
        {ciphered, "wrong"},
        {compressed, ""},
        {compressed, "wrong"},
        {"1" + ciphered.mid(1, 20), "right"}, // not a whole number of blocks
        {"2" + stored.mid(1), ""},            // not a zlib stream
        {truncatedZ, ""},
        {trailingZ, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.packed.toStdString());
        QByteArray data = "stale";
        EXPECT_FALSE(UnpackText(c.packed, data, c.passphrase));
        EXPECT_TRUE(data.isEmpty());
    }
    QByteArray data;
    EXPECT_TRUE(UnpackText(ciphered, data, "right"));
    EXPECT_EQ(data, QByteArray("hello"));
}

TEST(Pack, RoundTripsRandomBytesAndPassphrases) {
    std::mt19937 rng(2024);
    std::uniform_int_distribution<int> size(0, 5000);
    std::uniform_int_distribution<int> passSize(0, 40);
    std::uniform_int_distribution<int> kind(0, 3);
    for (int i = 0; i < 150; ++i) {
        qsizetype n = size(rng);
        if (i < 4) n = i; // the smallest sizes always
        QByteArray data = RandomBytes(rng, n);
        if (kind(rng) == 0) data.fill('\0'); // all zeros: compresses to a handful of bytes
        const QByteArray pass = kind(rng) == 0 ? QByteArray() : RandomBytes(rng, passSize(rng));
        SCOPED_TRACE(i);
        const QByteArray packed = PackText(data, pass);
        QByteArray back;
        if (data.isEmpty()) {
            EXPECT_TRUE(packed.isEmpty());
            EXPECT_FALSE(UnpackText(packed, back, pass));
            continue;
        }
        const int expected = (n > 64 ? 2 : 0) + (pass.isEmpty() ? 0 : 1);
        EXPECT_EQ(packed[0], char('0' + expected));
        ASSERT_TRUE(UnpackText(packed, back, pass));
        EXPECT_EQ(back, data);
    }
}

TEST(Pack, StreamFromPositionWithLimit) {
    QByteArray data = "0123456789abcdef";
    QBuffer source(&data);
    ASSERT_TRUE(source.open(QIODevice::ReadOnly));
    source.seek(10);
    QByteArray packed = "stale";
    PackStream(&source, "", 4, packed);
    QByteArray back;
    ASSERT_TRUE(UnpackText(packed, back, ""));
    EXPECT_EQ(back, QByteArray("abcd"));
    PackStream(&source, "pw", 0, packed); // the rest: "ef"
    ASSERT_TRUE(UnpackText(packed, back, "pw"));
    EXPECT_EQ(back, QByteArray("ef"));
    PackStream(&source, "pw", 0, packed); // at the end: nothing
    EXPECT_TRUE(packed.isEmpty());
}

// A database file that a connection of ours holds is never replaced: its
// workspace would go on writing into a file no longer there.
TEST(Pack, UnpackToFileRefusesAHeldDatabase) {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("held.db"));
    TSQLite3Database db;
    ASSERT_TRUE(db.Open(file));
    ASSERT_TRUE(db.Execute(QStringLiteral("create table t(x);")));
    EXPECT_FALSE(UnpackToFile(PackText("not a database", ""), file, ""));
    QString tables;
    ASSERT_TRUE(db.QuerySingleValue(tables, QStringLiteral("select name from sqlite_master;")));
    EXPECT_EQ(tables, QStringLiteral("t"));
    db.Close();
    EXPECT_TRUE(UnpackToFile(PackText("now free", ""), file, ""));
}

TEST(Pack, UnpackToFileReplacesOrLeavesNothing) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString target = dir.filePath(QStringLiteral("out.bin"));
    const auto readAll = [](const QString& name) {
        QFile f(name);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    };
    const auto entries = [&] {
        return QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    };

    const QByteArray big(10000, 'q');
    // A failure on a new name creates nothing, not even a temporary file.
    EXPECT_FALSE(UnpackToFile(PackText(big, "pw"), target, "wrong"));
    EXPECT_FALSE(UnpackToFile("9abc", target, ""));
    EXPECT_TRUE(entries().isEmpty());

    ASSERT_TRUE(UnpackToFile(PackText("first version", ""), target, ""));
    EXPECT_EQ(readAll(target), QByteArray("first version"));
    ASSERT_TRUE(UnpackToFile(PackText(big, "pw"), target, "pw"));
    EXPECT_EQ(readAll(target), big);
    ASSERT_TRUE(UnpackToFile(PackText("short", "pw"), target, "pw"));
    EXPECT_EQ(readAll(target), QByteArray("short")); // replaced, not overwritten in place

    // A failure on an existing file keeps it as it was and leaves no stray file.
    EXPECT_FALSE(UnpackToFile(PackText(big, "pw"), target, "wrong"));
    EXPECT_EQ(readAll(target), QByteArray("short"));
    EXPECT_EQ(entries(), QStringList{QStringLiteral("out.bin")});

    EXPECT_FALSE(
        UnpackToFile(PackText("x", ""), dir.filePath(QStringLiteral("no/such/dir/f")), ""));
}

} // namespace
} // namespace sky
