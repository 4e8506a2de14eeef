// The message box and the common movie window: start-up variables, the language variables,
// results, the size the movie asks for, and the input filter.
#include "app/alerts/MessageBoxWindow.h"
#include "core/settings/LanguagePack.h"
#include "tests/app/OffscreenQt.h"
#include "WindowTestSupport.h"

#include <QCursor>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTest>

#include <gtest/gtest.h>

using namespace hookwise::app;

using namespace hookwise::core;

namespace {

QString Var(CMovieDialog& window, const char* name) {
    return window.Movie()->GetVariable(QLatin1String(name));
}

TEST(MessageBox, StartUpSetsTheMessageVariablesAndTheLanguage) {
    MessageBoxWindow box(QStringLiteral("Line one\nLine two"), QStringLiteral("Caption"), 3);
    box.Prepare();
    EXPECT_TRUE(box.Movie()->IsMovieLoaded());
    EXPECT_EQ(Var(box, "_root.strMessageText"), QStringLiteral("Line one\nLine two"));
    EXPECT_EQ(Var(box, "_root.strCaption"), QStringLiteral("Caption"));
    EXPECT_EQ(Var(box, "_root.dwFlags"), QStringLiteral("3"));
    EXPECT_EQ(Var(box, "_root.bMessageChanged"), QString());
    EXPECT_EQ(Var(box, "_root.strCurrentLanguage"), QString::fromStdString(CurrentLanguage()));
    // The movie took the language change and shows its texts in that language.
    EXPECT_EQ(MovieRootOf(box)->property("language").toString(),
              QString::fromStdString(CurrentLanguage()));
    EXPECT_TRUE(box.windowFlags().testFlag(Qt::FramelessWindowHint));
}

TEST(MessageBox, TheMovieSpeaksTheLanguageItIsTold) {
    const std::string before = CurrentLanguage();
    SetCurrentLanguage("GERMAN");
    MessageBoxWindow box(QStringLiteral("Text"), QStringLiteral("Caption"), MB_YESNO);
    box.Prepare();
    SetCurrentLanguage(before);
    QVariant yes;
    QMetaObject::invokeMethod(MovieRootOf(box), "tr", Q_RETURN_ARG(QVariant, yes),
                              Q_ARG(QVariant, QStringLiteral("yes")), Q_ARG(QVariant, QVariant()));
    EXPECT_EQ(yes.toString(), QStringLiteral("Ja"));
}

struct ResultRow {
    const char* name;
    const char* command;
    int result;
};

class MessageBoxResult : public ::testing::TestWithParam<ResultRow> {};

TEST_P(MessageBoxResult, EndsWithTheButtonsResult) {
    MessageBoxWindow box(QStringLiteral("Question?"), QStringLiteral("Hookwise"), 3);
    const QString command = QLatin1String(GetParam().command);
    EXPECT_EQ(RunModal(box, [&] { SendFromMovie(box, command); }), GetParam().result);
}

const ResultRow kResults[] = {
    {"Yes", "IDC_FS_YES", 1},          {"Ok", "IDC_FS_OK", 1},
    {"YesOtherCase", "idc_fs_yes", 1}, {"No", "IDC_FS_NO", 2},
    {"Cancel", "IDC_FS_Cancel", 2},    {"CancelUpperCase", "IDC_FS_CANCEL", 2},
};
INSTANTIATE_TEST_SUITE_P(Commands, MessageBoxResult, ::testing::ValuesIn(kResults),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(MessageBox, UnknownCommandsAreIgnoredAndClosingIsCancel) {
    MessageBoxWindow box(QStringLiteral("Text"), QStringLiteral("Hookwise"), 0);
    const int result = RunModal(box, [&] {
        SendFromMovie(box, QStringLiteral("IDC_FS_SOMETHING"));
        SendFromMovie(box, QStringLiteral("IDC_FS_DRAG"));
        EXPECT_TRUE(box.isVisible());
        box.close();
    });
    EXPECT_EQ(result, 2);
}

TEST(MessageBox, TheOwnOkActionIsOne) {
    MessageBoxWindow box(QStringLiteral("Text"), QStringLiteral("Hookwise"), 0);
    EXPECT_EQ(RunModal(box, [&] { box.accept(); }), 1);
}

TEST(MessageBox, WidthThenHeightResizesWindowAndMovie) {
    MessageBoxWindow box(QStringLiteral("Text"), QStringLiteral("Hookwise"), 0);
    box.Prepare();
    box.show();
    Pump();
    const QPoint corner = box.pos();
    SendFromMovie(box, QStringLiteral("IDC_FS_WIDTH"), QStringLiteral("250"));
    SendFromMovie(box, QStringLiteral("IDC_FS_HIGH"), QStringLiteral("120"));
    EXPECT_EQ(box.size(), QSize(250, 120));
    EXPECT_EQ(box.Movie()->geometry(), QRect(0, 0, 250, 120));
    EXPECT_EQ(box.pos(), corner);
}

TEST(MessageBox, UndefinedKeepsTheStoredSize) {
    MessageBoxWindow box(QStringLiteral("Text"), QStringLiteral("Hookwise"), 0);
    box.Prepare();
    SendFromMovie(box, QStringLiteral("IDC_FS_WIDTH"), QStringLiteral("280"));
    SendFromMovie(box, QStringLiteral("IDC_FS_HIGH"), QStringLiteral("130"));
    SendFromMovie(box, QStringLiteral("IDC_FS_WIDTH"), QStringLiteral("UNDEFINED"));
    SendFromMovie(box, QStringLiteral("IDC_FS_HIGH"), QStringLiteral("undefined"));
    EXPECT_EQ(box.size(), QSize(280, 130));
    EXPECT_EQ(box.Movie()->size(), QSize(280, 130));
}

TEST(MessageBox, SizesThatAreNoSizeAreIgnored) {
    MessageBoxWindow box(QStringLiteral("Text"), QStringLiteral("Hookwise"), 0);
    box.Prepare();
    SendFromMovie(box, QStringLiteral("IDC_FS_WIDTH"), QStringLiteral("260"));
    SendFromMovie(box, QStringLiteral("IDC_FS_HIGH"), QStringLiteral("110"));
    for (const char* bad : {"0", "-40", "abc", ""}) {
        SendFromMovie(box, QStringLiteral("IDC_FS_WIDTH"), QLatin1String(bad));
        SendFromMovie(box, QStringLiteral("IDC_FS_HIGH"), QLatin1String(bad));
        EXPECT_EQ(box.size(), QSize(260, 110)) << bad;
    }
    // A size beyond the screen is cut to the screen's work area.
    SendFromMovie(box, QStringLiteral("IDC_FS_WIDTH"), QStringLiteral("99999"));
    SendFromMovie(box, QStringLiteral("IDC_FS_HIGH"), QStringLiteral("99999"));
    EXPECT_LE(box.width(), box.screen()->availableGeometry().width());
    EXPECT_LE(box.height(), box.screen()->availableGeometry().height());
}

TEST(MessageBox, TheRealMovieAsksForRoomForItsText) {
    MessageBoxWindow box(QStringLiteral("A longer message that needs more than one line of text "
                                        "so that the box grows taller than its template."),
                         QStringLiteral("Hookwise"), MB_ICONWARNING);
    box.Prepare();
    const QSize before = box.size();
    // The movie asks for its size once it has loaded.
    EXPECT_TRUE(qttest::PumpUntil([&] {
        return box.size() != before &&
               box.size() == QSize(box.RequestedWidth(), box.RequestedHeight());
    }));
    EXPECT_NE(box.size(), before);
    EXPECT_EQ(box.size(), QSize(box.RequestedWidth(), box.RequestedHeight()));
    EXPECT_GE(box.width(), 300);
}

// The common input filter, reached through a window that exposes it.
class FilterProbe : public MessageBoxWindow {
public:
    FilterProbe() : MessageBoxWindow(QStringLiteral("x"), QStringLiteral("y"), 0) {}
    using MessageBoxWindow::eventFilter;
};

TEST(MovieWindow, FiltersTheRightButtonTheApplicationsKeyAndF1) {
    FilterProbe window;
    window.Prepare();
    QObject* movie = window.Movie();
    QMouseEvent right(QEvent::MouseButtonPress, QPointF(5, 5), QPointF(5, 5), Qt::RightButton,
                      Qt::RightButton, Qt::NoModifier);
    QMouseEvent left(QEvent::MouseButtonPress, QPointF(5, 5), QPointF(5, 5), Qt::LeftButton,
                     Qt::LeftButton, Qt::NoModifier);
    QKeyEvent menuKey(QEvent::KeyPress, Qt::Key_Menu, Qt::NoModifier);
    QKeyEvent f1(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier);
    QKeyEvent letter(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
    EXPECT_TRUE(window.eventFilter(movie, &right));
    EXPECT_TRUE(window.eventFilter(movie, &menuKey));
    EXPECT_TRUE(window.eventFilter(movie, &f1));
    EXPECT_FALSE(window.eventFilter(movie, &left));
    EXPECT_FALSE(window.eventFilter(movie, &letter));
}

TEST(MovieWindow, TheMovieAnswersTheKeyboard) {
    for (const auto& [key, result] : {std::pair{Qt::Key_Return, 1}, std::pair{Qt::Key_Escape, 2}}) {
        MessageBoxWindow box(QStringLiteral("Log out?"), QStringLiteral("Hookwise"),
                             MB_YESNOCANCEL);
        const int answer = RunModal(box, [&box, key = key] {
            box.activateWindow();
            box.Movie()->setFocus();
            QTest::keyClick(box.Movie(), key);
        });
        EXPECT_EQ(answer, result) << key;
    }
}

TEST(MovieWindow, DragMovesTheWindowWithTheMouseUntilReleased) {
    MessageBoxWindow box(QStringLiteral("x"), QStringLiteral("y"), 0);
    box.Prepare();
    box.move(50, 60);
    box.show();
    Pump();
    QCursor::setPos(100, 100);
    SendFromMovie(box, QStringLiteral("IDC_FS_DRAG"));
    const auto mouse = [&](QEvent::Type type, QPoint global) {
        QMouseEvent event(type, QPointF(5, 5), QPointF(global), Qt::LeftButton,
                          type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton,
                          Qt::NoModifier);
        QApplication::sendEvent(box.Movie(), &event);
    };
    mouse(QEvent::MouseMove, QPoint(130, 150));
    EXPECT_EQ(box.pos(), QPoint(80, 110));
    mouse(QEvent::MouseButtonRelease, QPoint(130, 150));
    mouse(QEvent::MouseMove, QPoint(400, 400));
    EXPECT_EQ(box.pos(), QPoint(80, 110));
}

TEST(MovieWindow, DialogUnitsBecomePixelsAsTheTemplatesSay) {
    EXPECT_EQ(DialogUnitsToPixels(200, 130), QSize(300, 211));
    EXPECT_EQ(DialogUnitsToPixels(164, 76), QSize(246, 124));
    MessageBoxWindow box(QStringLiteral("x"), QStringLiteral("y"), 0);
    EXPECT_EQ(box.size(), QSize(246, 124));
}

} // namespace
