// The background's watch on the session, against stand-ins for UPower,
// logind and the Settings portal on a bus of the test's own (as the system
// bus and the session bus at once).
#include <gtest/gtest.h>

#include <poll.h>

#include <chrono>
#include <functional>
#include <memory>
#include <future>
#include <thread>

#include "backends/linux/session_watch.h"
#include "fakes/fake_bus.h"

using namespace syl;
using namespace syl::fakes;

namespace {

const char* kSessionXml = R"(<node>
  <interface name="org.freedesktop.UPower">
    <property name="OnBattery" type="b" access="read"/>
  </interface>
  <interface name="org.freedesktop.login1.Manager">
    <method name="GetSession">
      <arg direction="in" type="s" name="id"/>
      <arg direction="out" type="o" name="path"/>
    </method>
  </interface>
  <interface name="org.freedesktop.login1.Session">
    <property name="LockedHint" type="b" access="read"/>
  </interface>
  <interface name="org.freedesktop.portal.Settings">
    <method name="ReadOne">
      <arg direction="in" type="s" name="namespace"/>
      <arg direction="in" type="s" name="key"/>
      <arg direction="out" type="v" name="value"/>
    </method>
    <signal name="SettingChanged">
      <arg type="s" name="namespace"/>
      <arg type="s" name="key"/>
      <arg type="v" name="value"/>
    </signal>
  </interface>
</node>
)";

constexpr const char* kSessionPath = "/org/freedesktop/login1/session/_7";

// The four services on one connection, served on a thread of their own.
class SessionServices {
public:
    bool onBattery = false, locked = false;
    uint32_t reducedMotion = 1;
    std::string askedSession;

    bool start()
    {
        std::promise<bool> ready;
        auto isReady = ready.get_future();
        thread_ = std::thread([this, &ready] { serve(ready); });
        return isReady.get();
    }
    ~SessionServices()
    {
        if (!thread_.joinable()) return;
        run([this] { g_main_loop_quit(loop_); });
        thread_.join();
    }
    // Runs f on the services' thread and waits for it.
    void run(std::function<void()> f)
    {
        std::promise<void> done;
        auto task = [&] {
            f();
            done.set_value();
        };
        g_main_context_invoke_full(
            context_, G_PRIORITY_DEFAULT,
            [](gpointer t) {
                (*static_cast<decltype(task)*>(t))();
                return gboolean(G_SOURCE_REMOVE);
            },
            &task, nullptr);
        done.get_future().wait();
    }
    void changed(const char* path, const char* iface, const char* name, GVariant* value)
    {
        run([&] {
            GVariantBuilder b;
            g_variant_builder_init(&b, G_VARIANT_TYPE("a{sv}"));
            g_variant_builder_add(&b, "{sv}", name, value);
            g_dbus_connection_emit_signal(c_, nullptr, path, "org.freedesktop.DBus.Properties", "PropertiesChanged",
                                          g_variant_new("(sa{sv}as)", iface, &b, nullptr), nullptr);
        });
    }
    void settingChanged(uint32_t v)
    {
        run([&] {
            reducedMotion = v;
            g_dbus_connection_emit_signal(
                c_, nullptr, "/org/freedesktop/portal/desktop", "org.freedesktop.portal.Settings", "SettingChanged",
                g_variant_new("(ssv)", "org.freedesktop.appearance", "reduced-motion", g_variant_new_uint32(v)),
                nullptr);
        });
    }

private:
    static GVariant* property(GDBusConnection*, const char*, const char*, const char* iface, const char*, GError**,
                              gpointer self)
    {
        auto* s = static_cast<SessionServices*>(self);
        return g_variant_new_boolean(std::string(iface) == "org.freedesktop.UPower" ? s->onBattery : s->locked);
    }
    static void call(GDBusConnection*, const char*, const char*, const char*, const char* method, GVariant* params,
                     GDBusMethodInvocation* inv, gpointer self)
    {
        auto* s = static_cast<SessionServices*>(self);
        if (std::string(method) == "GetSession") {
            const char* id = nullptr;
            g_variant_get(params, "(&s)", &id);
            s->askedSession = id;
            g_dbus_method_invocation_return_value(inv, g_variant_new("(o)", kSessionPath));
        } else {
            g_dbus_method_invocation_return_value(inv, g_variant_new("(v)", g_variant_new_uint32(s->reducedMotion)));
        }
    }
    void serve(std::promise<bool>& ready)
    {
        context_ = g_main_context_new();
        g_main_context_push_thread_default(context_);
        c_ = g_dbus_connection_new_for_address_sync(
            std::getenv("DBUS_SESSION_BUS_ADDRESS"),
            static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                              G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
            nullptr, nullptr, nullptr);
        GDBusNodeInfo* node = g_dbus_node_info_new_for_xml(kSessionXml, nullptr);
        static const GDBusInterfaceVTable vtable = {&SessionServices::call, &SessionServices::property, nullptr, {}};
        bool ok = c_ && node;
        const char* paths[] = {"/org/freedesktop/UPower", "/org/freedesktop/login1", kSessionPath,
                               "/org/freedesktop/portal/desktop"};
        const char* names[] = {"org.freedesktop.UPower", "org.freedesktop.login1", "org.freedesktop.portal.Desktop"};
        for (int k = 0; ok && k < 4; ++k)
            ok = g_dbus_connection_register_object(c_, paths[k], node->interfaces[k], &vtable, this, nullptr, nullptr) >
                 0;
        for (const char* name : names) {
            if (!ok) break;
            GVariant* r = g_dbus_connection_call_sync(
                c_, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "RequestName",
                g_variant_new("(su)", name, 4u), G_VARIANT_TYPE("(u)"), G_DBUS_CALL_FLAGS_NONE, 5000, nullptr, nullptr);
            ok = r != nullptr;
            if (r) g_variant_unref(r);
        }
        loop_ = g_main_loop_new(context_, FALSE);
        ready.set_value(ok);
        g_main_loop_run(loop_);
        g_main_loop_unref(loop_);
        if (node) g_dbus_node_info_unref(node);
        if (c_) {
            g_dbus_connection_close_sync(c_, nullptr, nullptr);
            g_object_unref(c_);
        }
        g_main_context_pop_thread_default(context_);
        g_main_context_unref(context_);
    }

