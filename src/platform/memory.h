// How the program's heap hands memory back to the system.
#pragma once

namespace syl {

// Large blocks (a megabyte and more: pictures, canvases, a painter's
// floats) are taken from the system on their own and given back as soon as
// they are freed, so that painting a landscape's pictures at a high density
// leaves no freed holes behind in the resident memory. Called once at
// start-up, before anything large is allocated.
void returnLargeBlocksToTheSystem();

} // namespace syl
