# Tests of the desktop program. test_app (from the loop above) drives the
# window logic through a fake and runs the whole program; it reuses the
# end-to-end helpers of the generation tests. test_app_windows opens the real
# Qt windows on the offscreen platform.
if(NOT TARGET test_app)
  return()
endif()
# The window tests and the screenshot program have their own main().
get_target_property(app_test_sources test_app SOURCES)
list(FILTER app_test_sources EXCLUDE REGEX "/tests/app/(windows|screenshots)/")
set_property(TARGET test_app PROPERTY SOURCES ${app_test_sources})
target_sources(test_app PRIVATE "${CMAKE_SOURCE_DIR}/tests/generation/EndToEnd.cpp")

file(GLOB window_test_sources CONFIGURE_DEPENDS "${CMAKE_SOURCE_DIR}/tests/app/windows/*.cpp" "${CMAKE_SOURCE_DIR}/tests/app/windows/*.h")
if(window_test_sources)
  find_package(Qt6 REQUIRED COMPONENTS Test)
  add_executable(test_app_windows ${window_test_sources})
  set_target_properties(test_app_windows PROPERTIES AUTOMOC ON)
  target_include_directories(test_app_windows PRIVATE "${CMAKE_SOURCE_DIR}/tests")
  target_link_libraries(test_app_windows PRIVATE tabloom_app Qt6::Test)
  target_compile_definitions(test_app_windows PRIVATE TABLOOM_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
  add_test(NAME app_windows COMMAND test_app_windows)
  set_tests_properties(app_windows PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endif()
