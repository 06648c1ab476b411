#pragma once

#include "framework/mc_CustomModule.h"
#include "framework/o_FileChooser.h"
#include "modules/o_DesktopSettings.h"

#include <functional>

struct ConnectionSettings;

// Shows and edits the connection and export values of options.ini. The
// controls are the working copy; Ok writes all seven values, Cancel none.
class TdmSettings : public TCustomModule
{
    Q_OBJECT
public:
    enum Command {
        cmdOk = 100,
        cmdCancel = 101,
        cmdKindChanged = 102,
        cmdTestConnection = 200,
        cmdChooseExcelPath = 300,
        cmdChooseDataBasePath = 301,
        cmdChooseSslRootCert = 302,
    };

    // Asks for a file to open; tests replace it.
    static TFileChooser Chooser;

    using TCustomModule::TCustomModule;

    void LoadSettings();
    void SaveSettings();
    // Opens a connection of its own with the values on screen and reports
    // how that went; the program's connection and the options stay as they are.
    void TestConnection();

    // The connection the controls describe.
    ConnectionSettings ScreenSettings();
    // The kind of the database type list's text: the index of the item it
    // names, -1 for none.
    int SelectedKind();

    // Shows the sections of the database tab that apply to the kind chosen
    // (all of them while none is).
    void ShowFieldsOfKind();

    // A chosen file as the options keep it: relative to the program folder
    // when it lies inside it, else absolute.
    static QString optionPathFor(const QString& chosenFile, const QString& applicationFolder);

protected:
    // No data of its own: CreateData and DestroyData stay the base steps.
    void WireEvents() override;
    void HandleEvent0(QObject* sender) override;

private:
    void choosePath(const char* editName, const QString& caption, const QString& filter);
    QString text(const char* editName);
    void setText(const char* editName, const QString& value);
    void showPath(const char* editName, const QString& path);
    // A limit of the projects section in its spin box; returns what it shows.
    int showLimit(const char* spinName, const QString& key, int fallback);
    int m_idleMinutes = 0; // as shown when the window opened
    bool m_unreadableKind = false; // the stored DatabaseType is no number
    int m_longIntervalHours = 0;
    DesktopSettings m_desktop;
};
