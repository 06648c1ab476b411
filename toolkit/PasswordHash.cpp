#include "toolkit/PasswordHash.h"

#include "toolkit/AppError.h"

#include <sodium.h>

namespace {

const unsigned long long OpsLimit = crypto_pwhash_OPSLIMIT_INTERACTIVE;
const size_t MemLimit = crypto_pwhash_MEMLIMIT_INTERACTIVE;

// The library is set up once per process, on first use (thread-safe).
void ensureLibrary()
{
    static const int ready = sodium_init();
    if (ready < 0)
        throw AppError(QStringLiteral("The password library could not be started."));
}

} // namespace

QString PasswordHash::hash(const QString& password)
{
    ensureLibrary();
    const QByteArray utf8 = password.toUtf8();
    char out[crypto_pwhash_STRBYTES];
    if (crypto_pwhash_str(out, utf8.constData(), static_cast<unsigned long long>(utf8.size()), OpsLimit, MemLimit)
        != 0)
        throw AppError(QStringLiteral("A password could not be hashed: not enough memory."));
    return QString::fromLatin1(out);
}

bool PasswordHash::verify(const QString& stored, const QString& password)
{
    if (!looksHashed(stored))
        return false;
    ensureLibrary();
    const QByteArray hashText = stored.toLatin1();
    if (hashText.size() >= crypto_pwhash_STRBYTES)
        return false;
    const QByteArray utf8 = password.toUtf8();
    return crypto_pwhash_str_verify(hashText.constData(), utf8.constData(),
                                    static_cast<unsigned long long>(utf8.size()))
           == 0;
}

bool PasswordHash::looksHashed(const QString& stored)
{
    return stored.startsWith(QLatin1String("$argon2id$")) || stored.startsWith(QLatin1String("$argon2i$"));
}

bool PasswordHash::needsRehash(const QString& stored)
{
    if (!looksHashed(stored))
        return true;
    ensureLibrary();
    const QByteArray hashText = stored.toLatin1();
    return crypto_pwhash_str_needs_rehash(hashText.constData(), OpsLimit, MemLimit) != 0;
}
