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

# The system's zone is known by its Windows name; the names' IANA twins come
# from the Unicode consortium's table as Debian's python3-tzlocal carries it.
set(QUILLMER_WINDOWS_ZONE_TABLE /usr/lib/python3/dist-packages/tzlocal/windows_tz.py)
if(NOT EXISTS ${QUILLMER_WINDOWS_ZONE_TABLE})
  message(FATAL_ERROR "${QUILLMER_WINDOWS_ZONE_TABLE} is missing: install python3-tzlocal")
endif()
file(READ ${QUILLMER_WINDOWS_ZONE_TABLE} zone_table)
string(REGEX MATCH "win_tz = {[^}]*}" zone_table "${zone_table}")
string(REGEX MATCHALL "'[^']+': '[^']+'" zone_pairs "${zone_table}")
set(zone_entries "")
foreach(pair ${zone_pairs})
  string(REGEX REPLACE "'([^']+)': '([^']+)'" "    {\"\\1\", \"\\2\"},\n" entry "${pair}")
  string(APPEND zone_entries "${entry}")
endforeach()
file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/generated/platform/windows_zone_names.h CONTENT
"#pragma once
// Generated from ${QUILLMER_WINDOWS_ZONE_TABLE}: Windows' zone names and their IANA names.
#include <string_view>

namespace platform {
struct WindowsZoneName {
  std::string_view windows;
  std::string_view iana;
};
inline constexpr WindowsZoneName kWindowsZoneNames[] = {
${zone_entries}};
}  // namespace platform
" @ONLY)
set(QUILLMER_PLATFORM_GENERATED_INCLUDE ${CMAKE_BINARY_DIR}/generated)

# The zone database beside the programs and the test programs, as the zip ships it.
foreach(zone_copy ${CMAKE_BINARY_DIR}/zoneinfo ${CMAKE_BINARY_DIR}/tests/zoneinfo)
  if(NOT EXISTS ${zone_copy}/tzdata.zi)
    file(COPY /usr/share/zoneinfo/ DESTINATION ${zone_copy}
      PATTERN posix EXCLUDE PATTERN right EXCLUDE PATTERN "*.tab" EXCLUDE PATTERN leap* EXCLUDE
      PATTERN localtime EXCLUDE PATTERN posixrules EXCLUDE)
  endif()
endforeach()
