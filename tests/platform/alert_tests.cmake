# Alert presenters: the terminal and log fallbacks, and the windowed alert.
qv_add_test(qv_alert_tests platform/AlertTerminalTest.cpp support/main.cpp)
if(TARGET qvalertwindow)
  target_compile_definitions(qv_alert_tests PRIVATE QV_TEST_ALERT_PLUGIN="$<TARGET_FILE:qvalertwindow>")
  add_dependencies(qv_alert_tests qvalertwindow)
endif()

if(TARGET qvui)
  find_package(Qt6 REQUIRED COMPONENTS Test)
  add_executable(qv_alert_window_tests platform/AlertWindowTest.cpp support/main.cpp)
  target_link_libraries(qv_alert_window_tests PRIVATE qv_test_support qvui Qt6::Test GTest::gtest)
  target_compile_definitions(qv_alert_window_tests PRIVATE QV_TEST_ALERT_PLUGIN="$<TARGET_FILE:qvalertwindow>")
  add_dependencies(qv_alert_window_tests qvalertwindow)
  qv_strict_warnings(qv_alert_window_tests)
  gtest_discover_tests(qv_alert_window_tests DISCOVERY_MODE PRE_TEST
                       PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endif()
