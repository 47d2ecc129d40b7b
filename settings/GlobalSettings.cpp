#include "settings/GlobalSettings.h"

#include <QtGlobal>

namespace {
TcdSettings* g_settings = nullptr;
}

SettingsHolder::SettingsHolder()
    : m_settings(std::make_unique<TcdSettings>()) {
    if (g_settings)
        qFatal("SettingsHolder: the program's settings exist already");
    m_settings->SetRegistryKey(TcdSettings::DefaultRegistryKey());
    m_settings->LoadFromRegistry();
    g_settings = m_settings.get();
}

SettingsHolder::~SettingsHolder() {
    g_settings = nullptr;
    m_settings.reset(); // saves (AutoLoad is set)
}

TcdSettings& Settings() {
    if (!g_settings)
        qFatal("Settings() used without a SettingsHolder");
    return *g_settings;
}

bool HasSettings() {
    return g_settings != nullptr;
}
