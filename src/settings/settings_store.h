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
#include <utility>
#include <vector>

namespace syl {

class SettingsStore {
public:
    // Keys and their texts, in the order in which they are written.
    using Values = std::vector<std::pair<std::string, std::string>>;

    virtual ~SettingsStore() = default;
    // The text stored under the key, or def when there is none or it cannot
    // be read. Never fails.
    virtual std::string get(const std::string& app, const std::string& section, const std::string& key,
                            const std::string& def) = 0;
    // Stores the text; a store that cannot be written is a RuntimeError
    // (75, Path/File access error).
    virtual void set(const std::string& app, const std::string& section, const std::string& key,
                     const std::string& value) = 0;
    // Stores several keys of one section together. The key file replaces
    // its file once, with all of them or (on failure) none; this default,
    // which the registry and the memory store use, sets them one by one.
    // Fails as set does.
    virtual void setMany(const std::string& app, const std::string& section, const Values& values);
    // Between beginReading and endReading (they nest) the store may answer
    // every get from what it found at the first one: the key file is read
    // once for all of LoadConfig's keys instead of once for each.
    virtual void beginReading() {}
    virtual void endReading() {}
    // Why the last write failed, as "<file>: <reason>"; empty when it
    // succeeded, before any write, and where the store cannot tell.
    virtual std::string lastWriteFailure() const { return {}; }
};

// Holds a reading session of the active store for its lifetime.
class SettingsReading {
public:
    SettingsReading();
    ~SettingsReading();
    SettingsReading(const SettingsReading&) = delete;
    SettingsReading& operator=(const SettingsReading&) = delete;

private:
    SettingsStore& store_;
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
// Key files <configDir>/<app in lower case>/settings.ini. Only a regular
// file of at most kMaxSettingsFileSize bytes is read; anything else in its
// place (a folder, a FIFO, a device, a larger file) reads as the defaults
// and is never written over. A save replaces the file atomically (a
// temporary file in the same folder, synced, renamed over it), keeps its
// mode, and writes through a symbolic link to the file it names.
std::unique_ptr<SettingsStore> makeIniSettingsStore(std::string configDir);
inline constexpr long long kMaxSettingsFileSize = 1 << 20;
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
// Several keys of one section at once (SettingsStore::setMany).
void SaveSettings(const std::string& AppName, const std::string& Section, const SettingsStore::Values& Settings);

} // namespace syl
