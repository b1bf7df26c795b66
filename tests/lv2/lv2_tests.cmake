# Tests of the LV2 build (included from tests/CMakeLists.txt when the LV2
# module is configured):
#   tw_lv2_tests    the adapter through the module's own objects in process,
#                   and the built bundle through lilv (Turtle, sessions,
#                   factory presets against hpi-host renders)
#   lv2_*           the bundle in outside LV2 tools: lv2_validate, lv2apply and
#                   lv2file against hpi-host renders, lv2bench
find_package(PkgConfig REQUIRED)
pkg_check_modules(TW_LILV IMPORTED_TARGET lilv-0)
pkg_check_modules(TW_LV2_SNDFILE IMPORTED_TARGET sndfile)
if(NOT TW_LILV_FOUND)
  message(STATUS "lilv not found (liblilv-dev): the LV2 tests are not built")
  return()
endif()

tw_add_test_folder(tw_lv2_tests ${CMAKE_CURRENT_LIST_DIR} tw_tarnwhistle_lv2 tw_test_support PkgConfig::TW_LILV)
target_compile_definitions(tw_lv2_tests PRIVATE
  TW_LV2_BUNDLE_DIR="${TW_LV2_BUNDLE_DIR}"
  TW_LV2_TEST_DATA_DIR="${CMAKE_CURRENT_LIST_DIR}/data")
add_dependencies(tw_lv2_tests tarnwhistle_lv2)
# The factory presets against hpi-host's renders of the same settings.
if(TW_LV2_SNDFILE_FOUND AND TARGET hpi-host AND TARGET Tarnwhistle)
  target_compile_definitions(tw_lv2_tests PRIVATE
    TW_HPI_HOST="$<TARGET_FILE:hpi-host>" TW_HPI_MODULE="$<TARGET_FILE:Tarnwhistle>")
  target_link_libraries(tw_lv2_tests PRIVATE PkgConfig::TW_LV2_SNDFILE)
  add_dependencies(tw_lv2_tests hpi-host Tarnwhistle)
endif()

# The bundle in real hosts on the X display (jalv.gtk3 on JACK's dummy back end).
include(${CMAKE_CURRENT_LIST_DIR}/hosts/hosts_tests.cmake)

# Outside tools load the module into their own, uninstrumented process.
if(TW_SANITIZE OR NOT TW_LV2_SNDFILE_FOUND OR NOT TARGET hpi-host OR NOT TARGET Tarnwhistle)
  return()
endif()
add_executable(tw-audio-check ${CMAKE_CURRENT_LIST_DIR}/tools/audio_check.cpp)
target_link_libraries(tw-audio-check PRIVATE PkgConfig::TW_LV2_SNDFILE m)

set(tw_lv2_script ${CMAKE_CURRENT_LIST_DIR}/scripts/outside_hosts.sh)
set(tw_lv2_dir ${CMAKE_BINARY_DIR}/lv2)
add_test(NAME lv2_validate_accepts_the_bundle COMMAND bash ${tw_lv2_script} validate ${TW_LV2_BUNDLE_DIR})
foreach(tool lv2apply lv2file)
  add_test(NAME lv2_${tool}_renders_like_hpi_host
           COMMAND bash ${tw_lv2_script} ${tool} ${tw_lv2_dir} $<TARGET_FILE:hpi-host> $<TARGET_FILE:Tarnwhistle>
                   $<TARGET_FILE:tw-audio-check> ${CMAKE_CURRENT_BINARY_DIR}/lv2_${tool})
endforeach()
add_test(NAME lv2_lv2bench_runs_both_plugins COMMAND bash ${tw_lv2_script} lv2bench ${tw_lv2_dir})
set_tests_properties(lv2_validate_accepts_the_bundle lv2_lv2apply_renders_like_hpi_host
                     lv2_lv2file_renders_like_hpi_host lv2_lv2bench_runs_both_plugins
                     PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 300)
