// A message bus of a test's own (dbus-daemon with no services to start),
// and on it stand-in xfconf and Plasma shell services that record their
// calls, answer from properties of the test's, and may refuse.
#pragma once

#include <gio/gio.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <future>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "fakes/scoped.h"

namespace syl::fakes {

inline const char* kServicesXml = R"(<node>
  <interface name="org.xfce.Xfconf">
    <method name="GetAllProperties">
      <arg direction="in" type="s" name="channel"/>
      <arg direction="in" type="s" name="property_base"/>
      <arg direction="out" type="a{sv}" name="properties"/>
    </method>
    <method name="SetProperty">
      <arg direction="in" type="s" name="channel"/>
      <arg direction="in" type="s" name="property"/>
      <arg direction="in" type="v" name="value"/>
    </method>
  </interface>
  <interface name="org.kde.PlasmaShell">
    <method name="evaluateScript">
      <arg direction="in" type="s" name="script"/>
      <arg direction="out" type="s" name="output"/>
    </method>
  </interface>
</node>
)";

class FakeSessionBus {
public:
    // Starts the bus, listening in dir; false without dbus-daemon or when
    // it does not start.
    bool start(const fs::path& dir)
    {
        gchar* daemon = g_find_program_in_path("dbus-daemon");
        if (!daemon) return false;
        fs::path conf = dir / "bus.conf";
        std::ofstream(conf) << "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
                               " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
                               "<busconfig><type>session</type><listen>unix:dir="
                            << dir.string()
                            << "</listen><auth>EXTERNAL</auth>"
                               "<policy context=\"default\"><allow send_destination=\"*\" eavesdrop=\"true\"/>"
                               "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>\n";
        std::string confArg = "--config-file=" + conf.string();
        gchar* argv[] = {daemon,
                         confArg.data(),
                         const_cast<gchar*>("--nofork"),
                         const_cast<gchar*>("--nopidfile"),
                         const_cast<gchar*>("--print-address=1"),
                         nullptr};
        gint out = -1;
        GError* err = nullptr;
        auto flags = static_cast<GSpawnFlags>(G_SPAWN_DO_NOT_REAP_CHILD | G_SPAWN_STDERR_TO_DEV_NULL);
        gboolean started = g_spawn_async_with_pipes(nullptr, argv, nullptr, flags, nullptr, nullptr, &daemonPid_,
                                                    nullptr, &out, nullptr, &err);
        g_free(daemon);
        if (err) g_error_free(err);
        if (!started) return false;
        std::string line;
        char c;
        while (::read(out, &c, 1) == 1 && c != '\n') line += c;
        ::close(out);
        if (line.empty()) return false;
        address_ = line;
        bus_.emplace("DBUS_SESSION_BUS_ADDRESS", address_.c_str());
        return true;
    }
    ~FakeSessionBus() { stop(); }
    void stop()
    {
        stopServices();
        if (daemonPid_ > 0) {
            ::kill(daemonPid_, SIGTERM);
            int status = 0;
            ::waitpid(daemonPid_, &status, 0);
        }
    }

    struct Call {
        std::string method;
        std::vector<std::string> args; // strings as they are (in a variant or not), other values printed
    };

