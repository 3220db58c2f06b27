#pragma once

#include "settings/settingsstore.h"

#include <QString>

#include <memory>

// The application object: names the settings root, runs the main dialog as
// the application's main window, and owns the help command.
class CPelvaroApp {
public:
    CPelvaroApp() = default;
    virtual ~CPelvaroApp() = default;
    CPelvaroApp(const CPelvaroApp&) = delete;
    CPelvaroApp& operator=(const CPelvaroApp&) = delete;

    // Runs the whole interactive life of the program; always false, so
    // there is no message loop after it.
    virtual bool InitInstance();

    // Opens the help: the help file when the desktop has a program for it,
    // else the same pages as HTML in the browser.
    void OnHelp();
    // The help file: Pelvaro.chm beside the executable when anything of that
    // name is there, else Documentation/Pelvaro.chm below it, unless only
    // the installed copy in ../share/pelvaro exists.
    static QString HelpFilePath(const QString& executablePath);
    // OnHelp for a program at the given path: hands the desktop the help
    // file, or the installed HTML contents page when the help file is
    // missing or nothing on the desktop opens its type; that page's
    // neighbour `page` ("printing.html#many") when one is asked for.
    static void OpenHelp(const QString& executablePath, const QString& page = QString());

    // Names the company key under which the profile lives.
    void SetRegistryKey(const QString& companyName);
    CSettingsStore& Settings();

    // The executable's base name; the profile name and the caption of the
    // program's message boxes.
    // Public under its designed name: main() sets it before the profile is read.
    // NOLINTNEXTLINE(misc-non-private-member-variables-in-classes)
    QString m_pszAppName;

private:
    std::unique_ptr<CSettingsStore> m_settings;
};

extern CPelvaroApp theApp;
