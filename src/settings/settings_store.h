// The per-user settings store: text values addressed by application,
// section and key. A missing key reads as the reader's default; a write
// creates or replaces the key. Three backends: memory (tests), the Windows
// registry (HKCU\Software\<app>\<section>, string values) and on Linux a
// GLib key file ($XDG_CONFIG_HOME/<app in lower case>/settings.ini, the app's
// keys in the group [<section>]).
#pragma once

#include <map>
#include <memory>
#include <string>
#include <tuple>

namespace syl {

class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    // The text stored under the key, or def when there is none or it cannot
    // be read. Never fails.
    virtual std::string get(const std::string& app, const std::string& section, const std::string& key,
                            const std::string& def) = 0;
    // Stores the text; a store that cannot be written is a RuntimeError
    // (75, Path/File access error).
    virtual void set(const std::string& app, const std::string& section, const std::string& key,
                     const std::string& value) = 0;
};

// Keeps the texts in memory only.
class MemorySettingsStore : public SettingsStore {
public:
    std::string get(const std::string& app, const std::string& section, const std::string& key,
                    const std::string& def) override;
    void set(const std::string& app, const std::string& section, const std::string& key,
             const std::string& value) override;
    bool contains(const std::string& app, const std::string& section, const std::string& key) const;
    std::size_t size() const { return values_.size(); }
    void clear() { values_.clear(); }

private:
    std::map<std::tuple<std::string, std::string, std::string>, std::string> values_;
};

// The store of the platform the program runs on.
std::unique_ptr<SettingsStore> makePlatformSettingsStore();

#ifdef _WIN32
// HKEY_CURRENT_USER\Software\<app>\<section>, values of type REG_SZ.
std::unique_ptr<SettingsStore> makeRegistrySettingsStore();
#else
// The folder that holds the per-application folders: $XDG_CONFIG_HOME when
// it is an absolute path, otherwise ~/.config.
std::string defaultConfigDir();
// Key files <configDir>/<app in lower case>/settings.ini, saved atomically
// (a temporary file renamed over the old one).
std::unique_ptr<SettingsStore> makeIniSettingsStore(std::string configDir);
#endif

// The store that GetSetting and SaveSetting use: the one installed with
// setSettingsStore, else the platform's store (created on first use).
SettingsStore& settingsStore();
// Installs a store (not owned); nullptr restores the platform's store.
void setSettingsStore(SettingsStore* store);

// The form layer's operations on the active store.
std::string GetSetting(const std::string& AppName, const std::string& Section, const std::string& Key,
                       const std::string& Default);
void SaveSetting(const std::string& AppName, const std::string& Section, const std::string& Key,
                 const std::string& Setting);

} // namespace syl
