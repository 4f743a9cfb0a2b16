// The widget of each kind of component, bound both ways: model changes
// update the widget with its signals blocked (no feedback), and what the
// user does reaches the component's User* methods, which raise its events.
#pragma once

#include <QWidget>

#include "ui/component.h"
#include "ui/platform.h"

namespace ui::qt {

// Creates the bound widget of a label, edit box, radio button, checkbox,
// group box, frame box, date box, super button, hyperlink box or progress
// bar under parent, at its place, with objectName = its layout name. Other
// kinds give nullptr.
QWidget* CreateComponentWidget(ui::Component& component, QWidget* parent, ui::Platform& platform);

// Brings one property (or, with ApplyAll, every property) of the widget in
// line with its component. Used by the bindings; public for the window.
void ApplyProperty(ui::Component& component, QWidget* widget, ui::Property property);
void ApplyAll(ui::Component& component, QWidget* widget);

// Calls ApplyProperty for every change of the component. Changes come on
// the user-interface thread only (the component checks that it is written
// there), so the widget follows at once.
void FollowComponent(ui::Component& component, QWidget* widget);

// The key code the program's key events carry: Enter and Return are 13,
// letters, digits and a few control keys their usual codes, others 0.
int KeyCode(int qt_key);

}  // namespace ui::qt
