# Removes the files an install listed in its manifest (run by make uninstall:
# cmake -DMANIFEST=<build>/install_manifest.txt -P uninstall.cmake), then
# the directories of our own (named jux) that are left empty. The manifest
# names the files without the staging directory: give the same DESTDIR in
# the environment as to the install.
if(NOT EXISTS "${MANIFEST}")
  message(FATAL_ERROR "Nothing to uninstall: ${MANIFEST} is missing (no make install from this tree).")
endif()
file(STRINGS "${MANIFEST}" installed)
set(directories "")
foreach(path IN LISTS installed)
  set(path "$ENV{DESTDIR}${path}")
  if(EXISTS "${path}" OR IS_SYMLINK "${path}")
    message(STATUS "Removing ${path}")
    file(REMOVE "${path}")
  endif()
  get_filename_component(directory "${path}" DIRECTORY)
  list(APPEND directories "${directory}")
endforeach()
list(REMOVE_DUPLICATES directories)
foreach(directory IN LISTS directories)
  file(GLOB left "${directory}/*")
  if(directory MATCHES "/jux$" AND IS_DIRECTORY "${directory}" AND NOT left)
    file(REMOVE_RECURSE "${directory}")
  endif()
endforeach()
