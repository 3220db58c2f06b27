#pragma once

#include "settingsstore.h"

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

    // Opens the help file: Pelvaro.chm beside the executable when anything
    // of that name is there, else Documentation/Pelvaro.chm below it.
    void OnHelp();
    // The path OnHelp hands to the desktop.
    static QString HelpFilePath(const QString& executablePath);

    // Names the company key under which the profile lives.
    void SetRegistryKey(const QString& companyName);
    CSettingsStore& Settings();

    // The executable's base name; the profile name and the caption of the
    // program's message boxes.
    QString m_pszAppName;

private:
    std::unique_ptr<CSettingsStore> m_settings;
};

extern CPelvaroApp theApp;