    // The stand-in services run in a thread of their own, with its own main
    // loop, so that the calls of the test's thread are answered.
    void startServices(std::map<std::string, GVariant*> xfconfProperties, bool plasmaRefuses = false)
    {
        properties_ = std::move(xfconfProperties);
        plasmaRefuses_ = plasmaRefuses;
        std::promise<bool> ready;
        std::future<bool> isReady = ready.get_future();
        thread_ = std::thread([this, &ready] { serve(ready); });
        servicesStarted_ = isReady.get();
    }
    void stopServices()
    {
        if (!thread_.joinable()) return;
        {
            // Quit from inside the loop, which may not be running yet.
            std::lock_guard<std::mutex> lock(mutex_);
            if (loop_) {
                GSource* quit = g_idle_source_new();
                g_source_set_callback(
                    quit,
                    [](gpointer loop) {
                        g_main_loop_quit(static_cast<GMainLoop*>(loop));
                        return gboolean(G_SOURCE_REMOVE);
                    },
                    loop_, nullptr);
                g_source_attach(quit, g_main_loop_get_context(loop_));
                g_source_unref(quit);
            }
        }
        thread_.join();
        for (auto& [name, value] : properties_) g_variant_unref(value);
        properties_.clear();
    }
    std::vector<Call> calls()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return calls_;
    }

    void serve(std::promise<bool>& ready)
    {
        GMainContext* context = g_main_context_new();
        g_main_context_push_thread_default(context);
        GError* err = nullptr;
        GDBusConnection* c = g_dbus_connection_new_for_address_sync(
            address_.c_str(),
            static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                              G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
            nullptr, nullptr, &err);
        GDBusNodeInfo* node = g_dbus_node_info_new_for_xml(kServicesXml, nullptr);
        bool ok = c && node;
        static const GDBusInterfaceVTable vtable = {&FakeSessionBus::onCall, nullptr, nullptr, {}};
        std::vector<guint> objects;
        if (ok) {
            objects.push_back(g_dbus_connection_register_object(c, "/org/xfce/Xfconf", node->interfaces[0], &vtable,
                                                                this, nullptr, nullptr));
            objects.push_back(g_dbus_connection_register_object(c, "/PlasmaShell", node->interfaces[1], &vtable, this,
                                                                nullptr, nullptr));
            for (const char* name : {"org.xfce.Xfconf", "org.kde.plasmashell"}) {
                GVariant* r = g_dbus_connection_call_sync(
                    c, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "RequestName",
                    g_variant_new("(su)", name, 4u /* do not queue */), G_VARIANT_TYPE("(u)"), G_DBUS_CALL_FLAGS_NONE,
                    5000, nullptr, nullptr);
                guint32 answer = 0;
                if (r) {
                    g_variant_get(r, "(u)", &answer);
                    g_variant_unref(r);
                }
                ok = ok && answer == 1; // the primary owner
            }
        }
        if (err) g_error_free(err);
        GMainLoop* loop = g_main_loop_new(context, FALSE);
        {
            std::lock_guard<std::mutex> lock(mutex_);
            loop_ = loop;
        }
        ready.set_value(ok);
        if (ok) g_main_loop_run(loop);
        {
            std::lock_guard<std::mutex> lock(mutex_);
            loop_ = nullptr;
        }
        g_main_loop_unref(loop);
        for (guint id : objects) g_dbus_connection_unregister_object(c, id);
        if (node) g_dbus_node_info_unref(node);
        if (c) {
            g_dbus_connection_close_sync(c, nullptr, nullptr);
            g_object_unref(c);
        }
        g_main_context_pop_thread_default(context);
        g_main_context_unref(context);
    }

    static void onCall(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar* method,
                       GVariant* parameters, GDBusMethodInvocation* invocation, gpointer self)
    {
        static_cast<FakeSessionBus*>(self)->answer(method, parameters, invocation);
    }
    void answer(const std::string& method, GVariant* parameters, GDBusMethodInvocation* invocation)
    {
        Call call{method, {}};
        for (gsize i = 0; i < g_variant_n_children(parameters); ++i) {
            GVariant* arg = g_variant_get_child_value(parameters, i);
            if (g_variant_is_of_type(arg, G_VARIANT_TYPE_VARIANT)) {
                GVariant* inner = g_variant_get_variant(arg);
                g_variant_unref(arg);
                arg = inner;
            }
            if (g_variant_is_of_type(arg, G_VARIANT_TYPE_STRING)) {
                call.args.emplace_back(g_variant_get_string(arg, nullptr));
            } else {
                gchar* text = g_variant_print(arg, TRUE);
                call.args.emplace_back(text);
                g_free(text);
            }
            g_variant_unref(arg);
        }
        {
            std::lock_guard<std::mutex> lock(mutex_);
            calls_.push_back(call);
        }
        if (method == "GetAllProperties") {
            GVariantBuilder b;
            g_variant_builder_init(&b, G_VARIANT_TYPE("a{sv}"));
            for (const auto& [name, value] : properties_)
                if (name.rfind(call.args[1], 0) == 0) g_variant_builder_add(&b, "{sv}", name.c_str(), value);
            g_dbus_method_invocation_return_value(invocation, g_variant_new("(a{sv})", &b));
        } else if (method == "SetProperty") {
            g_dbus_method_invocation_return_value(invocation, nullptr);
        } else if (plasmaRefuses_) {
            g_dbus_method_invocation_return_dbus_error(invocation, "org.freedesktop.DBus.Error.Failed",
                                                       "Widgets are locked");
        } else {
            g_dbus_method_invocation_return_value(invocation, g_variant_new("(s)", ""));
        }
    }

    bool servicesStarted_ = false;
    std::string address_;
    GPid daemonPid_ = 0;
    std::optional<ScopedEnv> bus_;
    std::thread thread_;
    std::mutex mutex_;
    GMainLoop* loop_ = nullptr;
    std::vector<Call> calls_;
    std::map<std::string, GVariant*> properties_;
    bool plasmaRefuses_ = false;
};

} // namespace syl::fakes
