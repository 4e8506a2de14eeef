// Where the windows find their movies, and the language name they hand to them.
#pragma once

#include <QString>

namespace hookwise::app {

// The movie file of a window: the movie folder + "/" + the encoded base name + extension
// ("HkMsgBx", ".pbf" -> ".../71/16899/72757783668866.pbf"). When a source folder was set, the
// plain QML source "<folder>/<baseName>.qml" instead (screenshots of the movies being written).
QString MoviePath(const QString& baseName, const QString& extension);

// Reads movies from their QML sources in folder from now on; an empty folder goes back to the
// movie folder.
void SetMovieSourceFolder(const QString& folder);

// The current language name, as every window passes it in "_root.strCurrentLanguage".
QString CurrentLanguageName();

} // namespace hookwise::app
