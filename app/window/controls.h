#pragma once
// The window's controls as they are laid out, one row of a table each, and the menus of its
// picture boxes.
#include <QRect>
#include <cstddef>

namespace varno::window {

class formVarno;

// Makes every control, menu item and timer of the window with its name as object name, in
// the tab order, at its place (twips are pixels at 15 each) and with its design settings.
void buildControls(formVarno& form);

// Where Label12(i) and Label13(i) are laid out, in window pixels: each grows from there to
// fit its text.
QRect amplitudeCaptionPlace(std::size_t i);
QRect timeCaptionPlace(std::size_t i);

}  // namespace varno::window
