# The native Windows build (cross-compiled with mingw-w64, see
# cmake/mingw-w64.cmake): the Win32 platform services, the console converter,
# the Win32 window, and GoogleTest built from Debian's sources.
set(QUILLMER_GUI OFF CACHE BOOL "" FORCE)    # the Qt window; Windows has its own
set(QUILLMER_BENCH OFF CACHE BOOL "" FORCE)
set(QUILLMER_FUZZ OFF CACHE BOOL "" FORCE)

set(QUILLMER_PLATFORM_IMPLEMENTATION ${CMAKE_CURRENT_SOURCE_DIR}/src/platform/win32/*.cpp)

add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)

# Test programs that drive POSIX itself (fork, setpriv, tmpfs, FIFOs) or the
# Linux converter; the Windows side has its own tests of the same guarantees.
set(QUILLMER_POSIX_ONLY_TESTS cli_test fault_matrix_test file_layer_test)

if(QUILLMER_TESTS)
  set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
  # Tests reach the source tree through Wine's drive Z:, the Linux root.
  set(QUILLMER_HOST_PATH_PREFIX "Z:")
endif()
