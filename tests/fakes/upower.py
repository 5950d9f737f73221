#!/usr/bin/python3
# A stand-in for UPower on the session bus of $DBUS_SESSION_BUS_ADDRESS:
# OnBattery as the first argument says (1 or 0), turned over at each
# SIGUSR1 with the PropertiesChanged signal a real UPower sends. Prints
# "ready" once it owns its name.
import signal
import sys

from gi.repository import Gio, GLib

XML = """<node><interface name="org.freedesktop.UPower">
<property name="OnBattery" type="b" access="read"/></interface></node>"""
PATH = "/org/freedesktop/UPower"
state = {"on": sys.argv[1] == "1"}
bus = Gio.bus_get_sync(Gio.BusType.SESSION, None)
iface = Gio.DBusNodeInfo.new_for_xml(XML).interfaces[0]
bus.register_object(PATH, iface, None, lambda *a: GLib.Variant("b", state["on"]), None)


def turn():
    state["on"] = not state["on"]
    changed = GLib.Variant("(sa{sv}as)", ("org.freedesktop.UPower", {"OnBattery": GLib.Variant("b", state["on"])}, []))
    bus.emit_signal(None, PATH, "org.freedesktop.DBus.Properties", "PropertiesChanged", changed)
    return True


def owned(*_):
    print("ready", flush=True)


Gio.bus_own_name_on_connection(bus, "org.freedesktop.UPower", Gio.BusNameOwnerFlags.NONE, owned, None)
GLib.unix_signal_add(GLib.PRIORITY_DEFAULT, signal.SIGUSR1, turn)
GLib.unix_signal_add(GLib.PRIORITY_DEFAULT, signal.SIGTERM, lambda: sys.exit(0))
GLib.MainLoop().run()
