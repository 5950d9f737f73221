// Pictures painted at a density, for the sharp pictures: each comes from
// memory, from the per-user cache folder (used only after its checks) or is
// painted. Painting may run on a thread of its own while the saver shows a
// landscape of the stored pictures; whatever is at hand is shared by every
// scene of the program and kept for its life.
#pragma once

#include <string>
#include <vector>

#include "platform/picture.h"
#include "platform/resources.h"

namespace syl {

struct SharpKey {
    ResourceKind kind = ResourceKind::Bitmap;
    int id = 0;
    int density = 1;
};

// The folder that holds painted pictures between runs; empty (the default):
// none, every picture is painted when it is drawn.
void setSharpCacheFolder(const std::string& folder);

// Whether the picture can be had without painting it: painted in this run,
// or found in the cache folder. Cheap: the file's checks are made when it
// is read.
bool sharpPictureAtHand(const SharpKey& key);
bool sharpPicturesAtHand(const std::vector<SharpKey>& keys);

// The picture: read from the cache folder after its checks, or painted now
// (and kept there). Empty for the resources that are not painted (masks).
// Nothing is kept in memory: the caller keeps what it draws again.
Picture sharpPicture(const SharpKey& key);

// Paints every picture of the list that is not at hand into the cache
// folder, on a thread of its own, one list at a time: a list asked for while
// another is being painted is left for a later call. False when there is
// no cache folder or no thread.
bool prepareSharpPictures(const std::vector<SharpKey>& keys);

// Stops the painting in the background and waits for its end: called before
// the program ends, while everything the painters use still exists.
void stopSharpPainting();

// The pictures a landscape may use at a canvas density, and the pictures
// drawn at the screen's scale at a sprite density.
std::vector<SharpKey> landscapeKeys(int density);
std::vector<SharpKey> spriteKeys(int density);

} // namespace syl
