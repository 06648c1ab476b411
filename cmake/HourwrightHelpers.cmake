# Each source folder is one static library built from every .cpp/.h in it,
# so adding a unit needs no CMake edit.
function(hw_add_layer target)
  cmake_parse_arguments(ARG "" "" "DEPENDS;EXTRA" ${ARGN})
  file(GLOB _sources CONFIGURE_DEPENDS
       ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h
       ${CMAKE_CURRENT_SOURCE_DIR}/*.ui ${CMAKE_CURRENT_SOURCE_DIR}/*.qrc)
  add_library(${target} STATIC ${_sources} ${ARG_EXTRA})
  target_include_directories(${target} PUBLIC ${HW_SOURCE_ROOT})
  target_link_libraries(${target} PUBLIC ${ARG_DEPENDS})
endfunction()

# Writes the program's version strings into a named ELF section of the target.
include(${CMAKE_CURRENT_LIST_DIR}/VersionSection.cmake)

# One QtTest executable per tests/<layer>/tst_*.cpp, run headless with a fixed locale,
# away from the desktop of the person running it: no display, no Wayland
# compositor, no message bus (tests start private ones where they need them).
# SERVER_ONLY: the tests are about a server and run only on the PostgreSQL
# test server, as "<layer>/<test>@postgres" (see hw_add_server_tests).
function(hw_add_tests layer)
  cmake_parse_arguments(ARG "SERVER_ONLY" "" "LIBS" ${ARGN})
  file(GLOB _tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${layer}/tst_*.cpp)
  foreach(_src ${_tests})
    get_filename_component(_name ${_src} NAME_WE)
    add_executable(${_name} ${_src})
    target_link_libraries(${_name} PRIVATE ${ARG_LIBS} hw_testsupport Qt6::Test)
    # Per-user folders of the test's own, so that no test reads the options
    # of the person running it or meets their running program.
    set(_home ${CMAKE_BINARY_DIR}/tests/home/${_name})
    file(MAKE_DIRECTORY ${_home}/config ${_home}/data ${_home}/runtime)
    set(_env "QT_QPA_PLATFORM=offscreen;LC_ALL=C.UTF-8;LANG=C.UTF-8;HW_TEST_BINARY_DIR=${CMAKE_BINARY_DIR};XDG_CONFIG_HOME=${_home}/config;XDG_DATA_HOME=${_home}/data;XDG_RUNTIME_DIR=${_home}/runtime;DBUS_SESSION_BUS_ADDRESS=unix:path=${_home}/runtime/no-bus;DBUS_SYSTEM_BUS_ADDRESS=unix:path=${_home}/runtime/no-bus;WAYLAND_DISPLAY=;DISPLAY=")
    if(ARG_SERVER_ONLY)
      _hw_add_server_test(${layer} ${_name} "${_env}")
      continue()
    endif()
    add_test(NAME ${layer}/${_name} COMMAND ${_name})
    set_tests_properties(${layer}/${_name} PROPERTIES ENVIRONMENT "${_env}" TIMEOUT 300)
  endforeach()
endfunction()

function(_hw_add_server_test layer name env)
  add_test(NAME ${layer}/${name}@postgres
           COMMAND ${HW_SOURCE_ROOT}/tests/support/on-test-server.sh $<TARGET_FILE:${name}>)
  set_tests_properties(${layer}/${name}@postgres PROPERTIES
    ENVIRONMENT "${env};HW_TEST_DATABASE_KIND=2"
    SKIP_RETURN_CODE 77
    TIMEOUT 300)
endfunction()

# Runs tests that were added by hw_add_tests a second time on the PostgreSQL
# test server, as "<layer>/<test>@postgres". Without the server's variables
# (scripts/test.sh starts one) they are skipped, unless HW_REQUIRE_POSTGRES
# is set: then they fail.
function(hw_add_server_tests layer)
  foreach(_name ${ARGN})
    if(NOT TARGET ${_name})
      message(FATAL_ERROR "hw_add_server_tests: no test ${_name}")
    endif()
    get_test_property(${layer}/${_name} ENVIRONMENT _env)
    _hw_add_server_test(${layer} ${_name} "${_env}")
  endforeach()
endfunction()
