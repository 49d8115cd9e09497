# Helpers shared by every folder of the suite.

function(suite_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic
                         -Wnon-virtual-dtor -Wcast-align -Wno-missing-field-initializers)
  # A local that hides another local: g++ can warn of just that, clang warns
  # of every shadowed name.
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    target_compile_options(${target} PRIVATE -Wshadow=local)
  else()
    target_compile_options(${target} PRIVATE -Wshadow)
  endif()
  if(SUITE_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()

if(SUITE_SANITIZE)
  # -O1 keeps the sanitizers' reports exact and runs the simulated chips of
  # the end-to-end tests several times faster than no optimisation at all.
  # Line tables (-g1) are all a sanitizer's stack trace needs, and they cost a
  # fraction of full debug information to build.
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=undefined
                      -fno-omit-frame-pointer -O1 -g1)
  add_link_options(-fsanitize=address,undefined)
endif()

# Code that the checked build runs but never times (tests, fuzz replays,
# programs' mains, windows, flows and file parsers fed small inputs) builds
# without optimisation there: that halves the compile time of
# the heavily templated test bodies, and the engines and simulations they
# drive keep -O1.
function(suite_checked_not_timed target)
  if(SUITE_SANITIZE)
    target_compile_options(${target} PRIVATE -O0)
  endif()
endfunction()

# Runs moc for TARGET when one of SOURCES declares a QObject or gadget.
function(suite_automoc target)
  foreach(source IN LISTS ARGN)
    if(NOT IS_ABSOLUTE ${source})
      set(source ${CMAKE_CURRENT_SOURCE_DIR}/${source})
    endif()
    if(EXISTS ${source})
      file(STRINGS ${source} declares REGEX "Q_OBJECT|Q_GADGET|Q_NAMESPACE" LIMIT_COUNT 1)
      if(declares)
        set_target_properties(${target} PROPERTIES AUTOMOC ON)
        return()
      endif()
    endif()
  endforeach()
endfunction()

# The fuzz build: every library carries libFuzzer's coverage hooks and the
# address and undefined-behaviour checks; the targets link the fuzzer itself.
if(SUITE_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "SUITE_FUZZ needs clang (configure with -DCMAKE_CXX_COMPILER=clang++)")
  endif()
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined
                      -fno-omit-frame-pointer -g -Wno-unknown-warning-option)
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
  suite_automoc(${name} ${ARG_SOURCES})
endfunction()

# suite_program(NAME SOURCES ... LINKS ...)
function(suite_program name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LINKS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LINKS})
  suite_warnings(${name})
  suite_automoc(${name} ${ARG_SOURCES})
  suite_checked_not_timed(${name})
endfunction()

# Whether any of TARGETS, or what they link, is Qt Core.
function(suite_links_qt out)
  set(result OFF)
  foreach(t IN LISTS ARGN)
    if(t STREQUAL "Qt6::Core")
      set(result ON)
      break()
    endif()
    if(TARGET ${t})
      get_target_property(imported ${t} IMPORTED)
      if(NOT imported)
        get_target_property(links ${t} LINK_LIBRARIES)
        if(links)
          suite_links_qt(nested ${links})
          if(nested)
            set(result ON)
            break()
          endif()
        endif()
      endif()
    endif()
  endforeach()
  set(${out} ${result} PARENT_SCOPE)
endfunction()

# The headers nearly every test includes (GoogleTest, the Qt core classes,
# the standard containers) are compiled once for all test programs that use
# Qt, rather than once per program. Only clang's compiled headers load fast
# enough to gain from it.
function(suite_test_headers target)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    return()
  endif()
  suite_links_qt(uses_qt ${ARGN})
  if(NOT uses_qt)
    return()
  endif()
  if(NOT TARGET suite_test_headers)
    file(WRITE ${CMAKE_BINARY_DIR}/suite_test_headers.cpp "")
    add_library(suite_test_headers OBJECT ${CMAKE_BINARY_DIR}/suite_test_headers.cpp)
    target_link_libraries(suite_test_headers PRIVATE Qt6::Core GTest::gtest)
    suite_warnings(suite_test_headers)
    suite_checked_not_timed(suite_test_headers)
    target_precompile_headers(suite_test_headers PRIVATE
      <gtest/gtest.h> <QByteArray> <QDir> <QFile> <QFileInfo> <QObject> <QString>
      <QStringList> <QTemporaryDir> <algorithm> <cstdint> <functional> <memory>
      <optional> <ostream> <string> <vector>)
  endif()
  target_precompile_headers(${target} REUSE_FROM suite_test_headers)
