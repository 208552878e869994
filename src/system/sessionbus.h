#pragma once

#include <QProcessEnvironment>

// Without a session bus (no DBUS_SESSION_BUS_ADDRESS and no bus socket in the
// user's runtime folder), the first question anyone in the program asks the
// bus (the toolkit's accessibility bridge and menu bar, the keyring) makes
// the D-Bus library start a bus of its own, `dbus-launch --autolaunch` and a
// dbus-daemon, which outlive the program. Pointing the library at an address
// that cannot be reached makes each such question fail at once instead, as
// it would on a system without D-Bus. Call before the QApplication is made.
void keepSessionBusFromStarting();

// The environment for programs the program starts: as the program itself was
// given it, without the address set above.
QProcessEnvironment environmentForOtherPrograms();
