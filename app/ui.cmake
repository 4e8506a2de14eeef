# hookwise_ui: the program's windows, their movie host and the tray icon (Qt Widgets + Qt Quick),
# on top of the Qt-free hookwise_core. hkwshots renders every window into docs/screenshots/.
include(${PROJECT_SOURCE_DIR}/movies/Movies.cmake)

set(UI_SOURCES
    ${CMAKE_CURRENT_SOURCE_DIR}/desktop/ShockwaveFlash.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/desktop/MovieDialog.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/desktop/MovieFiles.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/desktop/Splash.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/desktop/SystemTray.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/alerts/MessageBoxWindow.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/alerts/AlertPopup.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/alerts/AlertDisplaySettingsWindow.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/lists/ProtectionOptionsWindow.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/logging/LogSettingsDialog.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/settings/PasswordDialog.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/settings/RequireAdministrator.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/settings/AboutWindow.cpp
)
add_library(hookwise_ui STATIC ${UI_SOURCES})
set_target_properties(hookwise_ui PROPERTIES AUTOMOC ON)
target_link_libraries(hookwise_ui PUBLIC hookwise_layer_app hookwise_core Qt6::Widgets Qt6::Quick
    Qt6::QuickWidgets Qt6::Qml)

# hkwshots is no part of the program folder: a build without tests (scripts/run.sh) makes it only
# when asked for (--target hkwshots); a build with tests keeps compiling it with everything else.
if(BUILD_TESTING)
    set(shots_all "")
else()
    set(shots_all EXCLUDE_FROM_ALL)
endif()
add_executable(hkwshots ${shots_all} ${PROJECT_SOURCE_DIR}/app/screenshots/Screenshots.cpp)
target_link_libraries(hkwshots PRIVATE hookwise_ui)
hookwise_stage_movies(hkwshots ${CMAKE_CURRENT_BINARY_DIR})
