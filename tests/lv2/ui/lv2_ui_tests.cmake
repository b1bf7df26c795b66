# Tarnwhistle's LV2 UI in a small test host on the X display (included from
# tests/CMakeLists.txt when the UI module is configured). One at a time with
# the other X tests: they share the server's pointer and keyboard. The GL
# driver stays loaded for the whole run (gl_driver_environment.cpp), so
# LeakSanitizer sees the UI's own allocations only.
pkg_check_modules(TW_LV2UI_XTEST REQUIRED IMPORTED_TARGET x11 xtst)
add_executable(tw_lv2_ui_tests ${CMAKE_CURRENT_LIST_DIR}/lv2_ui_test.cpp
               ${CMAKE_CURRENT_LIST_DIR}/ui_test_host.cpp ${CMAKE_CURRENT_LIST_DIR}/lv2_ui_parts_test.cpp
               ${CMAKE_CURRENT_LIST_DIR}/lv2_ui_host_kinds_test.cpp
               ${PROJECT_SOURCE_DIR}/tests/editor/platform/gl_driver_environment.cpp)
target_link_libraries(tw_lv2_ui_tests PRIVATE tw_tarnwhistle_lv2_ui PkgConfig::TW_LV2UI_XTEST
                      ${CMAKE_DL_LIBS} GTest::gtest GTest::gtest_main Threads::Threads)
target_include_directories(tw_lv2_ui_tests PRIVATE ${PROJECT_SOURCE_DIR}/tests/support)
target_compile_definitions(tw_lv2_ui_tests PRIVATE TW_SOURCE_DIR_PATH="${PROJECT_SOURCE_DIR}"
                           TW_LV2_UI_MODULE="$<TARGET_FILE:tarnwhistle_lv2_ui>")
add_dependencies(tw_lv2_ui_tests tarnwhistle_lv2_ui)
gtest_discover_tests(tw_lv2_ui_tests DISCOVERY_TIMEOUT 60 PROPERTIES RESOURCE_LOCK x11_display)
