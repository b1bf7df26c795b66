# Tests of the CLAP build (included from tests/CMakeLists.txt):
#   tw_clap_tests  the built Tarnwhistle.clap loaded by a test host of our own
#                  (tests/clap/clap_test_host.h) through clap_entry as hosts
#                  do, rendered against hpi-host; and the module's own objects
#                  in process, for what only the editor can do (its gestures).
tw_add_test_folder(tw_clap_tests ${CMAKE_CURRENT_LIST_DIR} tw_tarnwhistle_clap tw_test_support ${CMAKE_DL_LIBS})
target_compile_definitions(tw_clap_tests PRIVATE TW_CLAP_MODULE="$<TARGET_FILE:tarnwhistle_clap>")
add_dependencies(tw_clap_tests tarnwhistle_clap)
# Renders against hpi-host's of the same settings.
find_package(PkgConfig REQUIRED)
pkg_check_modules(TW_CLAP_SNDFILE IMPORTED_TARGET sndfile)
if(TW_CLAP_SNDFILE_FOUND AND TARGET hpi-host AND TARGET Tarnwhistle)
  target_compile_definitions(tw_clap_tests PRIVATE
    TW_HPI_HOST="$<TARGET_FILE:hpi-host>" TW_HPI_MODULE="$<TARGET_FILE:Tarnwhistle>")
  target_link_libraries(tw_clap_tests PRIVATE PkgConfig::TW_CLAP_SNDFILE)
  add_dependencies(tw_clap_tests hpi-host Tarnwhistle)
endif()
