# SPDX-License-Identifier: GPL-3.0-or-later
# Removes an installed Crawlix: every file and link named in an install manifest (one path
# a line, spaces and all), then each folder the manifest names (a line ending in a slash:
# one the install made) once nothing is left in it.
# Usage: cmake -DCRAWLIX_MANIFEST=path/install_manifest.txt -P cmake/Uninstall.cmake

if(NOT EXISTS "${CRAWLIX_MANIFEST}")
  message(FATAL_ERROR "No install manifest at ${CRAWLIX_MANIFEST}: nothing was installed from here")
endif()

file(STRINGS "${CRAWLIX_MANIFEST}" installed_files)
set(folders "")
foreach(installed IN LISTS installed_files)
  if(installed STREQUAL "")
    continue()
  endif()
  if(installed MATCHES "/$")
    list(APPEND folders "${installed}")
  elseif(EXISTS "${installed}" OR IS_SYMLINK "${installed}")
    message(STATUS "Removing ${installed}")
    file(REMOVE "${installed}")
    if(EXISTS "${installed}" OR IS_SYMLINK "${installed}")
      message(FATAL_ERROR "Could not remove ${installed}")
    endif()
  endif()
endforeach()

# Deepest first, so that a folder is emptied before the one above it is looked at; anything
# the player left in a folder keeps it, and the folders above it.
list(SORT folders)
list(REVERSE folders)
foreach(folder IN LISTS folders)
  if(NOT IS_DIRECTORY "${folder}" OR IS_SYMLINK "${folder}")
    continue()
  endif()
  file(GLOB left_over "${folder}*" "${folder}.*")
  if(left_over)
    message(STATUS "Keeping ${folder}: it still holds ${left_over}")
  else()
    message(STATUS "Removing ${folder}")
    file(REMOVE_RECURSE "${folder}")
  endif()
endforeach()
