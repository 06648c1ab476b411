#pragma once

#include <QString>
#include <QStringList>

// Runs hourwright-db in-process with captured output, and the given text
// on its standard input if any; returns its exit code.
int runDbTool(const QStringList& args, QString* out = nullptr, QString* err = nullptr,
              const QString* input = nullptr);
