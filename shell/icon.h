#pragma once

#include <QIcon>

// The program's icon, the same drawing the desktop entry shows, in every size it is made in.
QIcon TunemarkIcon();

// The small images of the main window's buttons.
enum class TButtonImage { Scan, Save, Close, About, Help };
QIcon ButtonIcon(TButtonImage image);
