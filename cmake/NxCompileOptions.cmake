# Warnings and sanitizers shared by every target of the project.
add_library(nx_options INTERFACE)
target_compile_options(nx_options INTERFACE -Wall -Wextra -Wno-unused-parameter)
if(NX_WERROR)
  target_compile_options(nx_options INTERFACE -Werror)
endif()
if(NX_SANITIZE)
  target_compile_options(nx_options INTERFACE -fsanitize=${NX_SANITIZE} -fno-omit-frame-pointer -fno-sanitize-recover=all)
  target_link_options(nx_options INTERFACE -fsanitize=${NX_SANITIZE})
endif()

# nx_add_library(NAME DIR [EXCLUDE files...]): one static library per subsystem, built
# from the .cpp files of DIR (and DIR/src when present).
function(nx_add_library name dir)
  cmake_parse_arguments(ARG "" "" "EXCLUDE" ${ARGN})
  file(GLOB srcs CONFIGURE_DEPENDS ${dir}/*.cpp ${dir}/src/*.cpp)
  foreach(ex IN LISTS ARG_EXCLUDE)
    list(REMOVE_ITEM srcs ${dir}/${ex})
  endforeach()
  add_library(${name} STATIC ${srcs})
  target_link_libraries(${name} PRIVATE nx_options)
endfunction()

# nx_add_test(NAME DIR LIBS...): one GoogleTest program per folder of tests.
function(nx_add_test name dir)
  file(GLOB srcs CONFIGURE_DEPENDS ${dir}/*.cpp)
  if(NOT srcs)
    return()
  endif()
  add_executable(${name} ${srcs})
  target_link_libraries(${name} PRIVATE nx_options GTest::gtest GTest::gmock GTest::gtest_main ${ARGN})
  target_compile_definitions(${name} PRIVATE
    NX_SOURCE_DIR="${PROJECT_SOURCE_DIR}" NX_BINARY_DIR="${PROJECT_BINARY_DIR}")
  # The tests expect the English texts: a Japanese desktop's locale must not reach them.
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 300
    ENVIRONMENT "LANG=C.UTF-8;LANGUAGE=;LC_ALL=;LC_MESSAGES=")
endfunction()
