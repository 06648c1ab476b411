#include "components/o_AppIcons.h"

#include <QFile>

static void registerIcons()
{
    Q_INIT_RESOURCE(icons);
}

namespace {
QIcon load(const QString& variant)
{
    static const bool registered = (registerIcons(), true);
    Q_UNUSED(registered);
    QIcon icon;
    for (const int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const QString file = QStringLiteral(":/icons/%1/%2.png").arg(variant).arg(size);
        if (QFile::exists(file))
            icon.addFile(file, QSize(size, size));
    }
    return icon;
}
} // namespace

QIcon AppIcons::idle()
{
    return load(QStringLiteral("idle"));
}

QIcon AppIcons::monitoring()
{
    return load(QStringLiteral("monitoring"));
}
