#pragma once

#include <QIcon>
#include <QPixmap>

namespace seiran::app {

// The program icon: a square wave over a probe trace, drawn at the size asked for.
QPixmap programIconPixmap(int size);
QIcon programIcon();

} // namespace seiran::app
