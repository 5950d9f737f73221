// The Windows settings store: string values under
// HKEY_CURRENT_USER\Software\<app>\<section>.
#include "settings/settings_store.h"

#include <vector>

// Before windows.h, whose RGB macro would replace the system's RGB.
#include "platform/numbers.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace syl {

namespace {

std::string keyPath(const std::string& app, const std::string& section) { return "Software\\" + app + "\\" + section; }

class RegistrySettingsStore : public SettingsStore {
public:
    std::string get(const std::string& app, const std::string& section, const std::string& key,
                    const std::string& def) override
    {
        HKEY hk = nullptr;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, keyPath(app, section).c_str(), 0, KEY_QUERY_VALUE, &hk) != ERROR_SUCCESS)
            return def;
        std::string result = def;
        DWORD type = 0, size = 0;
        if (RegQueryValueExA(hk, key.c_str(), nullptr, &type, nullptr, &size) == ERROR_SUCCESS &&
            (type == REG_SZ || type == REG_EXPAND_SZ)) {
            // The value may change between the two calls; one more byte keeps
            // room for a terminator that the stored value may lack.
            std::vector<char> buf(size + 1, '\0');
            DWORD got = size;
            if (RegQueryValueExA(hk, key.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buf.data()), &got) ==
                    ERROR_SUCCESS &&
                got <= size) {
                std::string text(buf.data(), got);
                auto nul = text.find('\0');
                if (nul != std::string::npos) text.resize(nul);
                result = text;
            }
        }
        RegCloseKey(hk);
        return result;
    }

    void set(const std::string& app, const std::string& section, const std::string& key,
             const std::string& value) override
    {
        HKEY hk = nullptr;
        if (RegCreateKeyExA(HKEY_CURRENT_USER, keyPath(app, section).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                            KEY_SET_VALUE, nullptr, &hk, nullptr) != ERROR_SUCCESS)
            raiseError(kErrFileAccess);
        LONG rc = RegSetValueExA(hk, key.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                 static_cast<DWORD>(value.size() + 1));
        RegCloseKey(hk);
        if (rc != ERROR_SUCCESS) raiseError(kErrFileAccess);
    }
};

} // namespace

std::unique_ptr<SettingsStore> makeRegistrySettingsStore() { return std::make_unique<RegistrySettingsStore>(); }

std::unique_ptr<SettingsStore> makePlatformSettingsStore() { return makeRegistrySettingsStore(); }

} // namespace syl
