// The shared-memory buffers of the Wayland surfaces: up to three for each,
// filled with only what each lacks (the clouds moved over in place), and
// attached with the changed rectangles as damage.
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "backends/linux/wayland_run.h"
#include "platform/pixel_store.h"

namespace syl {

using namespace wayland;

namespace {

// Adds r to the damage unless it is all of the buffer already (the same
// change is often handed over more than once before it is shown).
void addRect(std::vector<Rect>& list, bool& all, const Rect& r)
{
    if (!all) FrameCopy::addRect(list, r);
}

void bufferRelease(void* data, wl_buffer*) { static_cast<Buffer*>(data)->busy = false; }
const wl_buffer_listener kBufferListener = {bufferRelease};

} // namespace

Buffer* Run::freeBuffer(Head& h)
{
    for (auto& b : h.buffers)
        if (!b->busy && !b->retired) return b.get();
    // Three at most: one shown, one on its way, one being filled.
    if (h.buffers.size() >= 3) return nullptr;
    auto b = std::make_unique<Buffer>();
    b->width = h.width;
    b->height = h.height;
    const int stride = h.width * 4;
    b->size = static_cast<size_t>(stride) * static_cast<size_t>(h.height);
    // Anonymous memory, shared with the compositor only: no file anywhere.
    const int fd = memfd_create("sylvadra", MFD_CLOEXEC | MFD_ALLOW_SEALING);
    if (fd < 0) return nullptr;
    if (ftruncate(fd, static_cast<off_t>(b->size)) != 0) {
        close(fd);
        return nullptr;
    }
    void* mem = mmap(nullptr, b->size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (mem == MAP_FAILED) {
        close(fd);
        return nullptr;
    }
    // The compositor may rely on the size staying as it is.
    fcntl(fd, F_ADD_SEALS, F_SEAL_SHRINK | F_SEAL_GROW | F_SEAL_SEAL);
    b->data = static_cast<uint8_t*>(mem);
    mapInAdvance(mem, b->size, true); // it is filled whole at once
    wl_shm_pool* pool = wl_shm_create_pool(shm, fd, static_cast<int32_t>(b->size));
    b->buffer = wl_shm_pool_create_buffer(pool, 0, h.width, h.height, stride, WL_SHM_FORMAT_XRGB8888);
    wl_shm_pool_destroy(pool);
    close(fd);
    wl_buffer_add_listener(b->buffer, &kBufferListener, b.get());
    h.buffers.push_back(std::move(b));
    return h.buffers.back().get();
}

void Run::present(Head& h, bool all)
{
    if (!h.scene || !h.surface || h.width <= 0 || h.gone) return;
    FrmMain& m = h.scene->form();
    const Surface& f = m.form;
    if (f.width() != h.width || f.height() != h.height) return;
    // What changed joins what every buffer lacks and what the compositor
    // has not been told of.
    if (all || m.changedAll) {
        h.damage.clear();
        h.damageAll = true;
        for (auto& b : h.buffers) b->copy.note(m, true);
    } else {
        for (const Rect& r0 : m.changed) {
            const Rect r{std::max(r0.x0, 0), std::max(r0.y0, 0), std::min(r0.x1, h.width), std::min(r0.y1, h.height)};
            addRect(h.damage, h.damageAll, r);
        }
        for (auto& b : h.buffers) b->copy.note(m, false);
    }
    flush(h);
}

void Run::flush(Head& h)
{
    if (!h.scene || !h.surface || h.width <= 0 || h.gone) return;
    const Surface& f = h.scene->form().form;
    if (f.width() != h.width || f.height() != h.height) return;
    if (!h.damageAll && h.damage.empty()) return;
    // The compositor has not shown the last frame yet (or shows nothing
    // now): the change waits for its frame callback.
    if (h.frame) return;
    // Every buffer is still with the compositor: the change waits for the
    // next present.
    Buffer* b = freeBuffer(h);
    if (!b) return;
    // Only what it lacks, its clouds moved over in place where they can be.
    b->copy.bring(h.scene->form(), reinterpret_cast<uint32_t*>(b->data), h.width, h.height, h.width);
    wl_surface_attach(h.surface, b->buffer, 0, 0);
    wl_surface_set_buffer_scale(h.surface, h.scale);
    if (h.damageAll) {
        wl_surface_damage_buffer(h.surface, 0, 0, h.width, h.height);
    } else {
        for (const Rect& r : h.damage) {
            if (compositorVersion >= 4) wl_surface_damage_buffer(h.surface, r.x0, r.y0, r.x1 - r.x0, r.y1 - r.y0);
            else // in the surface's units, rounded outwards
                wl_surface_damage(h.surface, r.x0 / h.scale, r.y0 / h.scale,
                                  (r.x1 + h.scale - 1) / h.scale - r.x0 / h.scale,
                                  (r.y1 + h.scale - 1) / h.scale - r.y0 / h.scale);
        }
    }
    requestFrame(h);
    wl_surface_commit(h.surface);
    b->busy = true;
    h.damage.clear();
    h.damageAll = false;
    wl_display_flush(display);
}

void Run::presentAll()
{
    for (size_t k = 0; k < heads.size(); ++k) present(*heads[k], false);
}

} // namespace syl
