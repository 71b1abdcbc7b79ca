# One INTERFACE target carries the language standard, the warnings and the optional
# sanitizers for every target of our own. Third-party code never links it.
add_library(kartovel_options INTERFACE)
target_compile_features(kartovel_options INTERFACE cxx_std_20)
set(CMAKE_CXX_EXTENSIONS OFF)
target_compile_options(kartovel_options INTERFACE -Wall -Wextra -Werror)

# KARTOVEL_SANITIZE: empty, "address,undefined" or "thread".
set(KARTOVEL_SANITIZE "" CACHE STRING "Sanitizers to build with (address,undefined or thread)")
if(KARTOVEL_SANITIZE)
  # GCC 12's flow analysis reports false maybe-uninitialized and restrict warnings inside
  # the standard library once sanitizer instrumentation is added; the plain build keeps
  # both as errors.
  target_compile_options(kartovel_options INTERFACE
    -fsanitize=${KARTOVEL_SANITIZE} -fno-omit-frame-pointer -fno-sanitize-recover=all
    -Wno-maybe-uninitialized -Wno-restrict)
  target_link_options(kartovel_options INTERFACE -fsanitize=${KARTOVEL_SANITIZE})
endif()

# Adds a static library made of every source file in the given folder.
# Files are found by glob so that new units need no edit here. A folder without sources
# yet gives an INTERFACE target.
#
# The layer's headers are reachable as "<folder>/Name.h" only by the targets that link
# the layer, directly or through a layer above it: its include root is a folder of the
# build tree holding one link, named after the source folder, to that folder. A header of
# a higher layer is on no include path of a lower one, so reaching up fails to build.
function(kartovel_layer name folder)
  cmake_parse_arguments(LAYER "" "" "LINKS;INCLUDES" ${ARGN})
  get_filename_component(source_folder ${folder} ABSOLUTE)
  get_filename_component(folder_name ${source_folder} NAME)
  set(include_root ${CMAKE_BINARY_DIR}/layer_includes/${name})
  file(MAKE_DIRECTORY ${include_root})
  file(CREATE_LINK ${source_folder} ${include_root}/${folder_name} SYMBOLIC)
  file(GLOB sources CONFIGURE_DEPENDS ${source_folder}/*.cpp)
  set(includes ${include_root} ${LAYER_INCLUDES})
  if(sources)
    add_library(${name} STATIC ${sources})
    target_include_directories(${name} PUBLIC ${includes})
    target_link_libraries(${name} PUBLIC kartovel_options ${LAYER_LINKS})
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${includes})
    target_link_libraries(${name} INTERFACE kartovel_options ${LAYER_LINKS})
  endif()
endfunction()

# Adds one GoogleTest executable made of every *_test.cpp in a folder of tests/.
# A folder with a main.cpp of its own (the GUI tests) uses it; the others use gtest's.
function(kartovel_test_suite name folder)
  file(GLOB sources CONFIGURE_DEPENDS ${folder}/*_test.cpp)
  if(NOT sources)
    return()
  endif()
  if(EXISTS ${folder}/main.cpp)
    add_executable(${name} ${sources} ${folder}/main.cpp)
    target_link_libraries(${name} PRIVATE GTest::gtest)
  else()
    add_executable(${name} ${sources})
    target_link_libraries(${name} PRIVATE GTest::gtest_main)
  endif()
  target_link_libraries(${name} PRIVATE ${ARGN} kartovel_test_support GTest::gmock kartovel_options)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 NO_PRETTY_VALUES
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
endfunction()
