#pragma once

#include "settings/cdSettings.h"

#include <memory>

/// Owns the program's one TcdSettings for the lifetime of main(): the constructor creates it with
/// its defaults, sets the key "Software\Quenza\Reelvane\Setting" and loads the stored values;
/// the destructor saves them and destroys the object. Create it first thing in main(), before
/// the application object and any window; only one may exist at a time.
///
/// UI thread only.
class SettingsHolder {
public:
    SettingsHolder();
    ~SettingsHolder();
    SettingsHolder(const SettingsHolder&) = delete;
    SettingsHolder& operator=(const SettingsHolder&) = delete;

    TcdSettings& Get() { return *m_settings; }

private:
    std::unique_ptr<TcdSettings> m_settings;
};

/// The program's settings; a SettingsHolder must be alive (aborts otherwise).
TcdSettings& Settings();

/// True while a SettingsHolder is alive.
bool HasSettings();
