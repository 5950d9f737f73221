#include "platform/resources.h"

#include <cstring>

#include "platform/codecs.h"

// Written by cmake/EmbedResources.cmake: a header entry {count, 0, 0, 0},
// then count entries {kind, id, offset from the table, size}.
extern "C" const uint32_t sylvadra_resource_table[];

namespace syl {

namespace {
ResourceProvider& provider()
{
    static ResourceProvider p;
    return p;
}

std::span<const uint8_t> builtIn(ResourceKind kind, int id)
{
    const uint32_t* t = sylvadra_resource_table;
    uint32_t count = t[0];
    const auto* base = reinterpret_cast<const uint8_t*>(t);
    for (uint32_t i = 0; i < count; ++i) {
        const uint32_t* e = t + 4 + 4 * i;
        if (e[0] == static_cast<uint32_t>(kind) && e[1] == static_cast<uint32_t>(id)) return {base + e[2], e[3]};
    }
    return {};
}
} // namespace

std::span<const uint8_t> findBuiltInResource(ResourceKind kind, int id) { return builtIn(kind, id); }

std::span<const uint8_t> findResource(ResourceKind kind, int id)
{
    if (provider()) return provider()(kind, id);
    return builtIn(kind, id);
}

void setResourceProvider(ResourceProvider p) { provider() = std::move(p); }

Picture LoadResPicture(int id, ResourceKind kind)
{
    auto bytes = findResource(kind, id);
    if (bytes.empty()) raiseResourceNotFound(id);
    if (kind == ResourceKind::Icon) return decodeIco(bytes);
    return decodeBmp(bytes);
}

} // namespace syl
