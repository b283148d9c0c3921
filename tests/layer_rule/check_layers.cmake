# The layer rule, checked on the sources: every `#include "folder/..."` in an
# engine folder must name a folder at the same height or below, every folder
# a library includes must be named in its CMake DEPS, and no forward
# declaration may name a class of a higher folder (an engine class is named
# after its header, so the header's folder is the class's).
#
#   cmake -DSOURCE_DIR=<top> -DFOLDERS=<folders, lowest first, ','-separated>
#         -DDEPS_FILE=<file of "folder=dep,dep" lines> -P check_layers.cmake
#
# A path belongs to the folder that is its longest matching prefix, so
# "media/sound/X.h" belongs to media and "platform/render/x.h" to
# platform/render. app/ sits above every folder. Includes that name no engine
# folder (files of the same folder by bare name) are not checked for height.
#
# Operating-system calls live in platform/ only: outside it a file includes
# only the C++ standard library's headers (zlib's too in io/, whose content
# streams hold zlib-packed fields: a data format, not a service of the
# system), calls none of the C library's functions that open files or read
# the environment, the locale or the time zone, and includes no platform
# header that itself includes more than standard headers.
cmake_minimum_required(VERSION 3.25)

foreach(var SOURCE_DIR FOLDERS DEPS_FILE)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "check_layers: ${var} not given")
  endif()
endforeach()

string(REPLACE "," ";" _folders "${FOLDERS}")
list(APPEND _folders app)

# The folder a path belongs to, or "" when it belongs to none.
function(folder_of path out_var)
  set(best "")
  string(LENGTH "${best}" best_len)
  foreach(f ${_folders})
    string(LENGTH "${f}/" len)
    string(SUBSTRING "${path}" 0 ${len} head)
    if(head STREQUAL "${f}/" AND len GREATER best_len)
      set(best "${f}")
      set(best_len ${len})
    endif()
  endforeach()
  set(${out_var} "${best}" PARENT_SCOPE)
endfunction()

# What each library links (its DEPS), by folder.
file(STRINGS "${DEPS_FILE}" _dep_lines)
foreach(line ${_dep_lines})
  if(line MATCHES "^([^=]+)=(.*)$")
    string(REPLACE "," ";" _deps_${CMAKE_MATCH_1} "${CMAKE_MATCH_2}")
    set(_has_deps_${CMAKE_MATCH_1} TRUE)
  endif()
endforeach()

set(_sources "")
foreach(f ${_folders})
  if(IS_DIRECTORY "${SOURCE_DIR}/${f}")
    file(GLOB_RECURSE _found RELATIVE "${SOURCE_DIR}" "${SOURCE_DIR}/${f}/*.h" "${SOURCE_DIR}/${f}/*.hpp"
         "${SOURCE_DIR}/${f}/*.cpp" "${SOURCE_DIR}/${f}/*.c" "${SOURCE_DIR}/${f}/*.inl")
    list(APPEND _sources ${_found})
  endif()
endforeach()
list(REMOVE_DUPLICATES _sources)
list(SORT _sources)

# The folder of each engine class (headers named in CamelCase); a name that
# two folders use is left out.
foreach(src ${_sources})
  get_filename_component(_name "${src}" NAME_WE)
  get_filename_component(_ext "${src}" EXT)
  if(NOT _ext STREQUAL ".h" OR NOT _name MATCHES "^[A-Z]")
    continue()
  endif()
  folder_of("${src}" _home)
  if(DEFINED _class_${_name} AND NOT _class_${_name} STREQUAL _home)
    set(_class_${_name} "")
  else()
    set(_class_${_name} "${_home}")
  endif()
endforeach()

# The C++ standard library's headers; the C library's also by their C names
# (<string.h> for <cstring>).
set(_standard_headers
  algorithm any array atomic barrier bit bitset charconv chrono codecvt compare complex concepts
  condition_variable coroutine deque exception execution expected filesystem format forward_list
  fstream functional future initializer_list iomanip ios iosfwd iostream istream iterator latch
  limits list locale map memory memory_resource mutex new numbers numeric optional ostream print
  queue random ranges ratio regex scoped_allocator semaphore set shared_mutex source_location span
  sstream stack stdexcept stop_token streambuf string string_view syncstream system_error thread
  tuple type_traits typeindex typeinfo unordered_map unordered_set utility valarray variant vector
  version
  cassert cctype cerrno cfenv cfloat cinttypes climits clocale cmath csetjmp csignal cstdarg cstddef
  cstdint cstdio cstdlib cstring ctime cuchar cwchar cwctype)
set(_header_exceptions "io|zlib.h")
# The C library's doors to the system that <cstdio>, <cstdlib>, <clocale>
# and <ctime> leave open.
set(_system_calls "fopen|freopen|fdopen|tmpfile|popen|getenv|secure_getenv|setenv|unsetenv|putenv|setlocale|newlocale|uselocale|localtime|localtime_r|gmtime|gmtime_r|mktime|strftime|system")

# Whether a header in angle brackets may be included by a file of a folder.
function(standard_header header folder out_var)
  set(name "${header}")
  if(header MATCHES "^([a-z]+)\\.h$")
    set(name "c${CMAKE_MATCH_1}")
  endif()
  if(name IN_LIST _standard_headers OR "${folder}|${header}" IN_LIST _header_exceptions)
    set(${out_var} TRUE PARENT_SCOPE)
  else()
    set(${out_var} FALSE PARENT_SCOPE)
  endif()
