# Strict warnings for our own targets only; the program's own sources (src/)
# also without shadowing, silent narrowing or C casts.
function(quillmer_strict target)
  target_compile_options(${target} PRIVATE -Wall -Wextra)
endfunction()

function(quillmer_strict_source target)
  quillmer_strict(${target})
  target_compile_options(${target} PRIVATE -Wshadow -Wconversion -Wold-style-cast)
endfunction()

# One test executable per test file, its tests discovered by CTest.
function(quillmer_add_test source)
  get_filename_component(name ${source} NAME_WE)
  add_executable(${name} ${source})
  target_link_libraries(${name} PRIVATE ${ARGN} GTest::gtest GTest::gmock GTest::gtest_main)
  target_include_directories(${name} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
  quillmer_strict(${name})
  if(CMAKE_CROSSCOMPILING)
    # One start of the emulator (Wine) per test program, not per test.
    add_test(NAME ${name} COMMAND ${name})
  else()
    gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST)
  endif()
endfunction()
