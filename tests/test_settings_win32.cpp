// The Windows settings store: string values under
// HKEY_CURRENT_USER\Software\<app>\<section>. The tests use an application
// name of their own and remove its key afterwards.
#include <gtest/gtest.h>

#include <string>

#include "platform/numbers.h"
#include "settings/settings_store.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace syl {
namespace {

const char* const kApp = "SylvadraUnitTest";

class RegistryStoreTest : public ::testing::Test {
protected:
    void SetUp() override { removeKeys(); }
    void TearDown() override { removeKeys(); }
    static void removeKeys()
    {
        const std::string base = std::string("Software\\") + kApp;
        for (const char* section : {"Settings", "Other"})
            RegDeleteKeyA(HKEY_CURRENT_USER, (base + "\\" + section).c_str());
        RegDeleteKeyA(HKEY_CURRENT_USER, base.c_str());
    }
    // Writes a raw value, as another program might have left it.
    static void putRaw(const char* name, DWORD type, const void* data, DWORD size)
    {
        HKEY hk = nullptr;
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, (std::string("Software\\") + kApp + "\\Settings").c_str(), 0,
                                  nullptr, 0, KEY_SET_VALUE, nullptr, &hk, nullptr),
                  ERROR_SUCCESS);
        RegSetValueExA(hk, name, 0, type, static_cast<const BYTE*>(data), size);
        RegCloseKey(hk);
    }
};

TEST_F(RegistryStoreTest, WritesStringValuesAndReadsThemBack)
{
    auto store = makeRegistrySettingsStore();
    EXPECT_EQ(store->get(kApp, "Settings", "maxFl", "6"), "6");
    store->set(kApp, "Settings", "maxFl", "5,84");
    store->set(kApp, "Settings", "Speed", "5");
    store->set(kApp, "Settings", "maxFl", "6,08");
    store->set(kApp, "Other", "maxFl", "1");
    EXPECT_EQ(store->get(kApp, "Settings", "maxFl", "6"), "6,08");
    EXPECT_EQ(store->get(kApp, "Settings", "Speed", "0"), "5");
    EXPECT_EQ(store->get(kApp, "Settings", "Date", "1"), "1");
    EXPECT_EQ(store->get(kApp, "Other", "maxFl", "0"), "1");
    store->set(kApp, "Settings", "Empty", "");
    EXPECT_EQ(store->get(kApp, "Settings", "Empty", "x"), "");

    HKEY hk = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, (std::string("Software\\") + kApp + "\\Settings").c_str(), 0,
                            KEY_QUERY_VALUE, &hk),
              ERROR_SUCCESS);
    DWORD type = 0;
    char buf[32] = {};
    DWORD size = sizeof buf;
    EXPECT_EQ(RegQueryValueExA(hk, "maxFl", nullptr, &type, reinterpret_cast<BYTE*>(buf), &size), ERROR_SUCCESS);
    RegCloseKey(hk);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_STREQ(buf, "6,08");
}

TEST_F(RegistryStoreTest, ForeignValuesReadSafely)
{
    auto store = makeRegistrySettingsStore();
    putRaw("NoTerminator", REG_SZ, "7.5", 3);
    const DWORD number = 42;
    putRaw("Number", REG_DWORD, &number, sizeof number);
    putRaw("EarlyNul", REG_SZ, "3\0junk", 7);
    EXPECT_EQ(store->get(kApp, "Settings", "NoTerminator", "d"), "7.5");
    EXPECT_EQ(store->get(kApp, "Settings", "Number", "d"), "d");
    EXPECT_EQ(store->get(kApp, "Settings", "EarlyNul", "d"), "3");
}

} // namespace
} // namespace syl
