#pragma once

#include "toolkit/MessageService.h"
#include "toolkit/UrlOpener.h"

#include <QApplication>
#include <QUrl>

#include <benchmark/benchmark.h>

// Runs the registered benchmarks in a widget application: on the offscreen
// platform unless QT_QPA_PLATFORM names another, message boxes answered
// with their default button and nothing opened on the desktop.
inline int runWidgetBenchmarks(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    MessageService::useTestAnswers();
    UrlOpener::setHandler([](const QUrl&) { return true; });
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
