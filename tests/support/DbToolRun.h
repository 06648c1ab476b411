#pragma once

#include <QString>
#include <QStringList>

// Runs hourwright-db in-process with captured output; returns its exit code.
int runDbTool(const QStringList& args, QString* out = nullptr, QString* err = nullptr);
