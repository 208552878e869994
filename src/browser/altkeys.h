#pragma once

class QKeyEvent;

// Whether the key was pressed with Alt, without Ctrl, and would type text:
// a menu letter that no menu took (Alt+J, say). The window's text fields
// ignore such keys instead of typing the letter. Ctrl with Alt stands for
// AltGr on some keyboards and types as usual.
bool typesWithAlt(const QKeyEvent *event);
