#pragma once

#include "app/mm_main.h"
#include "components/LoginDialog.h"
#include "components/o_OptionsManager.h"
#include "toolkit/AppPaths.h"
#include "toolkit/MemTable.h"
#include "toolkit/MessageService.h"
#include "toolkit/SqlQuery.h"
#include "toolkit/UrlOpener.h"

#include <QApplication>
#include <QCoreApplication>
#include <QTemporaryDir>
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

// Runs the registered benchmarks in a console application.
inline int runCoreBenchmarks(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

// Options in the folder, for the local database file given.
inline void prepareOptions(const QTemporaryDir& dir, const QString& database)
{
    AppPaths::setApplicationFolderForTests(dir.path());
    GetOptionsManager()->setOptionsFileName(dir.filePath("options.ini"));
    GetOptionsManager()->WriteValue(Options::ConnectionSection, Options::DatabaseType, 0);
    GetOptionsManager()->WriteValue(Options::ExportSection, Options::DataBasePath, database);
}

// The main controller with the user signed in directly: the dialog would
// wait for a person. The window is not shown.
inline TdmMain::Ptr<TdmMain> signIn(const QString& user)
{
    auto main = TdmMain::create();
    main->loginDialog()->setShowOnAppStart(false);
    main->UsersQuery()->locate("USERNAME", user);
    main->AfterLogin(nullptr, user);
    return main;
}

// Signs in and lets the window show and settle, as a person waits for it.
inline TdmMain::Ptr<TdmMain> signInToUsableWindow(const QString& user)
{
    auto main = signIn(user);
    main->ModuleForm()->show();
    QCoreApplication::processEvents();
    benchmark::DoNotOptimize(main->ProjectWorkData()->recordCount());
    return main;
}
