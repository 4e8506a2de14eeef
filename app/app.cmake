# HookWs, the tray program: hookwise_tray holds everything but main() (the tests link it), the
# executable adds main() and the program's version block.
set(TRAY_SOURCES
    ${CMAKE_CURRENT_SOURCE_DIR}/TrayApp.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/MainWindow.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/EventHandlerWindow.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/MainCommands.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/AdminCommands.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/DefinitionsWatcher.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/LiveUpdate.cpp
)
add_library(hookwise_tray STATIC ${TRAY_SOURCES})
set_target_properties(hookwise_tray PROPERTIES AUTOMOC ON)
target_link_libraries(hookwise_tray PUBLIC hookwise_ui hookwise_core baitlib_index baitlib platform
    Qt6::Widgets Qt6::Quick Qt6::QuickWidgets Qt6::Qml Threads::Threads)

# The program's version block lives with the version reader in core/.
add_executable(HookWs ${CMAKE_CURRENT_SOURCE_DIR}/main.cpp
    ${PROJECT_SOURCE_DIR}/core/settings/VersionResource.cpp)
target_link_libraries(HookWs PRIVATE hookwise_tray)
install(TARGETS HookWs RUNTIME DESTINATION ${HOOKWISE_INSTALL_DIR})
