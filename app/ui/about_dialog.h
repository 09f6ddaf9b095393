// Help > About: the program's name and version, its licence, and the soundfont and font it
// uses with theirs.
#pragma once

#include <QString>

class QWidget;

namespace tarvio {

// The box's text (rich text), for the soundfont file the synthesizer loads (empty: none found)
// and the face of the shared fonts.
QString aboutText(const QString& soundfontPath, const QString& fontFamily);
// Shows the box, modal to parent.
void showAbout(QWidget* parent);

}  // namespace tarvio
