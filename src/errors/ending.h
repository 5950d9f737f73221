// The ending of the running saver, which the error dispatch and the scene
// form's input events ask for. The shell owns the ending and installs it
// (shell/saver.cpp); with none installed, asking does nothing, as when no
// saver runs.
#pragma once

namespace syl {

using SaverEnding = void (*)();
void installSaverEnding(SaverEnding ending);

// Ends the full-screen saver: the installed ending, or nothing.
void exitScreensaver();

// Whether the run ended because the memory did not suffice: the program then
// ends with status 1, as it does when a window cannot be opened. The shells
// read it when the run is over.
void noteMemoryExhausted();
bool memoryExhausted();

} // namespace syl
