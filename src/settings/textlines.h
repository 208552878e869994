#pragma once

#include <QString>

// The text with every CR and LF replaced by a blank, for a value that must
// stay on one line of a file or of a protocol.
QString singleLine(QString text);
