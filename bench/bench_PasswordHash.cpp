// The cost of a password hash and of a sign-in's check at libsodium's
// interactive limits; a sign-in should stay well under half a second.
#include "components/o_SignIn.h"
#include "support/TestDatabase.h"
#include "toolkit/PasswordHash.h"

#include <QCoreApplication>

#include "BenchMain.h"

#include <benchmark/benchmark.h>

namespace {

void HashPassword(benchmark::State& state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(PasswordHash::hash(QStringLiteral("correct horse battery staple")));
}
BENCHMARK(HashPassword)->Unit(benchmark::kMillisecond)->Iterations(10);

void VerifyPassword(benchmark::State& state)
{
    const QString stored = PasswordHash::hash(QStringLiteral("correct horse battery staple"));
    for (auto _ : state)
        benchmark::DoNotOptimize(PasswordHash::verify(stored, QStringLiteral("correct horse battery staple")));
}
BENCHMARK(VerifyPassword)->Unit(benchmark::kMillisecond)->Iterations(10);

// A whole sign-in check: read the users, find the row, verify the hash.
void SignInCheck(benchmark::State& state)
{
    TestDatabase db;
    db.exec(QStringLiteral("insert into DEVELOPERS (LASTNAME,NAME) values ('Berg','Anna')"));
    for (int i = 0; i < 50; ++i)
        db.exec(QStringLiteral("insert into USERS (DEVELOPER_ID,IS_ADMIN,USERNAME,PASSWORD) values (1,0,?,'x')"),
                {QStringLiteral("user%1").arg(i)});
    db.exec(QStringLiteral("insert into USERS (DEVELOPER_ID,IS_ADMIN,USERNAME,PASSWORD) values (1,1,'anna',?)"),
            {PasswordHash::hash(QStringLiteral("changeme"))});
    for (auto _ : state) {
        const SignIn::Result result
            = SignIn::check(db.connection(), 0, QStringLiteral("anna"), QStringLiteral("changeme"), false);
        if (result.outcome != SignIn::Outcome::SignedIn)
            state.SkipWithError("sign-in refused");
    }
}
BENCHMARK(SignInCheck)->Unit(benchmark::kMillisecond)->Iterations(10);

} // namespace

int main(int argc, char** argv)
{
    return runCoreBenchmarks(argc, argv);
}
