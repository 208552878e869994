#pragma once

// Roles the toolkit gets wrong for the program's own windows and controls:
// a plain widget that is a window is announced as "filler" and a frame drawn
// as a line as a window frame. The factory corrects them for every window of
// the program, present and future, without the windows knowing of it.
void installAccessibilityFactory();
