#pragma once

#include <functional>

// The system's default beep, with a seam: tests put a function of their own in its place and
// count the beeps. User-interface thread only.
namespace Beep {

// Sounds the default beep (QApplication::beep), or calls what replace() put in its place.
void play();

// Puts beep in place of the system's beep and returns the function it replaces (empty for the
// system's beep); an empty function brings the system's beep back.
std::function<void()> replace(std::function<void()> beep);

} // namespace Beep
