# Common flags and the helpers every folder uses to declare its targets.

add_compile_options(-Wall -Wextra)
# Error reports name source files relative to the source tree.
add_compile_options(-fmacro-prefix-map=${CMAKE_SOURCE_DIR}/=)

# Line tables are enough for stack traces and profiles, and cost a fraction of full debug
# information to compile; sanitizer builds find faults as well at -O1, in less time.
add_compile_options($<$<CONFIG:RelWithDebInfo>:-g1>)
if(NOT QZ_SANITIZE STREQUAL "")
  add_compile_options($<$<CONFIG:RelWithDebInfo>:-O1>)
endif()

if(QZ_SANITIZE STREQUAL "address")
  add_compile_options(-fsanitize=address,undefined,float-cast-overflow -fno-sanitize-recover=undefined,float-cast-overflow -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined,float-cast-overflow)
elseif(QZ_SANITIZE STREQUAL "thread")
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
elseif(NOT QZ_SANITIZE STREQUAL "")
  message(FATAL_ERROR "QZ_SANITIZE must be empty, address or thread")
endif()

# Adds every direct subfolder that has a CMakeLists.txt, in name order.
function(qz_add_subdirectories)
  file(GLOB children LIST_DIRECTORIES true CONFIGURE_DEPENDS RELATIVE ${CMAKE_CURRENT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR}/*)
  list(SORT children)
  foreach(child IN LISTS children)
    if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${child}/CMakeLists.txt)
      add_subdirectory(${child})
    endif()
  endforeach()
endfunction()

# qz_add_library(name SOURCES ... [PUBLIC_LIBS ...] [PRIVATE_LIBS ...])
# Include paths are the project root, so headers are named "tarnwick/core/Logging.h",
# "platform/win/Windows.h", "src/ParticleVolume.h".
function(qz_add_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;PUBLIC_LIBS;PRIVATE_LIBS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${ARG_PUBLIC_LIBS} PRIVATE ${ARG_PRIVATE_LIBS})
  if(NOT QZ_SANITIZE STREQUAL "")
    set_target_properties(${name} PROPERTIES EXCLUDE_FROM_ALL ON)
  endif()
endfunction()

# Every test executable; sanitizer builds build this target only.
if(NOT TARGET qz_all_tests)
  add_custom_target(qz_all_tests)
endif()

# qz_add_test(name SOURCES ... LIBS ... [THREADED] [LABELS ...] [LAUNCHER command...])
# One CTest entry per executable, run in a folder of its own (tests write ./Log.txt and
# other files into the working folder). THREADED tests also run under ThreadSanitizer;
# the TSan build declares nothing else. A LAUNCHER runs the executable (xvfb-run for
# tests that need an X server).
function(qz_add_test name)
  cmake_parse_arguments(ARG "THREADED" "TIMEOUT" "SOURCES;LIBS;LABELS;LAUNCHER" ${ARGN})
  if(QZ_SANITIZE STREQUAL "thread" AND NOT ARG_THREADED)
    return()
  endif()
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main Threads::Threads)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  set_target_properties(${name} PROPERTIES EXCLUDE_FROM_ALL ON)
  add_dependencies(qz_all_tests ${name})
  set(workdir ${CMAKE_BINARY_DIR}/testrun/${name})
  file(MAKE_DIRECTORY ${workdir})
  add_test(NAME ${name} COMMAND ${ARG_LAUNCHER} $<TARGET_FILE:${name}> WORKING_DIRECTORY ${workdir})
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 600)
  endif()
  set_tests_properties(${name} PROPERTIES TIMEOUT ${ARG_TIMEOUT} LABELS "${ARG_LABELS}")
  if(QZ_SANITIZE STREQUAL "thread")
    set_tests_properties(${name} PROPERTIES ENVIRONMENT "OMP_NUM_THREADS=1;TSAN_OPTIONS=halt_on_error=1 second_deadlock_stack=1")
  elseif(QZ_SANITIZE STREQUAL "address")
    set_tests_properties(${name} PROPERTIES ENVIRONMENT "ASAN_OPTIONS=detect_leaks=1;UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1")
  endif()
endfunction()

# qz_add_benchmark(name SOURCES ... LIBS ...)
function(qz_add_benchmark name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} benchmark::benchmark benchmark::benchmark_main)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
endfunction()

# qz_add_folder_library(name [EXCLUDE file...] [PUBLIC_LIBS ...] [PRIVATE_LIBS ...])
# A library of every .cpp file of the folder, so that parallel work on one folder does
# not collide in its source list.
function(qz_add_folder_library name)
  cmake_parse_arguments(ARG "" "" "EXCLUDE;PUBLIC_LIBS;PRIVATE_LIBS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  foreach(excluded IN LISTS ARG_EXCLUDE)
    list(REMOVE_ITEM sources ${CMAKE_CURRENT_SOURCE_DIR}/${excluded})
  endforeach()
  if(NOT sources)
    # Headers only so far.
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} INTERFACE ${ARG_PUBLIC_LIBS})
    return()
  endif()
  qz_add_library(${name} SOURCES ${sources} PUBLIC_LIBS ${ARG_PUBLIC_LIBS} PRIVATE_LIBS ${ARG_PRIVATE_LIBS})
endfunction()
