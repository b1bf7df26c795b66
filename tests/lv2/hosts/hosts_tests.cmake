# Tarnwhistle in real LV2 hosts run as processes on the X display (included
# from lv2_tests.cmake). The hosts load the bundle into their own,
# uninstrumented process, so the sanitizer stages leave these out.
if(TW_SANITIZE)
  return()
endif()
pkg_check_modules(TW_HOSTS_XTEST REQUIRED IMPORTED_TARGET x11 xtst)
file(GLOB tw_lv2_host_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/*.cpp)
add_executable(tw_lv2_host_tests ${tw_lv2_host_sources} ${CMAKE_CURRENT_LIST_DIR}/../../editor/film_strip_match.cpp)
target_include_directories(tw_lv2_host_tests PRIVATE ${CMAKE_CURRENT_LIST_DIR}/../../editor
  ${CMAKE_CURRENT_LIST_DIR}/../../support ${TW_STB_INCLUDE_DIR})
target_link_libraries(tw_lv2_host_tests PRIVATE tw_editor PkgConfig::TW_HOSTS_XTEST ${TW_STB_LIBRARY}
                      GTest::gtest GTest::gtest_main Threads::Threads)
target_compile_definitions(tw_lv2_host_tests PRIVATE TW_LV2_BUNDLE_DIR="${TW_LV2_BUNDLE_DIR}"
                           TW_SOURCE_DIR_PATH="${PROJECT_SOURCE_DIR}")
add_dependencies(tw_lv2_host_tests tarnwhistle_lv2)
# One at a time with the other X tests: they share the pointer and keyboard.
# A picture of jalv's window is left in the build folder for the README.
gtest_discover_tests(tw_lv2_host_tests DISCOVERY_TIMEOUT 60 PROPERTIES RESOURCE_LOCK x11_display
                     TIMEOUT 120 ENVIRONMENT "TW_JALV_SCREENSHOT_DIR=${CMAKE_CURRENT_BINARY_DIR}")
