#pragma once

// The zoom levels that Ctrl+plus and Ctrl+minus step through, from 25 % to
// 500 %, the engine's range. A factor between two levels steps to the next
// one in that direction; at either end the factor stays.
double zoomedIn(double factor);
double zoomedOut(double factor);
