# tarnwhistle-jack: the program as a process on a JACK server the tests start
# themselves (jackd -d dummy under a private name), and its adapter, session
# manager client and program in process. The *Threads suite is the
# ThreadSanitizer stage's.
pkg_check_modules(TW_TEST_SNDFILE REQUIRED IMPORTED_TARGET sndfile)
pkg_check_modules(TW_TEST_JACK REQUIRED IMPORTED_TARGET jack)

add_executable(tw_standalone_tests
  ${CMAKE_CURRENT_LIST_DIR}/standalone_jack_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../lv2/hosts/host_process.cpp)
target_link_libraries(tw_standalone_tests PRIVATE PkgConfig::TW_TEST_JACK PkgConfig::TW_TEST_SNDFILE GTest::gtest
  GTest::gtest_main Threads::Threads)
target_compile_definitions(tw_standalone_tests PRIVATE
  TW_TARNWHISTLE_JACK="$<TARGET_FILE:tarnwhistle-jack>"
  TW_HPI_HOST="$<TARGET_FILE:hpi-host>"
  TW_TARNWHISTLE_MODULE="$<TARGET_FILE:Tarnwhistle>")
add_dependencies(tw_standalone_tests tarnwhistle-jack hpi-host Tarnwhistle)
# One at a time: each starts a JACK server and clients of its own.
gtest_discover_tests(tw_standalone_tests DISCOVERY_TIMEOUT 60 PROPERTIES RESOURCE_LOCK jack_server)
