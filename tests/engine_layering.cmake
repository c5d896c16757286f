# Fails when a file of the engine (src/text, src/conversion) includes anything
# but the C++ standard library, the engine's own headers and the platform
# layer's service headers: no OS header, no Qt, no platform implementation.
#   cmake -DSOURCE_DIR=<project> -P engine_layering.cmake
set(standard_headers
  algorithm any array atomic bit bitset cassert cctype cerrno cfloat charconv chrono cinttypes climits
  cmath compare concepts condition_variable cstdarg cstddef cstdint cstdio cstdlib cstring ctime cwchar deque exception
  functional initializer_list iomanip ios iosfwd istream iterator limits list map memory mutex new
  numeric optional ostream queue random ranges ratio set span sstream stack stdexcept string string_view
  system_error thread tuple type_traits typeinfo unordered_map unordered_set utility variant vector
  emmintrin.h)
file(GLOB_RECURSE files ${SOURCE_DIR}/src/text/* ${SOURCE_DIR}/src/conversion/*)
set(failures "")
foreach(file ${files})
  file(STRINGS ${file} lines REGEX "^[ \t]*#[ \t]*include")
  foreach(line ${lines})
    if(line MATCHES "<([^>]+)>")
      list(FIND standard_headers "${CMAKE_MATCH_1}" found)
      if(found EQUAL -1)
        string(APPEND failures "\n  ${file}: ${line}")
      endif()
    elseif(line MATCHES "\"([^\"]+)\"")
      if(NOT CMAKE_MATCH_1 MATCHES "^(text|conversion)/[^/]+$|^platform/[^/]+\\.h$")
        string(APPEND failures "\n  ${file}: ${line}")
      endif()
    endif()
  endforeach()
endforeach()
if(failures)
  message(FATAL_ERROR "The engine includes what it must not:${failures}")
endif()
