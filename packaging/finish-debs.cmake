# Run by CPack once the Debian packages are built (CPACK_POST_BUILD_SCRIPTS):
# what CPack's DEB generator cannot say by itself.
#   - CPack writes an ldconfig call into postinst and postrm of every package
#     with a shared object below /usr/lib. The library package refreshes the
#     loader cache through its ldconfig trigger instead, and the program's
#     plug-in is loaded by its path: those scripts are left out.
#   - The library package is co-installable across architectures
#     (Multi-Arch: same).
find_program(DPKG_DEB dpkg-deb REQUIRED)
foreach(deb IN LISTS CPACK_PACKAGE_FILES)
  if(NOT deb MATCHES "\\.deb$")
    continue()
  endif()
  get_filename_component(name "${deb}" NAME_WE)
  get_filename_component(folder "${deb}" DIRECTORY)
  set(tree "${folder}/.unpacked-${name}")
  file(REMOVE_RECURSE "${tree}")
  execute_process(COMMAND ${DPKG_DEB} -R "${deb}" "${tree}" COMMAND_ERROR_IS_FATAL ANY)

  foreach(script postinst postrm)
    set(path "${tree}/DEBIAN/${script}")
    if(EXISTS "${path}")
      file(READ "${path}" text)
      if(text MATCHES "ldconfig")
        file(REMOVE "${path}")
      endif()
    endif()
  endforeach()

  if(name MATCHES "^libqzlibrary-ocelot-64-1_")
    file(READ "${tree}/DEBIAN/control" control)
    if(NOT control MATCHES "(^|\n)Multi-Arch:")
      string(REGEX REPLACE "(^|\n)Architecture: ([^\n]*)\n" "\\1Architecture: \\2\nMulti-Arch: same\n" control
                           "${control}")
      file(WRITE "${tree}/DEBIAN/control" "${control}")
    endif()
  endif()

  execute_process(COMMAND ${DPKG_DEB} --root-owner-group -Zgzip -b "${tree}" "${deb}"
                  OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
  file(REMOVE_RECURSE "${tree}")
endforeach()
