# hookwise_appcore: the tray program's Qt-free layer. Sources are listed by folder.
set(APPCORE_SOURCES
    ${CMAKE_CURRENT_SOURCE_DIR}/BlowfishCipher.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/BlowfishTables.cpp
)
add_library(hookwise_appcore STATIC ${APPCORE_SOURCES})
target_include_directories(hookwise_appcore PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(hookwise_appcore PUBLIC platform)