endfunction()

# suite_test(NAME SOURCES ... LINKS ... [WIDGETS] [TIMEOUT s] [SHARDS n])
# A GoogleTest executable, registered as one ctest test named NAME, so that
# the program starts once for all its cases. A slow program can be split into
# SHARDS tests (NAME/1of2, NAME/2of2, ...) that ctest -j runs side by side;
# gtest's own sharding picks each shard's cases. WIDGETS runs it on the
# offscreen platform. One case: build/test/tests/NAME --gtest_filter=Suite.Case
function(suite_test name)
  cmake_parse_arguments(ARG "WIDGETS" "TIMEOUT;SHARDS" "SOURCES;LINKS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LINKS} common_testing GTest::gtest GTest::gmock
                        GTest::gtest_main)
  suite_test_headers(${name} ${ARG_LINKS})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  target_compile_definitions(${name} PRIVATE
    SUITE_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    SUITE_BIN_DIR="${SUITE_BIN_DIR}")
  suite_warnings(${name})
  suite_automoc(${name} ${ARG_SOURCES})
  suite_checked_not_timed(${name})
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 300)
  endif()
  set(env "ASAN_OPTIONS=detect_leaks=1:abort_on_error=0"
          "UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1"
          "LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/cmake/lsan.supp")
  if(ARG_WIDGETS)
    list(APPEND env "QT_QPA_PLATFORM=offscreen")
  endif()
  if(NOT ARG_SHARDS)
    set(ARG_SHARDS 1)
  endif()
  if(ARG_SHARDS EQUAL 1)
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES TIMEOUT ${ARG_TIMEOUT} ENVIRONMENT "${env}")
  else()
    math(EXPR last "${ARG_SHARDS} - 1")
    foreach(i RANGE ${last})
      math(EXPR n "${i} + 1")
      set(test "${name}/${n}of${ARG_SHARDS}")
      add_test(NAME ${test} COMMAND ${name})
      set_tests_properties(${test} PROPERTIES TIMEOUT ${ARG_TIMEOUT}
        ENVIRONMENT "${env};GTEST_TOTAL_SHARDS=${ARG_SHARDS};GTEST_SHARD_INDEX=${i}")
    endforeach()
  endif()
endfunction()

# suite_bench(NAME SOURCES ... LINKS ...)
function(suite_bench name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LINKS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LINKS} common_testing benchmark::benchmark)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
  suite_warnings(${name})
  suite_automoc(${name} ${ARG_SOURCES})
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

# Fails the configuration when TARGET, or anything it links, links one of
# FORBIDDEN; WHY says what the rule is for.
function(suite_forbid_links target why)
  set(forbidden ${ARGN})
  set(seen)
  set(todo ${target})
  while(todo)
    list(POP_FRONT todo t)
    if(t IN_LIST seen)
      continue()
    endif()
    list(APPEND seen ${t})
    if(t IN_LIST forbidden AND NOT t STREQUAL target)
      message(FATAL_ERROR "${target} links ${t} (through ${seen}); ${why}")
    endif()
    if(NOT TARGET ${t})
      continue()
    endif()
    get_target_property(type ${t} TYPE)
    get_target_property(iface ${t} INTERFACE_LINK_LIBRARIES)
    set(links)
    if(iface)
      list(APPEND links ${iface})
    endif()
    if(NOT type STREQUAL "INTERFACE_LIBRARY")
      get_target_property(direct ${t} LINK_LIBRARIES)
      if(direct)
        list(APPEND links ${direct})
      endif()
    endif()
    foreach(l IN LISTS links)
      string(REGEX REPLACE "^\\$<LINK_ONLY:(.*)>$" "\\1" l "${l}")
      if(NOT l MATCHES "\\$<")
        list(APPEND todo ${l})
      endif()
    endforeach()
  endwhile()
endfunction()

# Fails the configuration when TARGET, or anything it links, links Qt
# Widgets: engines, cores and simulations must run without a widget
# application.
function(suite_forbid_widgets target)
  suite_forbid_links(${target} "engines, cores and simulations must stay widget-free"
                     Qt6::Widgets Qt::Widgets)
endfunction()
