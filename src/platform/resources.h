// Picture resources addressed by number and kind, compiled into the
// executable. Bitmap and icon numbers overlap; the kind decides.
#pragma once

#include <cstdint>
#include <functional>
#include <span>

#include "platform/picture.h"

namespace syl {

enum class ResourceKind : uint32_t { Bitmap = 2, Icon = 14, Font = 100, Data = 101 };

// The raw bytes of a resource (a .bmp file, an .ico file, a font...), or an
// empty span when there is none.
std::span<const uint8_t> findResource(ResourceKind kind, int id);

// Loads and decodes a bitmap or icon resource. A number that names nothing
// is error 326; bytes that do not decode are error 481.
Picture LoadResPicture(int id, ResourceKind kind);

// The resource compiled into the executable, whatever provider is installed.
std::span<const uint8_t> findBuiltInResource(ResourceKind kind, int id);

// Tests replace the built-in table; an empty function restores it.
using ResourceProvider = std::function<std::span<const uint8_t>(ResourceKind, int)>;
void setResourceProvider(ResourceProvider provider);

} // namespace syl
