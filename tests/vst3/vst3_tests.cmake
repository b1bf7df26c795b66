# Tests of the VST3 build (included from tests/CMakeLists.txt): tw_vst3_tests
# loads the built bundle's module through its exports with a test host of
# our own declarations, renders against hpi-host, and drives the delegate of
# the module's own objects linked in.
find_package(PkgConfig REQUIRED)
pkg_check_modules(TW_VST3_SNDFILE REQUIRED IMPORTED_TARGET sndfile)
tw_add_test_folder(tw_vst3_tests ${CMAKE_CURRENT_LIST_DIR} tw_tarnwhistle_vst3 tw_test_support
                   PkgConfig::TW_VST3_SNDFILE ${CMAKE_DL_LIBS})
target_compile_definitions(tw_vst3_tests PRIVATE
  TW_VST3_MODULE="$<TARGET_FILE:tarnwhistle_vst3>"
  TW_VST3_BUNDLE_DIR="${TW_VST3_BUNDLE_DIR}"
  TW_HPI_HOST="$<TARGET_FILE:hpi-host>"
  TW_HPI_MODULE="$<TARGET_FILE:Tarnwhistle>")
add_dependencies(tw_vst3_tests tarnwhistle_vst3 hpi-host Tarnwhistle)
