# Each folder of src/ is one layer, built as an object library so that a layer
# can only use the layers it names, and tests can link just what they test.

set(CAVRA_LAYERS "" CACHE INTERNAL "")

function(cavra_warnings target)
  if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
    set(_shadow "")
    if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
      set(_shadow -Wshadow=local)  # clang has no such option
    endif()
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic ${_shadow}
      -Wnon-virtual-dtor -Woverloaded-virtual)
    if(CAVRA_WARNINGS_AS_ERRORS)
      target_compile_options(${target} PRIVATE -Werror)
    endif()
  endif()
endfunction()

function(cavra_sanitize target)
  if(CAVRA_SANITIZE)
    target_compile_options(${target} PRIVATE -fsanitize=${CAVRA_SANITIZE} -fno-omit-frame-pointer
      -fno-sanitize-recover=all)
    target_link_options(${target} PRIVATE -fsanitize=${CAVRA_SANITIZE})
  endif()
  if(CAVRA_BUILD_FUZZERS)
    target_compile_options(${target} PRIVATE -fsanitize=fuzzer-no-link)
  endif()
endfunction()

# cavra_layer(<name> [DEPENDS layer...] [LIBS lib...] [SOURCES extra...]): the
# layer is every .cpp file of the folder and its subfolders.
function(cavra_layer name)
  cmake_parse_arguments(L "" "" "SOURCES;DEPENDS;LIBS" ${ARGN})
  set(target cavra_${name})
  file(GLOB_RECURSE _sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(NOT _sources AND NOT L_SOURCES)
    set(_empty ${CMAKE_CURRENT_BINARY_DIR}/empty_layer.cpp)
    file(WRITE ${_empty} "// a layer without sources yet\n")
    list(APPEND _sources ${_empty})
  endif()
  add_library(${target} OBJECT ${_sources} ${L_SOURCES})
  set_target_properties(${target} PROPERTIES
    POSITION_INDEPENDENT_CODE ON
    CXX_VISIBILITY_PRESET hidden
    VISIBILITY_INLINES_HIDDEN ON)
  target_compile_definitions(${target} PUBLIC CAVRA_BUILDING_LIBRARY)
  target_include_directories(${target} PUBLIC
    $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}/include>
    $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}/src>)
  target_link_libraries(${target} PUBLIC pugixml::pugixml Threads::Threads ${L_LIBS})
  foreach(dep IN LISTS L_DEPENDS)
    target_link_libraries(${target} PUBLIC cavra_${dep})
  endforeach()
  cavra_warnings(${target})
  cavra_sanitize(${target})
  set(CAVRA_LAYERS ${CAVRA_LAYERS} ${name} CACHE INTERNAL "")
  set(CAVRA_LAYER_DEPENDS_${name} ${L_DEPENDS} CACHE INTERNAL "")
endfunction()

# cavra_check_layers(): a build step, run before any layer compiles, that fails
# when a file of src/ includes a layer its own does not depend on (directly or
# through others), or when includes form a cycle (cmake/CheckIncludes.cmake).
function(cavra_check_layers)
  set(_allowed "")
  foreach(layer IN LISTS CAVRA_LAYERS)
    set(_reach ${layer})
    set(_todo ${CAVRA_LAYER_DEPENDS_${layer}})
    while(_todo)
      list(POP_FRONT _todo _dep)
      if(NOT _dep IN_LIST _reach)
        list(APPEND _reach ${_dep})
        list(APPEND _todo ${CAVRA_LAYER_DEPENDS_${_dep}})
      endif()
    endwhile()
    string(REPLACE ";" "," _reach "${_reach}")
    string(APPEND _allowed "|${layer}=${_reach}")
  endforeach()
  file(GLOB_RECURSE _sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/src/*.h ${PROJECT_SOURCE_DIR}/src/*.cpp)
  set(_stamp ${CMAKE_CURRENT_BINARY_DIR}/layers_checked.stamp)
  add_custom_command(OUTPUT ${_stamp}
    COMMAND ${CMAKE_COMMAND} -DSRC=${PROJECT_SOURCE_DIR}/src "-DALLOWED=${_allowed}"
            -P ${PROJECT_SOURCE_DIR}/cmake/CheckIncludes.cmake
    COMMAND ${CMAKE_COMMAND} -E touch ${_stamp}
    DEPENDS ${_sources} ${PROJECT_SOURCE_DIR}/cmake/CheckIncludes.cmake
    COMMENT "Checking the includes against the layers"
    VERBATIM)
  add_custom_target(cavra_layer_check DEPENDS ${_stamp})
  foreach(layer IN LISTS CAVRA_LAYERS)
    add_dependencies(cavra_${layer} cavra_layer_check)
  endforeach()
endfunction()

# cavra_test(<name> LAYERS layer... [LIBS lib...]): a GoogleTest executable of
# every *_test.cpp file of the folder, linking the named layers' objects
# directly (and the test doubles).
function(cavra_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LAYERS;LIBS" ${ARGN})
  file(GLOB _tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*_test.cpp)
  if(NOT _tests)
    return()
  endif()
  add_executable(${name} ${_tests} ${T_SOURCES})
  foreach(layer IN LISTS T_LAYERS)
    target_sources(${name} PRIVATE $<TARGET_OBJECTS:cavra_${layer}>)
    target_link_libraries(${name} PRIVATE cavra_${layer})
  endforeach()
  target_link_libraries(${name} PRIVATE cavra_test_support GTest::gtest GTest::gmock GTest::gtest_main ${T_LIBS})
  cavra_warnings(${name})
  cavra_sanitize(${name})
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "CAVRA_COMPONENT_DIR=${CMAKE_CURRENT_BINARY_DIR}/component;CAVRA_REGISTRY_FILE=${CMAKE_CURRENT_BINARY_DIR}/registry.ini")
endfunction()
