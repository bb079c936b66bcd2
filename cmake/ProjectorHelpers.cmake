# Shared build rules: warnings, sanitizers, GoogleTest, fuzz targets.

# The tree that only ships tools and benchmarks leaves its tests out of the default build.
option(PROJECTOR_BUILD_TESTS "Build the test executables by default" ON)

if(WIN32)
  add_compile_definitions(UNICODE _UNICODE NOMINMAX _WIN32_WINNT=0x0601 WINVER=0x0601 _WIN32_IE=0x0600)
  set(PROJECTOR_WARNINGS -Wall -Wextra -Werror -Wno-unused-parameter -Wno-cast-function-type -Wno-missing-field-initializers)
else()
  set(PROJECTOR_WARNINGS -Wall -Wextra -Werror -Wno-unused-parameter)
endif()

if(PROJECTOR_SANITIZE AND NOT WIN32)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

# Applies the project's warning set to a target of our own code.
function(projector_warnings target)
  target_compile_options(${target} PRIVATE ${PROJECTOR_WARNINGS})
endfunction()

# GoogleTest: the system's natively, built from source for MinGW.
if(WIN32)
  if(NOT TARGET gtest)
    set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
    add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  endif()
  set(PROJECTOR_GTEST_MAIN gtest_main gmock)
else()
  find_package(GTest REQUIRED)
  set(PROJECTOR_GTEST_MAIN GTest::gtest_main GTest::gmock)
endif()

# projector_test(NAME SOURCES ... LIBS ... [LABELS ...] [TIMEOUT s])
# One test executable, run as one CTest test (under Wine in the cross tree).
function(projector_test name)
  cmake_parse_arguments(T "" "TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  if(NOT PROJECTOR_BUILD_TESTS)
    set_target_properties(${name} PROPERTIES EXCLUDE_FROM_ALL TRUE)
  endif()
  target_link_libraries(${name} PRIVATE ${T_LIBS} ${PROJECTOR_GTEST_MAIN})
  projector_warnings(${name})
  add_test(NAME ${name} COMMAND ${name} --gtest_brief=1)
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  set_tests_properties(${name} PROPERTIES TIMEOUT ${T_TIMEOUT}
    ENVIRONMENT "PROJECTOR_SOURCE_DIR=${PROJECT_SOURCE_DIR};PROJECTOR_BINARY_DIR=${PROJECT_BINARY_DIR}")
  if(T_LABELS)
    set_tests_properties(${name} PROPERTIES LABELS "${T_LABELS}")
  endif()
endfunction()

# projector_fuzz(NAME SOURCES ... LIBS ... [CORPUS dir])
# A libFuzzer entry point (LLVMFuzzerTestOneInput). With PROJECTOR_LIBFUZZER it
# links against libFuzzer; otherwise against a replay driver that runs the
# corpus plus deterministic mutations of it, registered as a CTest test.
function(projector_fuzz name)
  cmake_parse_arguments(F "" "CORPUS" "SOURCES;LIBS" ${ARGN})
  if(WIN32)
    return()
  endif()
  add_executable(${name} ${F_SOURCES})
  if(NOT PROJECTOR_BUILD_TESTS AND NOT PROJECTOR_LIBFUZZER)
    set_target_properties(${name} PROPERTIES EXCLUDE_FROM_ALL TRUE)
  endif()
  target_link_libraries(${name} PRIVATE ${F_LIBS})
  projector_warnings(${name})
  if(PROJECTOR_LIBFUZZER)
    target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
    # One line per target for the long runs of scripts/fuzz-long: the program, then its seed corpus.
    file(GENERATE OUTPUT ${PROJECT_BINARY_DIR}/fuzz-targets/${name}.txt
      CONTENT "$<TARGET_FILE:${name}>\n${F_CORPUS}\n")
  else()
    target_sources(${name} PRIVATE ${PROJECT_SOURCE_DIR}/cmake/fuzz_replay_main.cpp)
    add_test(NAME ${name}_replay COMMAND ${name} ${F_CORPUS})
    set_tests_properties(${name}_replay PROPERTIES TIMEOUT 600 LABELS fuzz)
  endif()
endfunction()

# Where finished programs land: dist/win32 or dist/win64 for the cross trees, dist/host natively.
if(NOT PROJECTOR_DIST_DIR)
  if(WIN32 AND CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(PROJECTOR_DIST_DIR "${PROJECT_SOURCE_DIR}/dist/win64")
  elseif(WIN32)
    set(PROJECTOR_DIST_DIR "${PROJECT_SOURCE_DIR}/dist/win32")
  else()
    set(PROJECTOR_DIST_DIR "${PROJECT_SOURCE_DIR}/dist/host")
  endif()
endif()

# projector_dist(TARGET): copies the built file into the dist folder after each build.
function(projector_dist target)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E make_directory "${PROJECTOR_DIST_DIR}"
    COMMAND ${CMAKE_COMMAND} -E copy_if_different "$<TARGET_FILE:${target}>" "${PROJECTOR_DIST_DIR}/"
    VERBATIM)
endfunction()

# projector_add_part(DIR): adds a sub-folder that has a CMakeLists.txt, unless it is named in PROJECTOR_SKIP
# (a developer's way to build while a neighbour's folder is half-written).
function(projector_add_part dir)
  get_filename_component(name ${dir} NAME)
  if(name IN_LIST PROJECTOR_SKIP)
    return()
  endif()
  if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/CMakeLists.txt)
    add_subdirectory(${dir})
  endif()
endfunction()

# projector_library_layout(TARGET): links an extension library so that every section's virtual address
# equals its file offset, the layout under which the bridge reads export names straight from the file.
function(projector_library_layout target)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(script ${PROJECT_SOURCE_DIR}/fscmd/VantraFSCmd-x86_64.ld)
  else()
    set(script ${PROJECT_SOURCE_DIR}/fscmd/VantraFSCmd-i686.ld)
  endif()
  target_link_options(${target} PRIVATE
    -Wl,--file-alignment,4096 -Wl,--section-alignment,4096 -Wl,-T,${script})
  set_target_properties(${target} PROPERTIES LINK_DEPENDS ${script})
endfunction()

# projector_exports(TARGET DEF): the module definition file of a library. The file maps each export to
# its 32-bit __stdcall name (FSBeep = FSBeep@4); the 64-bit tree has one calling convention and no
# decoration, so it links with a copy that keeps the plain names.
function(projector_exports target def)
  get_filename_component(def ${def} ABSOLUTE)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    file(READ ${def} text)
    string(REGEX REPLACE " = [A-Za-z0-9_]+@[0-9]+" "" text "${text}")
    get_filename_component(name ${def} NAME)
    set(plain ${CMAKE_CURRENT_BINARY_DIR}/${target}-x86_64-${name})
    file(GENERATE OUTPUT ${plain} CONTENT "${text}")
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${def})
    target_sources(${target} PRIVATE ${plain})
  else()
    target_sources(${target} PRIVATE ${def})
  endif()
endfunction()
