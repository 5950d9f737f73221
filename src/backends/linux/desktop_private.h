// What the ways to the desktops share: the failures they report and the
// ownership of GLib's objects.
#pragma once

#include <gio/gio.h>

#include <memory>
#include <string>

namespace syl::desktop {

// How long a desktop service may take to answer one call.
inline constexpr int kCallTimeoutMs = 10000;

inline bool fail(std::string* why, const std::string& reason)
{
    if (why) *why = reason;
    return false;
}

inline bool failWith(std::string* why, const std::string& what, GError* err)
{
    std::string reason = what + ": " + (err && err->message ? err->message : "unknown error");
    if (err) g_error_free(err);
    return fail(why, reason);
}

struct ObjectUnref {
    void operator()(gpointer p) const { g_object_unref(p); }
};
struct VariantUnref {
    void operator()(GVariant* v) const { g_variant_unref(v); }
};
using Variant = std::unique_ptr<GVariant, VariantUnref>;

} // namespace syl::desktop
