#pragma once

#include <QJsonObject>
#include <QString>

class HidingMatcher;
struct PageHiding;

// The scripts that hide elements in every frame, run at the frame's
// creation in a world of their own, out of the page's reach:
//
// - the table script, the same for every page: the keyed generic selectors
//   as one sorted text, and the code that watches the document as it is
//   built, looks up each new class and id there and adds the selectors it
//   finds to the frame's style sheet;
// - the page script, one per page: the style sheet each host of the page
//   gets (its own rules, the other generic ones) and whether it takes
//   generic rules at all.
//
// Whichever of the two runs second starts the work, so their order does
// not matter. Frames of local files and of data: URLs run neither.
namespace HidingScript {

QString tableScript(const HidingMatcher &matcher);

// One host's entry for pageScript().
QJsonObject hostEntry(const PageHiding &hiding);

// hosts: host name -> hostEntry(). A frame whose host is not there hides
// nothing.
QString pageScript(const QJsonObject &hosts);

} // namespace HidingScript
