// The session's mood over D-Bus, on a thread with a GLib main context of its
// own: nothing here waits on the program's loops, and a bus that never
// answers only leaves the mood as it was.
#include "session_watch.h"

#include <gio/gio.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace syl {

namespace {

constexpr int kCallTimeoutMs = 10000;

bool boolOf(GVariant* v) { return v && g_variant_is_of_type(v, G_VARIANT_TYPE_BOOLEAN) && g_variant_get_boolean(v); }

// The portal's value: a uint32, possibly inside one or two variants (Read
// wraps it once more than ReadOne).
bool reducedOf(GVariant* v)
{
    while (v && g_variant_is_of_type(v, G_VARIANT_TYPE_VARIANT)) {
        GVariant* inner = g_variant_get_variant(v);
        bool r = reducedOf(inner);
        g_variant_unref(inner);
        return r;
    }
    return v && g_variant_is_of_type(v, G_VARIANT_TYPE_UINT32) && g_variant_get_uint32(v) == 1;
}

} // namespace

struct SessionWatch::Impl {
    GMainContext* ctx = g_main_context_new();
    GCancellable* cancel = g_cancellable_new();
    int wake = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    std::atomic<bool> stop{false};
    std::atomic<bool> battery{false}, portalReduced{false}, gnomeReduced{false}, locked{false};
    // Owned by the thread.
    GDBusProxy* upower = nullptr;
    GDBusProxy* manager = nullptr;
    GDBusProxy* session = nullptr;
    GDBusProxy* portal = nullptr;
    GSettings* gnome = nullptr;
    std::thread thread;

    void changed()
    {
        const uint64_t one = 1;
        if (wake >= 0) (void)!::write(wake, &one, sizeof one);
    }

    void run();
    void start();
    void readBattery()
    {
        GVariant* v = upower ? g_dbus_proxy_get_cached_property(upower, "OnBattery") : nullptr;
        battery = boolOf(v);
        if (v) g_variant_unref(v);
        changed();
    }
    void readLocked()
    {
        GVariant* v = session ? g_dbus_proxy_get_cached_property(session, "LockedHint") : nullptr;
        locked = boolOf(v);
        if (v) g_variant_unref(v);
        changed();
    }
    void readGnome()
    {
        gnomeReduced = gnome && !g_settings_get_boolean(gnome, "enable-animations");
        changed();
    }
    void readPortal()
    {
        if (!portal) return;
        g_dbus_proxy_call(
            portal, "ReadOne", g_variant_new("(ss)", "org.freedesktop.appearance", "reduced-motion"),
            G_DBUS_CALL_FLAGS_NO_AUTO_START, kCallTimeoutMs, cancel,
            [](GObject* src, GAsyncResult* res, gpointer data) {
                GVariant* r = g_dbus_proxy_call_finish(G_DBUS_PROXY(src), res, nullptr);
                if (!r) return; // cancelled, or a portal without the key
                auto* self = static_cast<Impl*>(data);
                GVariant* v = nullptr;
                g_variant_get(r, "(v)", &v);
                self->portalReduced = reducedOf(v);
                g_variant_unref(v);
                g_variant_unref(r);
                self->changed();
            },
            this);
    }
};

