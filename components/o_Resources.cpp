#include "components/o_Resources.h"

#include "toolkit/AppError.h"

#include <QFile>

static void registerResources()
{
    Q_INIT_RESOURCE(resources);
}

void HourwrightResources::init()
{
    static const bool done = (registerResources(), true);
    Q_UNUSED(done);
}

QString HourwrightResources::text(const QString& resourcePath)
{
    init();
    QFile file(resourcePath);
    if (!file.open(QIODevice::ReadOnly))
        throw AppError(QStringLiteral("The built-in file %1 is missing").arg(resourcePath));
    return QString::fromUtf8(file.readAll());
}