    std::thread thread_;
    GMainContext* context_ = nullptr;
    GMainLoop* loop_ = nullptr;
    GDBusConnection* c_ = nullptr;
};

// Waits (10 s at most) until the watch tells of a change and its mood
// passes the check.
bool waitFor(SessionWatch& w, const std::function<bool(const SessionMood&)>& ok)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < end) {
        pollfd p{w.fd(), POLLIN, 0};
        if (poll(&p, 1, 100) > 0) w.changed();
        if (ok(w.mood())) return true;
    }
    return false;
}

} // namespace

TEST(SessionWatch, FollowsTheBatteryTheLockAndThePortalsLessMotion)
{
    TempDir tmp;
    FakeSessionBus bus;
    if (!bus.start(tmp.path)) GTEST_SKIP() << "no dbus-daemon to run a bus of the test's own";
    ScopedEnv system("DBUS_SYSTEM_BUS_ADDRESS", std::getenv("DBUS_SESSION_BUS_ADDRESS"));
    ScopedEnv session("XDG_SESSION_ID", "7");
    ScopedEnv settings("GSETTINGS_BACKEND", "memory");
    auto services = std::make_unique<SessionServices>();
    ASSERT_TRUE(services->start()) << "the stand-in services did not start";
    {
        SessionWatch watch;
        // The portal asks for less motion from the start.
        ASSERT_TRUE(waitFor(watch, [](const SessionMood& m) { return m.reducedMotion; }));
        EXPECT_FALSE(watch.mood().onBattery);
        EXPECT_EQ(paceFor(watch.mood(), false), Pace::Still);
        EXPECT_EQ(paceFor(watch.mood(), true), Pace::Moving) << "--always-animate";

        services->settingChanged(0);
        ASSERT_TRUE(waitFor(watch, [](const SessionMood& m) { return !m.reducedMotion; }));
        services->onBattery = true;
        services->changed("/org/freedesktop/UPower", "org.freedesktop.UPower", "OnBattery",
                          g_variant_new_boolean(true));
        ASSERT_TRUE(waitFor(watch, [](const SessionMood& m) { return m.onBattery; }));
        EXPECT_EQ(paceFor(watch.mood(), false), Pace::Still);

        services->locked = true;
        services->changed(kSessionPath, "org.freedesktop.login1.Session", "LockedHint", g_variant_new_boolean(true));
        ASSERT_TRUE(waitFor(watch, [](const SessionMood& m) { return m.locked; }));
        EXPECT_EQ(services->askedSession, "7") << "the session of XDG_SESSION_ID";
        EXPECT_EQ(paceFor(watch.mood(), true), Pace::Hidden) << "locked, nothing is drawn";
    }
    // Without the services everything moves; the watch ends at once also
    // while its questions are under way.
    services.reset();
    SessionWatch idle;
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(paceFor(idle.mood(), false), Pace::Moving);
}
