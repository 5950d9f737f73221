// glibc raises its threshold for blocks of their own as large blocks are
// freed (up to 32 MB), after which they come from the heap and leave holes
// there when freed: a landscape at density 8 then held 110 MB more than it
// used. A fixed threshold keeps every large block apart.
#include "platform/memory.h"

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace syl {

void returnLargeBlocksToTheSystem()
{
#if defined(__GLIBC__)
    mallopt(M_MMAP_THRESHOLD, 1 << 20);
#endif
}

} // namespace syl
