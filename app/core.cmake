# hookwise_appcore: the tray program's Qt-free layer. Sources are listed by folder.
set(APPCORE_SOURCES
    ${CMAKE_CURRENT_SOURCE_DIR}/BlowfishCipher.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/BlowfishTables.cpp
)
# Data layer: file names, settings, language packs, version blocks, lists, alert log.
list(APPEND APPCORE_SOURCES
    ${CMAKE_CURRENT_SOURCE_DIR}/TextUtil.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/TextFold.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/FileNames.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/RegistryValues.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/settings/StringTable.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/settings/PackFormat.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/settings/MenuModel.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/settings/LanguagePack.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/settings/ElfSection.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/settings/VersionInfo.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/settings/GeneralSettings.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/settings/ProductKey.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/settings/RunAtStartup.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/settings/RegistryPath.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/settings/RegistryExporter.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/settings/RegistryImporter.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/settings/PasswordRules.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/lists/ListNames.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/lists/ListStorage.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/lists/MailSafeList.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/lists/WebSiteBlockingList.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/logging/SystemTime.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/logging/AlertLogStore.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/logging/LogArchiver.cpp
)
# The program's version block; app/ui.cmake compiles it into HookWs itself.
set(HOOKWS_VERSION_RESOURCE ${CMAKE_CURRENT_SOURCE_DIR}/settings/VersionResource.cpp)
add_library(hookwise_appcore STATIC ${APPCORE_SOURCES})
target_include_directories(hookwise_appcore PUBLIC ${PROJECT_SOURCE_DIR})
# ICU folds the case of the lists' and the log's texts in every script.
find_package(ICU REQUIRED COMPONENTS uc)
target_link_libraries(hookwise_appcore PUBLIC platform PRIVATE ICU::uc)
