# Install rules (cmake --install) and the Debian packages (scripts/package).
#
# Layout below the prefix:
#   lib/zarvik-rgb/        Config, hid, the provider plug-in, the skin, language
#                          and help folders: the program finds them beside itself
#   bin/zarvik-rgb         symbolic link to lib/zarvik-rgb/Config
#   bin/qzctl              loads the drive library by its SONAME
#   lib/<multiarch>/       libQZlibrary_Ocelot_64.so.1, its development link and
#                          pkg-config file; include/QZlibrary_Ocelot_64/QZlibrary.h
#   share/...              desktop entry, AppStream metadata, icons, manual pages,
#                          bash completion, documentation
# and, in the configuration folder of the prefix (SYSCONFDIR: /etc for the
# prefix /usr, so for the packages; <prefix>/etc for /usr/local or ~/.local),
# the provider's system-wide registration (Zarvik/registry, where Config looks)
# and the agent's XDG autostart entry (xdg/autostart).
#
# Files that name installed paths are written at install time, so that
# `cmake --install build --prefix P` and the packages get the prefix they are
# installed to, not the one the tree was configured with. For the same reason
# the configuration folder is worked out at install time, by GNUInstallDirs'
# rule for CMAKE_INSTALL_FULL_SYSCONFDIR (which Config's registry follows).

include(GNUInstallDirs)
# The library goes to the multiarch folder whatever the prefix: Debian's loader
# searches both /usr/lib/<multiarch> and /usr/local/lib/<multiarch>.
if(CMAKE_LIBRARY_ARCHITECTURE)
  set(QZ_INSTALL_LIBDIR lib/${CMAKE_LIBRARY_ARCHITECTURE} CACHE PATH "Where the drive library is installed")
else()
  set(QZ_INSTALL_LIBDIR ${CMAKE_INSTALL_LIBDIR} CACHE PATH "Where the drive library is installed")
endif()

add_subdirectory(packaging)

set(QZ_PRIVATE_DIR lib/zarvik-rgb)
set(QZ_PACKAGE_PROGRAM zarvik-rgb)
set(QZ_PACKAGE_LIBRARY libqzlibrary-ocelot-64-1)
set(QZ_PACKAGE_DEVELOPMENT libqzlibrary-ocelot-64-dev)
set(QZ_PROVIDER_CLASS "{DF392B70-BBFC-4A99-A269-C0B56CDA7757}")
set(QZ_PROVIDER_INSTANCE_KEY
    "CLSID/{109DC3E4-B9FF-4AF3-9008-AB13705D4E5F}/Instance/{E9BBD754-6CF4-492E-BA89-782177A2771B}/Instance")
set(packaging_build ${PROJECT_BINARY_DIR}/packaging)
set(shared_object_permissions OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)

