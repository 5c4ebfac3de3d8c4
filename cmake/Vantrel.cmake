# Helpers shared by the folders' build files.

# vantrel_library(<target> [DEPS <targets>...] [EXCLUDE <files>...])
# One static library made of every source in the calling folder but the excluded ones.
function(vantrel_library target)
  cmake_parse_arguments(ARG "" "" "DEPS;EXCLUDE" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  foreach(excluded IN LISTS ARG_EXCLUDE)
    list(REMOVE_ITEM sources ${CMAKE_CURRENT_SOURCE_DIR}/${excluded})
  endforeach()
  if(NOT sources)
    message(STATUS "${target}: no sources yet, left out")
    return()
  endif()
  add_library(${target} STATIC ${sources})
  target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR})
  if(ARG_DEPS)
    target_link_libraries(${target} PUBLIC ${ARG_DEPS})
  endif()
  set_property(GLOBAL APPEND PROPERTY VANTREL_LIBRARIES ${target})
endfunction()

# vantrel_test(<name> LIBS <targets>... [BY_HAND <gtest pattern>])
# One GoogleTest program made of every source in the calling folder; each test runs under CTest
# but those matching the BY_HAND pattern, which are tools run by hand.
function(vantrel_test name)
  cmake_parse_arguments(ARG "" "BY_HAND" "LIBS" ${ARGN})
  find_package(GTest REQUIRED)
  include(GoogleTest)
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  foreach(lib IN LISTS ARG_LIBS)
    if(NOT TARGET ${lib})
      message(STATUS "${name}: ${lib} is not built yet, left out")
      return()
    endif()
  endforeach()
  if(NOT sources)
    message(STATUS "${name}: no tests yet, left out")
    return()
  endif()
  add_executable(${name} ${sources})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
  target_compile_definitions(${name} PRIVATE
    VANTREL_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    VANTREL_BINARY_DIR="${PROJECT_BINARY_DIR}")
  set(filter)
  if(ARG_BY_HAND)
    set(filter TEST_FILTER "-${ARG_BY_HAND}")
  endif()
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    ${filter}
    PROPERTIES TIMEOUT 300
               ENVIRONMENT "QT_QPA_PLATFORM=offscreen;VANTREL_HOME=${PROJECT_BINARY_DIR}/test-home")
endfunction()
