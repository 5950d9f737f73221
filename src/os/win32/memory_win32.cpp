// The Windows heap gives large blocks (about a megabyte and more) back to
// the system when they are freed: nothing to set.
#include "platform/memory.h"

namespace syl {

void returnLargeBlocksToTheSystem() {}

} // namespace syl
