#pragma once

#include <QFont>

// The program's two faces: a proportional Japanese Gothic for windows, a fixed-pitch one for the
// keyword list. Sizes are pixels; fontconfig substitutes when the face is missing.
namespace ProgramFonts {

QFont proportional(int pixelSize);
QFont fixed(int pixelSize);

} // namespace ProgramFonts