void SessionWatch::Impl::start()
{
    // The battery.
    g_dbus_proxy_new_for_bus(
        G_BUS_TYPE_SYSTEM, G_DBUS_PROXY_FLAGS_DO_NOT_AUTO_START, nullptr, "org.freedesktop.UPower",
        "/org/freedesktop/UPower", "org.freedesktop.UPower", cancel,
        [](GObject*, GAsyncResult* res, gpointer data) {
            GDBusProxy* p = g_dbus_proxy_new_for_bus_finish(res, nullptr);
            if (!p) return;
            auto* self = static_cast<Impl*>(data);
            self->upower = p;
            auto changed = +[](GDBusProxy*, GVariant*, GStrv, gpointer d) { static_cast<Impl*>(d)->readBattery(); };
            auto owner = +[](GObject*, GParamSpec*, gpointer d) { static_cast<Impl*>(d)->readBattery(); };
            g_signal_connect(p, "g-properties-changed", G_CALLBACK(changed), self);
            g_signal_connect(p, "notify::g-name-owner", G_CALLBACK(owner), self);
            self->readBattery();
        },
        this);

    // The lock: the session's object, as logind names it for this session
    // (or, outside one, for the user's session on the display).
    g_dbus_proxy_new_for_bus(
        G_BUS_TYPE_SYSTEM,
        static_cast<GDBusProxyFlags>(G_DBUS_PROXY_FLAGS_DO_NOT_AUTO_START | G_DBUS_PROXY_FLAGS_DO_NOT_LOAD_PROPERTIES |
                                     G_DBUS_PROXY_FLAGS_DO_NOT_CONNECT_SIGNALS),
        nullptr, "org.freedesktop.login1", "/org/freedesktop/login1", "org.freedesktop.login1.Manager", cancel,
        [](GObject*, GAsyncResult* res, gpointer data) {
            GDBusProxy* p = g_dbus_proxy_new_for_bus_finish(res, nullptr);
            if (!p) return;
            auto* self = static_cast<Impl*>(data);
            self->manager = p;
            const char* id = std::getenv("XDG_SESSION_ID");
            if (!id || !*id) id = "auto";
            g_dbus_proxy_call(
                p, "GetSession", g_variant_new("(s)", id), G_DBUS_CALL_FLAGS_NO_AUTO_START, kCallTimeoutMs,
                self->cancel,
                [](GObject* src, GAsyncResult* r, gpointer d) {
                    GVariant* reply = g_dbus_proxy_call_finish(G_DBUS_PROXY(src), r, nullptr);
                    if (!reply) return;
                    auto* me = static_cast<Impl*>(d);
                    const char* path = nullptr;
                    g_variant_get(reply, "(&o)", &path);
                    g_dbus_proxy_new(
                        g_dbus_proxy_get_connection(G_DBUS_PROXY(src)), G_DBUS_PROXY_FLAGS_DO_NOT_AUTO_START, nullptr,
                        "org.freedesktop.login1", path, "org.freedesktop.login1.Session", me->cancel,
                        [](GObject*, GAsyncResult* r2, gpointer d2) {
                            GDBusProxy* s = g_dbus_proxy_new_finish(r2, nullptr);
                            if (!s) return;
                            auto* me2 = static_cast<Impl*>(d2);
                            me2->session = s;
                            auto reread = +[](GDBusProxy*, GVariant*, GStrv, gpointer dd) {
                                static_cast<Impl*>(dd)->readLocked();
                            };
                            g_signal_connect(s, "g-properties-changed", G_CALLBACK(reread), me2);
                            me2->readLocked();
                        },
                        me);
                    g_variant_unref(reply);
                },
                self);
        },
        this);

    // Less motion, as the Settings portal says it.
    g_dbus_proxy_new_for_bus(
        G_BUS_TYPE_SESSION,
        static_cast<GDBusProxyFlags>(G_DBUS_PROXY_FLAGS_DO_NOT_AUTO_START | G_DBUS_PROXY_FLAGS_DO_NOT_LOAD_PROPERTIES),
        nullptr, "org.freedesktop.portal.Desktop", "/org/freedesktop/portal/desktop", "org.freedesktop.portal.Settings",
        cancel,
        [](GObject*, GAsyncResult* res, gpointer data) {
            GDBusProxy* p = g_dbus_proxy_new_for_bus_finish(res, nullptr);
            if (!p) return;
            auto* self = static_cast<Impl*>(data);
            self->portal = p;
            auto onSignal = +[](GDBusProxy*, const char*, const char* name, GVariant* params, gpointer d) {
                if (std::strcmp(name, "SettingChanged") != 0 || !g_variant_is_of_type(params, G_VARIANT_TYPE("(ssv)")))
                    return;
                const char *ns = nullptr, *key = nullptr;
                GVariant* v = nullptr;
                g_variant_get(params, "(&s&sv)", &ns, &key, &v);
                auto* me = static_cast<Impl*>(d);
                if (std::strcmp(ns, "org.freedesktop.appearance") == 0 && std::strcmp(key, "reduced-motion") == 0) {
                    me->portalReduced = reducedOf(v);
                    me->changed();
                }
                g_variant_unref(v);
            };
            g_signal_connect(p, "g-signal", G_CALLBACK(onSignal), self);
            // A portal that starts later is read when it comes.
            auto reread = +[](GObject*, GParamSpec*, gpointer d) { static_cast<Impl*>(d)->readPortal(); };
            g_signal_connect(p, "notify::g-name-owner", G_CALLBACK(reread), self);
            self->readPortal();
        },
        this);

    // Less motion, as GNOME's own setting says it, where its schema is
    // installed.
    GSettingsSchemaSource* source = g_settings_schema_source_get_default();
    GSettingsSchema* schema =
        source ? g_settings_schema_source_lookup(source, "org.gnome.desktop.interface", TRUE) : nullptr;
    if (schema) {
        if (g_settings_schema_has_key(schema, "enable-animations")) {
            gnome = g_settings_new_full(schema, nullptr, nullptr);
            auto reread = +[](GSettings*, const char*, gpointer d) { static_cast<Impl*>(d)->readGnome(); };
            g_signal_connect(gnome, "changed::enable-animations", G_CALLBACK(reread), this);
            readGnome();
        }
        g_settings_schema_unref(schema);
    }
}

void SessionWatch::Impl::run()
{
    g_main_context_push_thread_default(ctx);
    start();
    while (!stop) g_main_context_iteration(ctx, TRUE);
    // What is still under way ends with the cancellation; its callbacks
    // run here, before the objects go.
    g_cancellable_cancel(cancel);
    while (g_main_context_iteration(ctx, FALSE)) {
    }
    for (GDBusProxy** p : {&upower, &manager, &session, &portal})
        if (*p) {
            g_signal_handlers_disconnect_by_data(*p, this);
            g_clear_object(p);
        }
    if (gnome) {
        g_signal_handlers_disconnect_by_data(gnome, this);
        g_clear_object(&gnome);
    }
    while (g_main_context_iteration(ctx, FALSE)) {
    }
    g_main_context_pop_thread_default(ctx);
}

SessionWatch::SessionWatch() : impl_(std::make_unique<Impl>())
{
    impl_->thread = std::thread([this] { impl_->run(); });
}

SessionWatch::~SessionWatch()
{
    impl_->stop = true;
    g_main_context_wakeup(impl_->ctx);
    impl_->thread.join();
    g_object_unref(impl_->cancel);
    g_main_context_unref(impl_->ctx);
    if (impl_->wake >= 0) ::close(impl_->wake);
}

SessionMood SessionWatch::mood() const
{
    SessionMood m;
    m.onBattery = impl_->battery;
    m.reducedMotion = impl_->portalReduced || impl_->gnomeReduced;
    m.locked = impl_->locked;
    return m;
}

int SessionWatch::fd() const { return impl_->wake; }

bool SessionWatch::changed()
{
    uint64_t n = 0;
    return impl_->wake >= 0 && ::read(impl_->wake, &n, sizeof n) == static_cast<ssize_t>(sizeof n);
}

} // namespace syl
