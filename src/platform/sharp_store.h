// Pictures painted at a density, for the sharp pictures: each comes from
// memory, from the per-user cache folder (used only after its checks) or is
// painted. Painting may run on a thread of its own while the saver shows a
// landscape of the stored pictures; whatever is at hand is shared by every
// scene of the program and kept for its life.
#pragma once

#include <atomic>
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
// none, every picture is painted when it is drawn. A folder that cannot be
// written is said once on stderr, and what is painted is then kept in
// memory for the run.
void setSharpCacheFolder(const std::string& folder);

// Whether the picture can be had without painting it: painted or checked
// whole in this run, or found whole in the cache folder (never once
// painting has failed). A damaged file is absent.
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

// True once painting in the background has failed (out of memory, say):
// nothing is then at hand any more, and the run shows classic landscapes.
bool sharpPaintingFailed();

// The painter of the pictures; nullptr (the default): the program's own.
// Tests put one of theirs in its place.
using SharpPainter = Picture (*)(const SharpKey& key, const std::atomic<bool>* stop);
void setSharpPainter(SharpPainter painter);

// Stops the painting in the background and waits for its end: called before
// the program ends, while everything the painters use still exists.
void stopSharpPainting();

// The pictures a landscape may use at a canvas density, and the pictures
// drawn at the screen's scale at a sprite density, at a phase of the day
// (pictureAtPhase).
std::vector<SharpKey> landscapeKeys(int density, int phase = 0);
std::vector<SharpKey> spriteKeys(int density, int phase = 0);

} // namespace syl
