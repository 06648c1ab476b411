#pragma once

#include "toolkit/IdleSource.h"

// An idle source the test sets by hand; all instances read one value.
class FakeIdleSource : public IdleSource
{
public:
    static inline qint64 idle = 0;
    qint64 idleMSecs() override { return idle; }
    QString name() const override { return QStringLiteral("fake"); }
    static std::unique_ptr<IdleSource> make() { return std::make_unique<FakeIdleSource>(); }
};
