# Fails when a layer includes what it must not. Each rule names a layer, its
# files, and the quoted includes it may use; a layer that may use no OS header
# takes only the C++ standard library between angle brackets.
#   cmake -DSOURCE_DIR=<project> -P engine_layering.cmake
set(standard_headers
  algorithm any array atomic bit bitset cassert cctype cerrno cfloat charconv chrono cinttypes climits
  cmath compare concepts condition_variable cstdarg cstddef cstdint cstdio cstdlib cstring ctime cwchar deque exception
  functional initializer_list iomanip ios iosfwd istream iterator limits list map memory mutex new
  numeric optional ostream queue random ranges ratio set span sstream stack stdexcept string string_view
  system_error thread tuple type_traits typeinfo unordered_map unordered_set utility variant vector
  emmintrin.h)
set(failures "")

# layer_rule(<layer> ALLOW <regex> [ANY_SYSTEM_HEADER] FILES <glob>...)
function(layer_rule layer)
  cmake_parse_arguments(PARSE_ARGV 1 rule "ANY_SYSTEM_HEADER" "ALLOW" "FILES")
  file(GLOB files ${rule_FILES})
  foreach(file ${files})
    file(STRINGS ${file} lines REGEX "^[ \t]*#[ \t]*include")
    foreach(line ${lines})
      if(line MATCHES "<([^>]+)>")
        list(FIND standard_headers "${CMAKE_MATCH_1}" found)
        if(found EQUAL -1 AND NOT rule_ANY_SYSTEM_HEADER)
          string(APPEND failures "\n  ${layer}: ${file}: ${line}")
        endif()
      elseif(line MATCHES "\"([^\"]+)\"")
        if(NOT CMAKE_MATCH_1 MATCHES "${rule_ALLOW}")
          string(APPEND failures "\n  ${layer}: ${file}: ${line}")
        endif()
      endif()
    endforeach()
  endforeach()
  set(failures "${failures}" PARENT_SCOPE)
endfunction()

# The engine: no OS header, no Qt, no platform implementation.
layer_rule(engine ALLOW "^(text|conversion)/[^/]+$|^platform/[^/]+\\.h$"
  FILES ${SOURCE_DIR}/src/text/* ${SOURCE_DIR}/src/conversion/*)
# The platform is the bottom layer: only its own headers; OS headers only in
# the folder of each system, which may also include the internal headers of
# that folder (never the other system's).
layer_rule(platform ALLOW "^platform/[^/]+\\.h$" FILES ${SOURCE_DIR}/src/platform/*.h ${SOURCE_DIR}/src/platform/*.cpp)
layer_rule("platform (posix)" ALLOW "^platform/([^/]+|posix/[^/]+)\\.h$" ANY_SYSTEM_HEADER
  FILES ${SOURCE_DIR}/src/platform/posix/*)
layer_rule("platform (win32)" ALLOW "^platform/([^/]+|win32/[^/]+)\\.h$" ANY_SYSTEM_HEADER
  FILES ${SOURCE_DIR}/src/platform/win32/*)

if(failures)
  message(FATAL_ERROR "A layer includes what it must not:${failures}")
endif()