endfunction()

# A fault for each include of a file that is not a standard header (nor one
# its folder is excused) or a header in quotes; reach names the file outside
# platform/ that a platform header's includes would reach.
function(check_system_includes file folder reach)
  file(STRINGS "${SOURCE_DIR}/${file}" includes REGEX "^[ \t]*#[ \t]*include")
  set(faults ${_faults})
  foreach(inc ${includes})
    if(inc MATCHES "^[ \t]*#[ \t]*include[ \t]*\"")
      continue()
    elseif(inc MATCHES "^[ \t]*#[ \t]*include[ \t]*<([^>]+)>")
      set(what "<${CMAKE_MATCH_1}>")
      standard_header("${CMAKE_MATCH_1}" "${folder}" allowed)
      if(allowed)
        continue()
      endif()
    else()
      set(what "a header a macro names (\"${inc}\")")
    endif()
    message("LAYER RULE: ${file} includes ${what}${reach}: outside platform/ only the C++ standard library's headers may be included")
    math(EXPR faults "${faults} + 1")
  endforeach()
  set(_faults ${faults} PARENT_SCOPE)
endfunction()

set(_faults 0)
set(_checked 0)
set(_platform_used "")
foreach(src ${_sources})
  folder_of("${src}" from)
  if(from STREQUAL "")
    continue()
  endif()
  list(FIND _folders "${from}" from_height)
  file(STRINGS "${SOURCE_DIR}/${src}" _declarations REGEX "^[ \t]*(class|struct)[ \t]+[A-Za-z0-9_]+[ \t]*;")
  foreach(decl ${_declarations})
    string(REGEX REPLACE "^[ \t]*(class|struct)[ \t]+([A-Za-z0-9_]+).*$" "\\2" _name "${decl}")
    if(NOT _class_${_name} STREQUAL "" AND DEFINED _class_${_name})
      list(FIND _folders "${_class_${_name}}" to_height)
      if(to_height GREATER from_height)
        message("LAYER RULE: ${src} declares ${_name}: ${from} may not name a class of ${_class_${_name}}, which lies above it")
        math(EXPR _faults "${_faults} + 1")
      endif()
    endif()
  endforeach()
  if(NOT from MATCHES "^platform/")
    check_system_includes("${src}" "${from}" "")
    file(STRINGS "${SOURCE_DIR}/${src}" _calls REGEX "(^|[^A-Za-z0-9_.>:])(std::|::)?(${_system_calls})\\(")
    foreach(call ${_calls})
      if(call MATCHES "^[ \t]*(//|\\*)")
        continue()
      endif()
      string(REGEX MATCH "(${_system_calls})\\(" _name "${call}")
      message("LAYER RULE: ${src} calls ${_name}...): outside platform/ the system is reached through platform/")
      math(EXPR _faults "${_faults} + 1")
    endforeach()
  endif()
  file(STRINGS "${SOURCE_DIR}/${src}" _includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"[^\"]+\"")
  foreach(inc ${_includes})
    string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]+)\".*$" "\\1" header "${inc}")
    folder_of("${header}" to)
    if(to MATCHES "^platform/" AND NOT from MATCHES "^platform/" AND NOT "${header}" IN_LIST _platform_used)
      list(APPEND _platform_used "${header}")
      set(_platform_user_${header} "${src}")
    endif()
    if(to STREQUAL "" OR to STREQUAL from)
      continue()
    endif()
    math(EXPR _checked "${_checked} + 1")
    list(FIND _folders "${to}" to_height)
    if(to_height GREATER from_height)
      message("LAYER RULE: ${src} includes \"${header}\": ${from} may not include ${to}, which lies above it")
      math(EXPR _faults "${_faults} + 1")
    elseif(_has_deps_${from})
      list(FIND _deps_${from} "${to}" _named)
      if(_named EQUAL -1 AND NOT "${from}|${to}" IN_LIST _reported)
        message("LAYER RULE: ${src} includes \"${header}\": the DEPS of ${from} do not name ${to}")
        list(APPEND _reported "${from}|${to}")
        math(EXPR _faults "${_faults} + 1")
      endif()
    endif()
  endforeach()
endforeach()

# The platform headers that files outside platform/ include, and the platform
# headers those include in turn, are held to the same rule: what they include
# reaches the outside file through them.
set(_platform_checked 0)
while(_platform_used)
  list(POP_FRONT _platform_used header)
  if(NOT EXISTS "${SOURCE_DIR}/${header}")
    continue()
  endif()
  math(EXPR _platform_checked "${_platform_checked} + 1")
  check_system_includes("${header}" platform ", which reaches ${_platform_user_${header}}")
  file(STRINGS "${SOURCE_DIR}/${header}" _includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"platform/")
  foreach(inc ${_includes})
    string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]+)\".*$" "\\1" next "${inc}")
    if(NOT DEFINED _platform_user_${next})
      list(APPEND _platform_used "${next}")
      set(_platform_user_${next} "${_platform_user_${header}}")
    endif()
  endforeach()
endwhile()

list(LENGTH _sources _count)
if(_faults GREATER 0)
  message(FATAL_ERROR "LAYER RULE: ${_faults} fault(s) in ${_count} files")
endif()
message("layer rule: ${_count} files, ${_checked} includes across folders: none upward, every folder in DEPS; "
        "outside platform/ only standard headers and no system calls, ${_platform_checked} platform headers clean")
