// Movie file paths from the movie folder or a source folder, and the current language as text.
#include "app/desktop/MovieFiles.h"

#include "core/FileNames.h"
#include "core/settings/LanguagePack.h"

namespace hookwise::app {

using namespace hookwise::core;

namespace {

QString& SourceFolder() {
    static QString folder;
    return folder;
}

} // namespace

QString MoviePath(const QString& baseName, const QString& extension) {
    if (!SourceFolder().isEmpty())
        return SourceFolder() + QLatin1Char('/') + baseName + QStringLiteral(".qml");
    return QString::fromStdString(GetMoviePath(baseName.toStdString(), extension.toStdString()));
}

void SetMovieSourceFolder(const QString& folder) {
    SourceFolder() = folder;
}

QString CurrentLanguageName() {
    return QString::fromStdString(CurrentLanguage());
}

} // namespace hookwise::app
