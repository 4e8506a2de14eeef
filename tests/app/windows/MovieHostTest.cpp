// The movie host: loading movies of any extension, failures that leave an empty control, the
// root-object calls in both typed and untyped forms, the command signal and the scale modes.
#include "app/desktop/ShockwaveFlash.h"
#include "core/FileNames.h"
#include "WindowTestSupport.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace hookwise::app;

using namespace hookwise::core;

namespace {

class MovieHost : public ::testing::Test {
protected:
    QString Write(const QString& name, const QByteArray& text) {
        const QString path = folder_.path() + QLatin1Char('/') + name;
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
        return path;
    }
    QTemporaryDir folder_;
};

// A movie with untyped functions (QVariant arguments) and a typed signal.
const QByteArray kPlainMovie = R"(
import QtQuick
Item {
    id: root
    width: 120; height: 80
    property var vars: ({})
    property string label: ""
    signal fsCommand(string command, string args)
    function setVariable(name, value) { var v = Object.assign({}, vars); v[name] = value; vars = v }
    function getVariable(name) { return name in vars ? vars[name] : "" }
    function gotoLabel(target, name) { label = target + ":" + name }
}
)";

// The same contract with typed functions and an untyped signal.
const QByteArray kTypedMovie = R"(
import QtQuick
Item {
    property string kept: ""
    signal fsCommand(var command, var args)
    function setVariable(name: string, value: string) { kept = name + "=" + value }
    function getVariable(name: string) : string { return kept }
    function gotoLabel(target: string, name: string) { kept = target + "/" + name }
    function fire() { fsCommand("IDC_FS_X", undefined) }
}
)";

TEST_F(MovieHost, LoadsAMovieWhateverItsExtensionAndRoundTripsVariables) {
    CShockwaveFlash flash;
    ASSERT_TRUE(flash.SetMovie(Write(QStringLiteral("movie.pbf"), kPlainMovie)));
    EXPECT_TRUE(flash.IsMovieLoaded());
    flash.SetVariable(QStringLiteral("_root.strName"), QStringLiteral("value 1"));
    EXPECT_EQ(flash.GetVariable(QStringLiteral("_root.strName")), QStringLiteral("value 1"));
    EXPECT_EQ(flash.GetVariable(QStringLiteral("_root.unknown")), QString());
    flash.TGotoLabel(QStringLiteral("_root"), QStringLiteral("page2"));
    EXPECT_EQ(flash.MovieRoot()->property("label").toString(), QStringLiteral("_root:page2"));
}

TEST_F(MovieHost, TypedFunctionsAndUntypedSignalsWorkToo) {
    CShockwaveFlash flash;
    ASSERT_TRUE(flash.SetMovie(Write(QStringLiteral("typed.phs"), kTypedMovie)));
    flash.SetVariable(QStringLiteral("_root.a"), QStringLiteral("b"));
    EXPECT_EQ(flash.GetVariable(QStringLiteral("_root.a")), QStringLiteral("_root.a=b"));
    QSignalSpy commands(&flash, &CShockwaveFlash::FSCommand);
    QMetaObject::invokeMethod(flash.MovieRoot(), "fire");
    ASSERT_EQ(commands.count(), 1);
    EXPECT_EQ(commands[0][0].toString(), QStringLiteral("IDC_FS_X"));
    EXPECT_EQ(commands[0][1].toString(), QStringLiteral("undefined"));
}

TEST_F(MovieHost, ForwardsTheMoviesCommands) {
    CShockwaveFlash flash;
    ASSERT_TRUE(flash.SetMovie(Write(QStringLiteral("movie.pbf"), kPlainMovie)));
    QSignalSpy commands(&flash, &CShockwaveFlash::FSCommand);
    QMetaObject::invokeMethod(flash.MovieRoot(), "fsCommand", Q_ARG(QString, "IDC_FS_OK"),
                              Q_ARG(QString, "12"));
    ASSERT_EQ(commands.count(), 1);
    EXPECT_EQ(commands[0][0].toString(), QStringLiteral("IDC_FS_OK"));
    EXPECT_EQ(commands[0][1].toString(), QStringLiteral("12"));
}

struct BadMovie {
    const char* name;
    const char* fileName; // empty: the file is not written
    QByteArray text;
    const char* reason; // part of the message on standard error
};

class MovieHostFailure : public MovieHost, public ::testing::WithParamInterface<BadMovie> {};

