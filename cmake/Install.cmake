# Data shipped with the program, install rules and the Debian package.
#
# The build tree mirrors the installed layout: <build>/share holds the help
# pages and the icons, as <prefix>/share does next to <prefix>/bin, so the
# program finds them the same way in both places.

add_custom_target(tabloom_share ALL
  COMMAND ${CMAKE_COMMAND} -E copy_directory "${CMAKE_SOURCE_DIR}/docs/help" "${CMAKE_BINARY_DIR}/share/tabloom/help"
  COMMAND ${CMAKE_COMMAND} -E copy_directory "${CMAKE_SOURCE_DIR}/data/icons" "${CMAKE_BINARY_DIR}/share/icons"
  COMMENT "Copying the help pages and icons into the build tree")
# The README's example builds only tabloom; the window's help (F1) and its
# association helper must come with it for the build tree to be complete.
if(TARGET tabloom)
  add_dependencies(tabloom tabloom_share)
  if(TARGET velmora)
    add_dependencies(tabloom velmora)
  endif()
endif()

include(GNUInstallDirs)
foreach(program tabloom velmora)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()
if(TARGET tabloom_desktop)
  # Where TDesktopLoader.cpp looks for it, next to bin/.
  install(TARGETS tabloom_desktop LIBRARY DESTINATION lib/tabloom)
endif()
install(DIRECTORY "${CMAKE_SOURCE_DIR}/docs/help/" DESTINATION ${CMAKE_INSTALL_DATADIR}/tabloom/help)
install(DIRECTORY "${CMAKE_SOURCE_DIR}/data/icons/hicolor" DESTINATION ${CMAKE_INSTALL_DATADIR}/icons)
install(FILES "${CMAKE_SOURCE_DIR}/data/tabloom.desktop" DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES "${CMAKE_SOURCE_DIR}/data/tabloom.xml" DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages)

set(CPACK_PACKAGE_NAME tabloom)
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_VENDOR "Orvanta")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "merges spreadsheet data into HTML templates")
set(CPACK_PACKAGE_DESCRIPTION
  "tabloom writes HTML pages from a template and a workbook (.xlsx, .ods, .csv;\n .xls through LibreOffice): one page per record, or pages that list many records.")
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "tabloom developers <tabloom@localhost>")
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
# Dependencies come from the shared libraries the two binaries link.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
  "libreoffice-calc-nogui, qt6-translations-l10n, fonts-noto-cjk, xdg-utils, shared-mime-info, desktop-file-utils")
set(CPACK_STRIP_FILES ON)
include(CPack)

# The dialog tests are a Qt Test program of their own (below); test_app,
# which gathers all of tests/app, leaves them out.
if(TARGET test_app)
  get_target_property(app_test_sources test_app SOURCES)
  list(FILTER app_test_sources EXCLUDE REGEX "/tests/app/dialogs/")
  set_property(TARGET test_app PROPERTY SOURCES ${app_test_sources})
endif()

# The settings dialog's tests run the real velmora and read the staged data.
if(TARGET test_app AND TARGET velmora)
  add_dependencies(test_app velmora tabloom_share)
endif()

# The settings dialog and the about box as real windows (offscreen).
file(GLOB dialog_test_sources CONFIGURE_DEPENDS "${CMAKE_SOURCE_DIR}/tests/app/dialogs/*.cpp"
     "${CMAKE_SOURCE_DIR}/tests/app/dialogs/*.h")
if(TABLOOM_TESTS AND dialog_test_sources AND TARGET tabloom_app)
  find_package(Qt6 REQUIRED COMPONENTS Test)
  add_executable(test_app_dialogs ${dialog_test_sources})
  set_target_properties(test_app_dialogs PROPERTIES AUTOMOC ON)
  target_link_libraries(test_app_dialogs PRIVATE tabloom_app Qt6::Test)
  add_dependencies(test_app_dialogs velmora tabloom_share)
  add_test(NAME app_dialogs COMMAND test_app_dialogs)
  set_tests_properties(app_dialogs PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endif()

# The install rules and the package, checked as a user would get them. The
# package is built in the plain build only (the sanitizer build links libasan).
if(TABLOOM_TESTS AND TARGET tabloom AND TARGET velmora)
  set(install_mode "")
  if(NOT TABLOOM_SANITIZE)
    set(install_mode deb)
  endif()
  add_test(NAME install_layout
    COMMAND bash "${CMAKE_SOURCE_DIR}/tests/install/check-install.sh" "${CMAKE_BINARY_DIR}" "${PROJECT_VERSION}" ${install_mode})
  set_tests_properties(install_layout PROPERTIES TIMEOUT 600)
endif()
