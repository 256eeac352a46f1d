# Data shipped with the program and the install rules (debian/ builds the
# package from these with debhelper).
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
# The desktop entry, the AppStream component and the icon share this id.
set(TABLOOM_APP_ID io.github.tabloom.tabloom)
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
install(FILES "${CMAKE_SOURCE_DIR}/data/${TABLOOM_APP_ID}.desktop" DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES "${CMAKE_SOURCE_DIR}/data/${TABLOOM_APP_ID}.metainfo.xml" DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES "${CMAKE_SOURCE_DIR}/data/tabloom.xml" DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages)
install(FILES "${CMAKE_SOURCE_DIR}/data/completion/tabloom" DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)
foreach(page tabloom velmora)
  install(FILES "${CMAKE_SOURCE_DIR}/data/man/${page}.1" DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES "${CMAKE_SOURCE_DIR}/data/man/ja/${page}.1" DESTINATION ${CMAKE_INSTALL_MANDIR}/ja/man1)
endforeach()
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

# The install rules, the manual pages and the completion, checked as a user
# would get them; lintian on the package when scripts/package.sh built one.
# A script exits 77 (skipped) when a tool it needs is missing.
if(TABLOOM_TESTS AND TARGET tabloom AND TARGET velmora)
  set(install_tests
    "install_layout|check-layout.sh|${CMAKE_BINARY_DIR}|${PROJECT_VERSION}"
    "install_window_run|check-window-run.sh|${CMAKE_BINARY_DIR}"
    "install_man_pages|check-man-pages.sh|${CMAKE_BINARY_DIR}"
    "install_completion|check-completion.sh|${CMAKE_BINARY_DIR}"
    "package_lintian|check-package.sh|${PROJECT_VERSION}")
  foreach(entry IN LISTS install_tests)
    string(REPLACE "|" ";" entry "${entry}")
    list(POP_FRONT entry name script)
    add_test(NAME ${name} COMMAND bash "${CMAKE_SOURCE_DIR}/tests/install/${script}" ${entry})
    set_tests_properties(${name} PROPERTIES TIMEOUT 300 SKIP_RETURN_CODE 77)
  endforeach()
endif()
