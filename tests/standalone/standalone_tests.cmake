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

# The product on the standalone adapter, linked directly.
add_executable(tw_standalone_module_tests ${CMAKE_CURRENT_LIST_DIR}/module/standalone_adapter_test.cpp)
target_link_libraries(tw_standalone_module_tests PRIVATE tw_tarnwhistle_standalone tw_test_support GTest::gtest
  GTest::gtest_main Threads::Threads)
target_include_directories(tw_standalone_module_tests PRIVATE ${PROJECT_SOURCE_DIR}/host)
gtest_discover_tests(tw_standalone_module_tests DISCOVERY_TIMEOUT 60)

# The program in process under a fake NSM server (liblo) on a private JACK server.
pkg_check_modules(TW_TEST_LIBLO REQUIRED IMPORTED_TARGET liblo)
add_executable(tw_standalone_session_tests ${CMAKE_CURRENT_LIST_DIR}/module/nsm_session_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../lv2/hosts/host_process.cpp)
target_link_libraries(tw_standalone_session_tests PRIVATE tw_tarnwhistle_standalone PkgConfig::TW_TEST_JACK
  PkgConfig::TW_TEST_LIBLO GTest::gtest GTest::gtest_main Threads::Threads)
gtest_discover_tests(tw_standalone_session_tests DISCOVERY_TIMEOUT 60 PROPERTIES RESOURCE_LOCK jack_server)

# The control-to-audio path with each side on its own thread (ThreadSanitizer stage).
add_executable(tw_standalone_thread_tests ${CMAKE_CURRENT_LIST_DIR}/threads/standalone_queue_threads_test.cpp)
target_link_libraries(tw_standalone_thread_tests PRIVATE tw_tarnwhistle_standalone GTest::gtest GTest::gtest_main
  Threads::Threads)
gtest_discover_tests(tw_standalone_thread_tests DISCOVERY_TIMEOUT 60)
