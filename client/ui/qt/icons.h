// The program's own pictures, drawn in code so that no image file has to ship: the program icon
// (a tile with a "T" cut from a sheet of type) and the open-file button's 16 x 16 folder.
#pragma once

#include <QIcon>
#include <QPixmap>

namespace tessaro {

QIcon ProgramIcon();
QPixmap ProgramIconPixmap(int size);
QPixmap OpenFileBitmap();

}  // namespace tessaro
