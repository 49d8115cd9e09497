# Helpers shared by every folder of the suite.

function(suite_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow=local
                         -Wnon-virtual-dtor -Wcast-align -Wno-missing-field-initializers)
  if(SUITE_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()

if(SUITE_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=undefined
                      -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

# suite_library(NAME SOURCES ... LINKS ...)
# A static library whose headers are included as "folder/header.h" from the
# repository root.
function(suite_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LINKS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${ARG_LINKS})
  suite_warnings(${name})
endfunction()

# suite_program(NAME SOURCES ... LINKS ...)
function(suite_program name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LINKS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LINKS})
  suite_warnings(${name})
endfunction()

# suite_test(NAME SOURCES ... LINKS ... [WIDGETS])
# A GoogleTest executable; every test case becomes a ctest test. WIDGETS runs
# it on the offscreen platform.
function(suite_test name)
  cmake_parse_arguments(ARG "WIDGETS" "TIMEOUT" "SOURCES;LINKS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LINKS} GTest::gtest GTest::gmock GTest::gtest_main)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  target_compile_definitions(${name} PRIVATE
    SUITE_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    SUITE_BIN_DIR="${SUITE_BIN_DIR}")
  suite_warnings(${name})
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 300)
  endif()
  set(env "ASAN_OPTIONS=detect_leaks=1:abort_on_error=0"
          "UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1")
  if(ARG_WIDGETS)
    list(APPEND env "QT_QPA_PLATFORM=offscreen")
  endif()
  gtest_discover_tests(${name}
    DISCOVERY_TIMEOUT 60
    DISCOVERY_MODE PRE_TEST
    PROPERTIES TIMEOUT ${ARG_TIMEOUT} ENVIRONMENT "${env}")
endfunction()

# suite_bench(NAME SOURCES ... LINKS ...)
function(suite_bench name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LINKS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LINKS} benchmark::benchmark)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
  suite_warnings(${name})
endfunction()

# Adds every direct or nested subfolder of DIR that has a CMakeLists.txt.
function(suite_add_subdirs dir)
  file(GLOB_RECURSE lists CONFIGURE_DEPENDS
       RELATIVE ${PROJECT_SOURCE_DIR}/${dir} ${PROJECT_SOURCE_DIR}/${dir}/*/CMakeLists.txt)
  list(SORT lists)
  foreach(l IN LISTS lists)
    get_filename_component(sub ${l} DIRECTORY)
    add_subdirectory(${dir}/${sub})
  endforeach()
endfunction()

# suite_folder_library(NAME LINKS ...)
# A library of every .h and .cpp file in the calling folder, so that adding a
# file to a folder needs no edit of its CMakeLists.txt.
function(suite_folder_library name)
  cmake_parse_arguments(ARG "" "" "LINKS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS
       ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  list(FILTER sources INCLUDE REGEX "\\.cpp$")
  if(sources)
    file(GLOB headers CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
    suite_library(${name} SOURCES ${sources} ${headers} LINKS ${ARG_LINKS})
  else()
    # Headers only, so far.
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} INTERFACE ${ARG_LINKS})
  endif()
endfunction()