TEST_P(MovieHostFailure, GivesAMessageAndAnEmptyControl) {
    const BadMovie& row = GetParam();
    const QString path = QByteArray(row.fileName).isEmpty()
                             ? folder_.path() + QStringLiteral("/missing.pbf")
                             : Write(QLatin1String(row.fileName), row.text);
    CShockwaveFlash flash;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(flash.SetMovie(path));
    const std::string message = testing::internal::GetCapturedStderr();
    EXPECT_NE(message.find(path.toStdString()), std::string::npos) << message;
    EXPECT_NE(message.find(row.reason), std::string::npos) << message;
    EXPECT_FALSE(flash.IsMovieLoaded());
    // An empty control takes every call and answers nothing.
    flash.SetVariable(QStringLiteral("_root.x"), QStringLiteral("1"));
    flash.TGotoLabel(QStringLiteral("_root"), QStringLiteral("x"));
    EXPECT_EQ(flash.GetVariable(QStringLiteral("_root.x")), QString());
}

const BadMovie kBadMovies[] = {
    {"MissingFile", "", "", "cannot play the movie"},
    {"SyntaxError", "broken.pbf", "import QtQuick\nItem { width: }", "cannot play the movie"},
    {"UnknownType", "unknown.pbf", "import QtQuick\nNoSuchThing {}", "NoSuchThing"},
    {"RootIsNotVisual", "object.pbf", "import QtQuick\nQtObject {}", "not a visual item"},
    {"EmptyFile", "empty.pbf", "", "cannot play the movie"},
};

INSTANTIATE_TEST_SUITE_P(Movies, MovieHostFailure, ::testing::ValuesIn(kBadMovies),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(MovieHost, ALoadFailureAfterAGoodMovieLeavesNothingBehind) {
    CShockwaveFlash flash;
    ASSERT_TRUE(flash.SetMovie(Write(QStringLiteral("movie.pbf"), kPlainMovie)));
    testing::internal::CaptureStderr();
    EXPECT_FALSE(flash.SetMovie(folder_.path() + QStringLiteral("/gone.pbf")));
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(flash.MovieRoot(), nullptr);
}

TEST_F(MovieHost, NoScaleGivesTheMovieTheControlsSize) {
    CShockwaveFlash flash;
    flash.resize(300, 200);
    flash.show();
    ASSERT_TRUE(flash.SetMovie(Write(QStringLiteral("movie.pbf"), kPlainMovie)));
    flash.SetScale(QStringLiteral("NoScale"));
    EXPECT_EQ(flash.MovieRoot()->size(), QSizeF(300, 200));
    EXPECT_EQ(flash.MovieRoot()->scale(), 1.0);
    flash.resize(320, 260);
    EXPECT_EQ(flash.MovieRoot()->size(), QSizeF(320, 260));
}

TEST_F(MovieHost, ShowAllScalesTheMovieToFitAndAligns) {
    CShockwaveFlash flash;
    flash.resize(360, 160);
    ASSERT_TRUE(flash.SetMovie(Write(QStringLiteral("movie.pbf"), kPlainMovie)));
    flash.SetScale(QStringLiteral("showall"));
    QQuickItem* movie = flash.MovieRoot();
    EXPECT_EQ(movie->size(), QSizeF(120, 80));
    EXPECT_DOUBLE_EQ(movie->scale(), 2.0);
    EXPECT_DOUBLE_EQ(movie->x(), 60.0); // centred: (360 - 240) / 2
    flash.SetAlignMode(1 | 4);          // left and top
    EXPECT_DOUBLE_EQ(movie->x(), 0.0);
    EXPECT_DOUBLE_EQ(movie->y(), 0.0);
    flash.SetAlignMode(2); // right
    EXPECT_DOUBLE_EQ(movie->x(), 120.0);
}

// Every window's movie is where the window looks for it: the movie folder under its encoded name.
TEST(MovieFiles, EveryMovieIsStagedUnderItsEncodedName) {
    const std::pair<const char*, const char*> kMovies[] = {
        {"HkMsgBx", ".pbf"},  {"HkAlerts", ".pbf"}, {"HkLogCstm", ".pbf"}, {"HkAdvSet", ".pbf"},
        {"HkLogAdv", ".pbf"}, {"HkPass", ".pbf"},   {"AB", ".phs"},        {"HkSplsh", ".pbs"},
    };
    for (const auto& [base, extension] : kMovies) {
        const QString path = QString::fromStdString(GetMoviePath(base, extension));
        EXPECT_TRUE(QFile::exists(path)) << base << " at " << path.toStdString();
        CShockwaveFlash flash;
        EXPECT_TRUE(flash.SetMovie(path)) << base;
    }
    EXPECT_NE(GetMoviePath("AB", ".phs").find("/71/16899/6566.phs"), std::string::npos);
}

} // namespace
