// The program's icon (the picture of data/tarvio.svg, painted here so that it needs no image
// plug-in), set as the application's window icon so that every window carries it.
#pragma once

#include <QIcon>

namespace tarvio {

QIcon programIcon();
// Every window without an icon of its own shows the program's.
void installProgramIcon();

}  // namespace tarvio
