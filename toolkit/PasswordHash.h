#pragma once

#include <QString>

// Salted, deliberately slow password hashes in a self-describing text form
// ("$argon2id$v=19$m=...,t=...,p=1$salt$hash", libsodium's crypto_pwhash_str),
// so that a copy of the stored text reveals no password. The cost is
// libsodium's interactive setting: a fraction of a second per hash or check.
class PasswordHash
{
public:
    // A new hash of the password, with a fresh random salt. Throws AppError
    // when the library cannot run (out of memory).
    static QString hash(const QString& password);
    // Whether the password matches a stored hash; false for anything that is
    // not a hash this class can read.
    static bool verify(const QString& stored, const QString& password);
    // Whether the stored text is a hash rather than a plain-text password.
    static bool looksHashed(const QString& stored);
    // Whether a hash was made with other limits than today's and should be
    // made again at the next chance.
    static bool needsRehash(const QString& stored);
};
