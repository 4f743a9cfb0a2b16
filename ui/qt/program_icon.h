// The program's icon, drawn at run time: a red and a green bar over a
// rising line on a teal tile, 32 x 32 pixels.
#pragma once

#include <QIcon>
#include <QPixmap>

namespace ui::qt {

QPixmap ProgramIconPixmap();
QIcon ProgramIcon();

}  // namespace ui::qt
