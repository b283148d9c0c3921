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
# folder (system and library headers, files of the same folder by bare name)
# are not checked.
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

set(_faults 0)
set(_checked 0)
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
  file(STRINGS "${SOURCE_DIR}/${src}" _includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"[^\"]+\"")
  foreach(inc ${_includes})
    string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]+)\".*$" "\\1" header "${inc}")
    folder_of("${header}" to)
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

list(LENGTH _sources _count)
if(_faults GREATER 0)
  message(FATAL_ERROR "LAYER RULE: ${_faults} fault(s) in ${_count} files")
endif()
message("layer rule: ${_count} files, ${_checked} includes across folders: none upward, every folder in DEPS")
