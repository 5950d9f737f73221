#include "settings/settings_store.h"

namespace syl {

void SettingsStore::setMany(const std::string& app, const std::string& section, const Values& values)
{
    for (const auto& [key, value] : values) set(app, section, key, value);
}

SettingsReading::SettingsReading() : store_(settingsStore()) { store_.beginReading(); }

SettingsReading::~SettingsReading() { store_.endReading(); }

std::string MemorySettingsStore::get(const std::string& app, const std::string& section, const std::string& key,
                                     const std::string& def)
{
    auto it = values_.find({app, section, key});
    return it == values_.end() ? def : it->second;
}

void MemorySettingsStore::set(const std::string& app, const std::string& section, const std::string& key,
                              const std::string& value)
{
    values_[{app, section, key}] = value;
}

bool MemorySettingsStore::contains(const std::string& app, const std::string& section, const std::string& key) const
{
    return values_.count({app, section, key}) != 0;
}

namespace {
SettingsStore* g_installed = nullptr;

SettingsStore& platformStore()
{
    static std::unique_ptr<SettingsStore> store = makePlatformSettingsStore();
    return *store;
}
} // namespace

SettingsStore& settingsStore() { return g_installed ? *g_installed : platformStore(); }

void setSettingsStore(SettingsStore* store) { g_installed = store; }

std::string GetSetting(const std::string& AppName, const std::string& Section, const std::string& Key,
                       const std::string& Default)
{
    return settingsStore().get(AppName, Section, Key, Default);
}

void SaveSetting(const std::string& AppName, const std::string& Section, const std::string& Key,
                 const std::string& Setting)
{
    settingsStore().set(AppName, Section, Key, Setting);
}

void SaveSettings(const std::string& AppName, const std::string& Section, const SettingsStore::Values& Settings)
{
    settingsStore().setMany(AppName, Section, Settings);
}

} // namespace syl