# The configuration folder of the prefix being installed to, as install code:
# sets QZ_SYSCONFDIR.
set(qz_sysconfdir_code "
    if(IS_ABSOLUTE \"${CMAKE_INSTALL_SYSCONFDIR}\")
      set(QZ_SYSCONFDIR \"${CMAKE_INSTALL_SYSCONFDIR}\")
    elseif(\"\${CMAKE_INSTALL_PREFIX}\" MATCHES \"^/(usr/?)?$\")
      set(QZ_SYSCONFDIR /etc)
    elseif(\"\${CMAKE_INSTALL_PREFIX}\" MATCHES \"^/opt/\")
      set(QZ_SYSCONFDIR \"/etc\${CMAKE_INSTALL_PREFIX}\")
    else()
      set(QZ_SYSCONFDIR \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_SYSCONFDIR}\")
    endif()")

# configure_file at install time: @QZ_PREFIX@ is the prefix being installed to;
# a destination may start with \${QZ_SYSCONFDIR}, its configuration folder.
function(qz_install_configured source destination component)
  install(CODE "
    set(QZ_PREFIX \"\${CMAKE_INSTALL_PREFIX}\")
    ${qz_sysconfdir_code}
    set(target \"${destination}\")
    if(NOT IS_ABSOLUTE \"\${target}\")
      set(target \"\${CMAKE_INSTALL_PREFIX}/\${target}\")
    endif()
    message(STATUS \"Installing: \$ENV{DESTDIR}\${target}\")
    configure_file(\"${source}\" \"\$ENV{DESTDIR}\${target}\" @ONLY)"
    COMPONENT ${component})
endfunction()

# ---- the library and its development files -----------------------------------------------------
install(TARGETS QZlibrary_Ocelot_64
  LIBRARY DESTINATION ${QZ_INSTALL_LIBDIR} COMPONENT library
          NAMELINK_COMPONENT development PERMISSIONS ${shared_object_permissions})
install(FILES ${PROJECT_SOURCE_DIR}/qzlibrary/include/QZlibrary.h
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/QZlibrary_Ocelot_64 COMPONENT development)
set(QZ_PREFIX "@QZ_PREFIX@") # filled in at install time
set(QZ_LIBDIR ${QZ_INSTALL_LIBDIR})
set(QZ_INCLUDEDIR ${CMAKE_INSTALL_INCLUDEDIR})
configure_file(${PROJECT_SOURCE_DIR}/packaging/QZlibrary_Ocelot_64.pc.in ${packaging_build}/QZlibrary_Ocelot_64.pc.in
               @ONLY)
qz_install_configured(${packaging_build}/QZlibrary_Ocelot_64.pc.in
  ${QZ_INSTALL_LIBDIR}/pkgconfig/QZlibrary_Ocelot_64.pc development)

# ---- the program -------------------------------------------------------------------------------
# Installed, none of them needs a run path: they link only system libraries
# (qt_standard_project_setup's default, $ORIGIN/../lib, would name
# lib/zarvik-rgb/../lib).
set_target_properties(Config hid ZarvikLightingProvider PROPERTIES INSTALL_RPATH "")
install(TARGETS Config hid RUNTIME DESTINATION ${QZ_PRIVATE_DIR} COMPONENT program)
install(TARGETS ZarvikLightingProvider
  LIBRARY DESTINATION ${QZ_PRIVATE_DIR} COMPONENT program PERMISSIONS ${shared_object_permissions})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/config/resources/ DESTINATION ${QZ_PRIVATE_DIR} COMPONENT program
  PATTERN Help EXCLUDE PATTERN .keep EXCLUDE)
# The manual typeset at this build, not the committed copy.
install(FILES ${PROJECT_BINARY_DIR}/bin/Help/Help.pdf DESTINATION ${QZ_PRIVATE_DIR}/Help COMPONENT program)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/companions/provider/devices/
  DESTINATION ${QZ_PRIVATE_DIR}/LightingProvider COMPONENT program)
install(CODE "
  set(link \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/zarvik-rgb\")
  message(STATUS \"Installing: \${link}\")
  file(MAKE_DIRECTORY \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\")
  file(CREATE_LINK ../${QZ_PRIVATE_DIR}/Config \"\${link}\" SYMBOLIC)"
  COMPONENT program)
install(TARGETS qzctl RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT program)
# Installed, qzctl finds the library in the system's library folders only.
install(CODE "file(RPATH_REMOVE FILE \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/qzctl\")"
  COMPONENT program)

# The provider's system-wide registration: an empty Instance key named by its
# class, and the class's InprocServer32 holding the plug-in's absolute path.
set(QZ_PLUGIN_PATH "@QZ_PREFIX@/${QZ_PRIVATE_DIR}/libZarvikLightingProvider.so")
configure_file(${PROJECT_SOURCE_DIR}/packaging/registry-InprocServer32.in ${packaging_build}/InprocServer32.in @ONLY)
qz_install_configured(${packaging_build}/InprocServer32.in
  \${QZ_SYSCONFDIR}/Zarvik/registry/CLSID/${QZ_PROVIDER_CLASS}/InprocServer32 program)
install(CODE "
    ${qz_sysconfdir_code}
    file(MAKE_DIRECTORY \"\$ENV{DESTDIR}\${QZ_SYSCONFDIR}/Zarvik/registry/${QZ_PROVIDER_INSTANCE_KEY}/${QZ_PROVIDER_CLASS}\")"
  COMPONENT program)

# The agent starts with the session through XDG autostart: every desktop reads
# it, it runs in the session's environment (the agent needs its runtime folder
# and display), and systemd desktops turn it into a user unit by themselves.
configure_file(${PROJECT_SOURCE_DIR}/packaging/zarvik-rgb-agent.desktop.in
  ${packaging_build}/zarvik-rgb-agent.desktop.in @ONLY)
qz_install_configured(${packaging_build}/zarvik-rgb-agent.desktop.in
  \${QZ_SYSCONFDIR}/xdg/autostart/zarvik-rgb-agent.desktop program)

install(FILES ${PROJECT_SOURCE_DIR}/packaging/${QZ_APP_ID}.desktop
  DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT program)
install(FILES ${packaging_build}/${QZ_APP_ID}.metainfo.xml
  DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo COMPONENT program)
install(DIRECTORY ${packaging_build}/icons/ DESTINATION ${CMAKE_INSTALL_DATADIR}/icons COMPONENT program)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/qzctl.bash-completion
  DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME qzctl COMPONENT program)
if(QZ_MANUAL_PAGES)
  install(FILES ${packaging_build}/man/qzctl.1.gz ${packaging_build}/man/hid.1.gz
                ${packaging_build}/man/zarvik-rgb.1.gz
    DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT program)
endif()
install(FILES ${PROJECT_SOURCE_DIR}/qzlibrary/DeviceAccess/sim/demo.sim
  DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${QZ_PACKAGE_PROGRAM}/examples COMPONENT program)

# Every package carries its copyright and change log.
foreach(pair program:${QZ_PACKAGE_PROGRAM} library:${QZ_PACKAGE_LIBRARY} development:${QZ_PACKAGE_DEVELOPMENT})
  string(REPLACE ":" ";" pair ${pair})
  list(GET pair 0 component)
  list(GET pair 1 package)
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright ${packaging_build}/changelog.gz
    DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${package} COMPONENT ${component})
endforeach()

# ---- the Debian packages -----------------------------------------------------------------------
# CPack's DEB generator packs the tree that the build already made: a debhelper
# build would compile everything a second time, and scripts/test must stay
# within its time on two cores. Dependencies still come from the binaries
# themselves (dpkg-shlibdeps), and the library's shlibs file from its SONAME.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ${QZ_PACKAGE_PROGRAM})
set(CPACK_PACKAGE_VENDOR Zarvik)
set(CPACK_PACKAGE_CONTACT "Zarvik RGB Software maintainers <packages@zarvik.example>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_OUTPUT_FILE_PREFIX ${PROJECT_BINARY_DIR}/packages)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL program library development)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${QZ_HOMEPAGE})
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_POST_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/packaging/finish-debs.cmake)

set(CPACK_DEBIAN_PROGRAM_PACKAGE_NAME ${QZ_PACKAGE_PROGRAM})
set(CPACK_DEBIAN_PROGRAM_PACKAGE_SECTION utils)
# The Chinese skin's labels need a CJK font; a Wayland session runs the
# window natively with Qt's Wayland plug-in (else through XWayland); the help
# button opens the manual with xdg-open.
set(CPACK_DEBIAN_PROGRAM_PACKAGE_RECOMMENDS "fonts-wqy-microhei | fonts-noto-cjk, qt6-wayland, xdg-utils")
set(CPACK_DEBIAN_PROGRAM_PACKAGE_SUGGESTS "bash-completion")
file(WRITE ${packaging_build}/conffiles
     "/etc/Zarvik/registry/CLSID/${QZ_PROVIDER_CLASS}/InprocServer32\n/etc/xdg/autostart/zarvik-rgb-agent.desktop\n")
set(CPACK_DEBIAN_PROGRAM_PACKAGE_CONTROL_EXTRA ${packaging_build}/conffiles)

set(CPACK_DEBIAN_LIBRARY_PACKAGE_NAME ${QZ_PACKAGE_LIBRARY})
set(CPACK_DEBIAN_LIBRARY_PACKAGE_SECTION libs)
# The shlibs file from the SONAME, and the symbols file of the exported
# functions; the loader cache is refreshed by a trigger (the ldconfig calls
# CPack adds to the maintainer scripts are taken out by finish-debs.cmake,
# which also marks the package Multi-Arch: same).
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
file(WRITE ${packaging_build}/triggers "activate-noawait ldconfig\n")
configure_file(${PROJECT_SOURCE_DIR}/packaging/${QZ_PACKAGE_LIBRARY}.symbols ${packaging_build}/symbols COPYONLY)
set(CPACK_DEBIAN_LIBRARY_PACKAGE_CONTROL_EXTRA ${packaging_build}/triggers ${packaging_build}/symbols)

set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME ${QZ_PACKAGE_DEVELOPMENT})
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)

include(CPack)

cpack_add_component(library DISPLAY_NAME "drive library"
  DESCRIPTION "library for the RGB lighting MCU of NVMe drives\nThe drive library finds NVMe drives attached directly or in JMicron and\nASMedia USB enclosures, reads their Identify data and carries 4096-byte\nlighting-MCU blocks to a drive and its answers back.")
cpack_add_component(development DISPLAY_NAME "drive library development files" DEPENDS library
  DESCRIPTION "library for the RGB lighting MCU of NVMe drives (development files)\nThe C header, the development link and the pkg-config file of the drive\nlibrary, for programs that link it or load it by name.")
cpack_add_component(program DISPLAY_NAME "Zarvik RGB Software" DEPENDS library
  DESCRIPTION "RGB lighting settings for NVMe solid-state drives\nA skinned desktop program that chooses the lighting of the drives' RGB LEDs\n(effect, colours, speed, direction, four profiles), the agent that applies\nit when the session starts, and qzctl, a command-line host of the drive\nlibrary with JSON output for scripts.")
