// The sharp pictures: the picture resources painted by the painters of
// platform/art at a whole density (pixels per classic pixel) in full colour,
// for a landscape composed at a multiple of the classic 640 x 480, and a
// disk cache of them, since painting takes long (seconds for a large strip
// at density 4) while reading one back is quick.
//
// Both functions may be called on a background thread while the main thread
// draws: they share nothing mutable but the font, which is set up once.
#pragma once

#include <atomic>
#include <cstddef>
#include <optional>
#include <string>

#include "platform/picture.h"
#include "platform/resources.h"

namespace syl {

// The densities that can be painted.
constexpr int kMinSharpDensity = 1;
constexpr int kMaxSharpDensity = 8;

// The pictures of the other times of day: the number of a picture at
// phase 1 (dawn), 2 (dusk) or 3 (night) is its number plus phase x 1000; the
// painters paint them in that hour's light. Phase 0 is the day, the picture
// itself.
constexpr int kPhasePictureStep = 1000;
constexpr int pictureAtPhase(int id, int phase) { return id + phase * kPhasePictureStep; }

// The colour picture whose 1-bit mask is this bitmap; 0 for none.
int maskedPictureOf(int maskId);

// A picture resource painted at `density` pixels per classic pixel, in full colour:
// width and height are the classic size times density; `density` is set on the result.
// Sprites and icons carry their coverage in `alpha` (0..255, straight: the colour is
// not multiplied by it; where alpha is 0 the colour is that of the nearest covered
// pixel, so that filtered drawing shows no dark seams); opaque bitmaps leave alpha empty.
// Mask resources (the 1-bit pictures with the id after their colour picture), numbers
// that name no painted picture and densities outside 1..8 give an empty picture.
// kind: ResourceKind::Bitmap or ResourceKind::Icon.
// With stop, painting ends early (an empty picture) once *stop is set.
Picture paintSharpPicture(ResourceKind kind, int id, int density, const std::atomic<bool>* stop = nullptr);

// The density a landscape picture is painted at for a canvas of that
// density: the same, or for a picture that would be larger than
// kMaxLandscapePixels there (the strips of city and castles at density 8,
// 7.8 M pixels, whose painting would take 200 MB) the finest density that
// keeps it within them. Drawing it onto the canvas makes up the difference.
constexpr size_t kMaxLandscapePixels = size_t(5900) * 1000;
int landscapeDensity(int id, int canvasDensity);

// The disk cache: one file per picture and density in a subfolder of `folder` (the
// per-user cache folder, e.g. $XDG_CACHE_HOME/sylvadra/) named after the file format's
// version. A file is used only after checks (magic, format version, painter version,
// kind/id/density, sizes, checksum of the whole content); anything damaged, truncated,
// of another version, a symlink or not a regular file, a file or folder of another
// user reads as absent. Files are written
// atomically under unpredictable temporary names; false when the picture cannot be
// written (or is no sharp picture of that resource).
std::optional<Picture> readCachedPicture(const std::string& folder, ResourceKind kind, int id, int density);
bool writeCachedPicture(const std::string& folder, ResourceKind kind, int id, const Picture& p);
// Whether the cache holds a regular file for the picture by this painter:
// cheap, its header only (the other checks are made when it is read).
bool cachedPictureExists(const std::string& folder, ResourceKind kind, int id, int density);
// Whether the cache holds the picture whole: every check of a read made,
// without decoding it.
bool cachedPictureIntact(const std::string& folder, ResourceKind kind, int id, int density);

} // namespace syl
